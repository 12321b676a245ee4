// The player object's connection points, one per event face, and its
// FindConnectionPoint. A connection belongs to the player object, which
// lets its sinks go when it is destroyed.
#include <olectl.h>

#include "scripted/internal.h"

namespace scripted {
namespace {

const IID &faceIid(Face face) {
  return face == Face::Events ? __uuidof(IWMPEvents) : __uuidof(_WMPOCXEvents);
}

struct ConnectionPoint final : IConnectionPoint, Object {
  ConnectionPoint(std::shared_ptr<State> owner, IConnectionPointContainer *container, Face face)
      : Object(std::move(owner), "IConnectionPoint"), container(container), face(face) {
    container->AddRef(); // as the real control's points do
  }
  ~ConnectionPoint() override { container->Release(); }

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override {
    if (!object)
      return E_POINTER;
    *object = nullptr;
    if (auto failure = queryFailure(riid))
      return *failure;
    if (riid != __uuidof(IUnknown) && riid != __uuidof(IConnectionPoint))
      return E_NOINTERFACE;
    *object = static_cast<IConnectionPoint *>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }
  SCRIPTED_UNUSED_IConnectionPoint

  // Holds the sink's interface for this face until Unadvise.
  STDMETHOD(Advise)(IUnknown *sink, DWORD *cookie) override {
    if (auto answer = enter("Advise", {iidName(faceIid(face))}, cookie))
      return *answer;
    if (!sink || !cookie)
      return E_POINTER;
    *cookie = 0;
    void *faceSink = nullptr;
    if (FAILED(sink->QueryInterface(faceIid(face), &faceSink)) || !faceSink)
      return CONNECT_E_CANNOTCONNECT;
    IUnknown *held = face == Face::Events
                         ? static_cast<IUnknown *>(static_cast<IWMPEvents *>(faceSink))
                         : static_cast<IUnknown *>(static_cast<_WMPOCXEvents *>(faceSink));
    *cookie = state->nextCookie++;
    state->connections.push_back({*cookie, face, held, container});
    return S_OK;
  }
  STDMETHOD(Unadvise)(DWORD cookie) override {
    if (auto answer = enter("Unadvise", {arg(cookie)}))
      return *answer;
    auto &connections = state->connections;
    for (auto it = connections.begin(); it != connections.end(); ++it) {
      if (it->cookie == cookie && it->owner == container) {
        IUnknown *sink = it->sink;
        connections.erase(it);
        sink->Release();
        return S_OK;
      }
    }
    return CONNECT_E_NOCONNECTION;
  }

  IConnectionPointContainer *container;
  Face face;
};

} // namespace

IConnectionPoint *newConnectionPoint(std::shared_ptr<State> state,
                                     IConnectionPointContainer *container, Face face) {
  return new ConnectionPoint(std::move(state), container, face);
}

HRESULT findConnectionPoint(Object &player, IConnectionPointContainer *container, REFIID riid,
                            IConnectionPoint **point) {
  if (point)
    *point = nullptr;
  const std::string method = "IConnectionPointContainer.FindConnectionPoint";
  if (auto answer = player.state->enter(method, {iidName(riid)}))
    return *answer;
  if (!point)
    return E_POINTER;
  Face face;
  if (riid == __uuidof(IWMPEvents)) {
    face = Face::Events;
  } else if (riid == __uuidof(_WMPOCXEvents)) {
    face = Face::Dispatch;
  } else {
    return CONNECT_E_NOCONNECTION;
  }
  if (auto failure = player.state->scriptedFailure(method + "." + iidName(riid)))
    return *failure;
  *point = newConnectionPoint(player.state, container, face);
  return S_OK;
}

} // namespace scripted
