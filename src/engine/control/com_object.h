// What every COM object of the engine shares: a counted reference that
// starts at 1 for the creator, the live-object accounting, and, for the
// dispatch interfaces of the object model, the four IDispatch methods.
// Callers use the vtables; late binding by name is not offered.
#pragma once

#include <wmp.h>

#include <atomic>

#include "engine/control/live_objects.h"

namespace engine {

class Counted {
public:
  Counted() { CountLiveObject(+1); }
  virtual ~Counted() { CountLiveObject(-1); }
  Counted(const Counted &) = delete;
  Counted &operator=(const Counted &) = delete;

protected:
  ULONG AddReference() { return ++references_; }
  ULONG DropReference() {
    ULONG left = --references_;
    if (left == 0)
      delete this;
    return left;
  }

private:
  std::atomic<ULONG> references_{1};
};

// An object whose one interface is I (an IDispatch). QueryOther answers
// any further interface the object has.
template <class I> class DispatchObject : public I, public Counted {
public:
  STDMETHOD(QueryInterface)(REFIID iid, void **out) override {
    if (out == nullptr)
      return E_POINTER;
    *out = nullptr;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(I)) {
      *out = static_cast<I *>(this);
      AddReference();
      return S_OK;
    }
    return QueryOther(iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() override { return AddReference(); }
  STDMETHOD_(ULONG, Release)() override { return DropReference(); }

  STDMETHOD(GetTypeInfoCount)(UINT *count) override {
    if (count == nullptr)
      return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo **info) override {
    if (info != nullptr)
      *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
  STDMETHOD(Invoke)
  (DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override {
    return DISP_E_MEMBERNOTFOUND;
  }

protected:
  // Hands out `self` with a reference added; for QueryOther.
  HRESULT Give(void *self, void **out) {
    *out = self;
    AddReference();
    return S_OK;
  }
  virtual HRESULT QueryOther(REFIID, void **) { return E_NOINTERFACE; }
};

} // namespace engine
