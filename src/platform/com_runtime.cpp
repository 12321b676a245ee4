// Apartments and the in-process class registry behind CoCreateInstance.
// There is no system registry of servers: a class exists once something in
// the process has registered a factory for it.
#include <com.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct Apartment {
  int initCount = 0;
  DWORD mode = 0;
};
thread_local Apartment apartment;

constexpr DWORD kModeMask = COINIT_APARTMENTTHREADED;

struct Registration {
  DWORD cookie;
  CLSID clsid;
  IUnknown *factory;
};

struct ClassRegistry {
  std::mutex mutex;
  std::vector<Registration> entries; // oldest first
  DWORD lastCookie = 0;
};

// Never destroyed, so a class revoked from a late static destructor or
// library unload still finds its registry.
ClassRegistry &Classes() {
  static ClassRegistry *registry = new ClassRegistry;
  return *registry;
}

} // namespace

STDAPI CoInitializeEx(LPVOID reserved, DWORD flags) {
  DWORD mode = flags & kModeMask;
  if (apartment.initCount > 0) {
    if (apartment.mode != mode)
      return RPC_E_CHANGED_MODE;
    ++apartment.initCount;
    return S_FALSE;
  }
  apartment.initCount = 1;
  apartment.mode = mode;
  return S_OK;
}

STDAPI CoInitialize(LPVOID reserved) {
  return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

extern "C" void CoUninitialize() {
  if (apartment.initCount > 0)
    --apartment.initCount;
}

STDAPI CoRegisterClassObject(REFCLSID clsid, IUnknown *factory, DWORD context, DWORD flags,
                             DWORD *registration) {
  if (registration == nullptr)
    return E_INVALIDARG;
  *registration = 0;
  if (factory == nullptr)
    return E_INVALIDARG;
  factory->AddRef();
  ClassRegistry &classes = Classes();
  std::lock_guard<std::mutex> lock(classes.mutex);
  do {
    ++classes.lastCookie; // 0 is never a valid cookie, even after wrapping
  } while (classes.lastCookie == 0);
  classes.entries.push_back({classes.lastCookie, clsid, factory});
  *registration = classes.lastCookie;
  return S_OK;
}

// Only the tests call this: they read back with it what the back end did.
STDAPI CoRevokeClassObject(DWORD registration) {
  IUnknown *factory = nullptr;
  {
    ClassRegistry &classes = Classes();
    std::lock_guard<std::mutex> lock(classes.mutex);
    auto found = std::find_if(classes.entries.begin(), classes.entries.end(),
                              [&](const Registration &r) { return r.cookie == registration; });
    if (found == classes.entries.end())
      return E_INVALIDARG;
    factory = found->factory;
    classes.entries.erase(found);
  }
  // Released outside the lock: the factory's destructor may revoke or register.
  factory->Release();
  return S_OK;
}

STDAPI CoGetClassObject(REFCLSID clsid, DWORD /*context*/, LPVOID /*reserved*/, REFIID riid,
                        LPVOID *object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  IUnknown *registered = nullptr;
  {
    ClassRegistry &classes = Classes();
    std::lock_guard<std::mutex> lock(classes.mutex);
    // The latest registration wins, so a test can stand in for the engine.
    auto found = std::find_if(classes.entries.rbegin(), classes.entries.rend(),
                              [&](const Registration &r) { return r.clsid == clsid; });
    if (found == classes.entries.rend())
      return REGDB_E_CLASSNOTREG;
    registered = found->factory;
    registered->AddRef(); // keeps it alive if revoked meanwhile
  }
  HRESULT status = registered->QueryInterface(riid, object);
  registered->Release();
  return status;
}

STDAPI CoCreateInstance(REFCLSID clsid, IUnknown *outer, DWORD context, REFIID riid,
                        void **object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  if (outer != nullptr)
    return CLASS_E_NOAGGREGATION;
  // The factory runs without the registry's lock: it may itself create or register classes.
  IClassFactory *factory = nullptr;
  HRESULT status = CoGetClassObject(clsid, context, nullptr, __uuidof(IClassFactory),
                                    reinterpret_cast<void **>(&factory));
  if (FAILED(status))
    return status;
  if (factory == nullptr)
    return E_NOINTERFACE;
  status = factory->CreateInstance(nullptr, riid, object);
  factory->Release();
  return status;
}
