// The class factory registered for CLSID_WindowsMediaPlayer: each
// CreateInstance makes a new player object over the Control's model.
#include "scripted/internal.h"

namespace scripted {
namespace {

struct ClassFactory final : IClassFactory, Object {
  explicit ClassFactory(std::shared_ptr<State> owner)
      : Object(std::move(owner), "IClassFactory", /*factory=*/true) {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override {
    if (!object)
      return E_POINTER;
    *object = nullptr;
    if (auto failure = queryFailure(riid))
      return *failure;
    if (riid != __uuidof(IUnknown) && riid != __uuidof(IClassFactory))
      return E_NOINTERFACE;
    *object = static_cast<IClassFactory *>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }
  SCRIPTED_UNUSED_IClassFactory

  STDMETHOD(CreateInstance)(IUnknown *outer, REFIID riid, void **object) override {
    if (object)
      *object = nullptr;
    if (auto answer = enter("CreateInstance", {outer ? "outer" : "null", iidName(riid)}))
      return *answer;
    if (!object)
      return E_POINTER;
    if (outer)
      return CLASS_E_NOAGGREGATION;
    IWMPPlayer4 *player = newPlayer(state);
    ++state->instancesCreated;
    HRESULT hr = player->QueryInterface(riid, object);
    player->Release();
    return hr;
  }
};

} // namespace

IClassFactory *newClassFactory(std::shared_ptr<State> state) {
  return new ClassFactory(std::move(state));
}

} // namespace scripted
