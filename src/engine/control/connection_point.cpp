// A connection point of the player object for one face of its events:
// IWMPEvents, or the dispatch interface _WMPOCXEvents.
#include "engine/control/com_object.h"
#include "engine/engine.h"
#include "engine/control/engine_objects.h"
#include "engine/control/event_delivery.h"

namespace engine {

namespace {

class ConnectionPointObject : public IConnectionPoint, public Counted {
public:
  ConnectionPointObject(std::shared_ptr<Engine> engine, IConnectionPointContainer *container,
                        EventFace face)
      : engine_(std::move(engine)), container_(container), face_(face) {
    container_->AddRef();
  }
  ~ConnectionPointObject() override { container_->Release(); }

  STDMETHOD(QueryInterface)(REFIID iid, void **out) override {
    if (out == nullptr)
      return E_POINTER;
    *out = nullptr;
    if (iid != __uuidof(IUnknown) && iid != __uuidof(IConnectionPoint))
      return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint *>(this);
    AddReference();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return AddReference(); }
  STDMETHOD_(ULONG, Release)() override { return DropReference(); }

  STDMETHOD(GetConnectionInterface)(IID *iid) override {
    if (iid == nullptr)
      return E_POINTER;
    *iid = FaceIid();
    return S_OK;
  }
  STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer **container) override {
    if (container == nullptr)
      return E_POINTER;
    container_->AddRef();
    *container = container_;
    return S_OK;
  }
  // The sink must answer the face's interface; a dispatch sink may answer
  // only IDispatch.
  STDMETHOD(Advise)(IUnknown *sink, DWORD *cookie) override {
    if (cookie == nullptr)
      return E_POINTER;
    *cookie = 0;
    if (sink == nullptr)
      return E_POINTER;
    void *face = nullptr;
    if (FAILED(sink->QueryInterface(FaceIid(), &face)) &&
        (face_ != EventFace::Dispatch || FAILED(sink->QueryInterface(__uuidof(IDispatch), &face))))
      return CONNECT_E_CANNOTCONNECT;
    if (face == nullptr)
      return CONNECT_E_CANNOTCONNECT;
    IUnknown *connected = face_ == EventFace::Events
                              ? static_cast<IUnknown *>(static_cast<IWMPEvents *>(face))
                              : static_cast<IUnknown *>(static_cast<IDispatch *>(face));
    HRESULT status = engine_->Connect(DeliveryOf(face_), connected, cookie);
    connected->Release(); // the engine keeps its own reference
    return status;
  }
  STDMETHOD(Unadvise)(DWORD cookie) override { return engine_->Disconnect(cookie); }
  STDMETHOD(EnumConnections)(IEnumConnections **connections) override {
    if (connections != nullptr)
      *connections = nullptr;
    return E_NOTIMPL;
  }

private:
  const IID &FaceIid() const {
    return face_ == EventFace::Events ? __uuidof(IWMPEvents) : __uuidof(_WMPOCXEvents);
  }

  std::shared_ptr<Engine> engine_;
  IConnectionPointContainer *container_; // one reference
  EventFace face_;
};

} // namespace

IConnectionPoint *NewConnectionPointObject(std::shared_ptr<Engine> engine,
                                           IConnectionPointContainer *container, EventFace face) {
  return new (std::nothrow) ConnectionPointObject(std::move(engine), container, face);
}

} // namespace engine
