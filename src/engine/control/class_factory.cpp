// The class factory of CLSID_WindowsMediaPlayer, registered with the COM
// class registry when the library loads. A later registration of the same
// class (the tests' scripted control) takes precedence over it.
//
// The factory is static and constant-initialised: the registration runs
// from a load-time constructor, possibly before this file's dynamic
// initialisers, and the registry keeps the factory for the whole process.
#include <wmp.h>

#include "engine/engine.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

class ClassFactory : public IClassFactory {
public:
  constexpr ClassFactory() = default;

  STDMETHOD(QueryInterface)(REFIID iid, void **out) override {
    if (out == nullptr)
      return E_POINTER;
    *out = nullptr;
    if (iid != __uuidof(IUnknown) && iid != __uuidof(IClassFactory))
      return E_NOINTERFACE;
    *out = static_cast<IClassFactory *>(this);
    return S_OK;
  }
  // Static: never freed, so the count is not kept.
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }

  // Each call makes a new control, whose events will be raised on the
  // calling thread.
  STDMETHOD(CreateInstance)(IUnknown *outer, REFIID iid, void **out) override {
    if (out == nullptr)
      return E_POINTER;
    *out = nullptr;
    if (outer != nullptr)
      return CLASS_E_NOAGGREGATION;
    std::shared_ptr<Engine> engine = Engine::Create();
    if (!engine)
      return E_FAIL;
    IWMPPlayer4 *player = NewPlayerObject(std::move(engine));
    if (player == nullptr)
      return E_OUTOFMEMORY;
    HRESULT status = player->QueryInterface(iid, out);
    player->Release();
    return status;
  }
  STDMETHOD(LockServer)(BOOL) override { return S_OK; }
};

constinit ClassFactory factory;

// Before the static initializers of whatever the engine is linked into,
// which may already make a player (a test that runs itself as a child).
__attribute__((constructor(101))) void RegisterEngine() {
  DWORD registration = 0;
  CoRegisterClassObject(CLSID_WindowsMediaPlayer, &factory, CLSCTX_INPROC_SERVER,
                        REGCLS_MULTIPLEUSE, &registration);
}

} // namespace

} // namespace engine
