// ATL's COM object support: a counted object root, the object wrapper that
// supplies IUnknown for every face of a class, and the interface map.
#pragma once

#include <windows.h>

#include <atomic>
#include <new>

namespace ATL {

class CComMultiThreadModel {
public:
  typedef std::atomic<ULONG> Counter;
};

class CComSingleThreadModel {
public:
  typedef std::atomic<ULONG> Counter;
};

template <class ThreadModel> class CComObjectRootEx {
public:
  ULONG InternalAddRef() { return ++m_dwRef; }
  ULONG InternalRelease() { return --m_dwRef; }
  void Lock() {}
  void Unlock() {}

protected:
  typename ThreadModel::Counter m_dwRef{0};
};

// The concrete object: answers QueryInterface through the class's interface
// map and deletes itself when the last reference goes.
template <class Base> class CComObject : public Base {
public:
  // Creates an object whose reference count starts at 0.
  static HRESULT CreateInstance(CComObject **out) {
    if (out == nullptr)
      return E_POINTER;
    *out = new (std::nothrow) CComObject();
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  virtual ~CComObject() = default;

  STDMETHOD(QueryInterface)(REFIID iid, void **object) override {
    return this->_InternalQueryInterface(iid, object);
  }
  STDMETHOD_(ULONG, AddRef)() override { return this->InternalAddRef(); }
  STDMETHOD_(ULONG, Release)() override {
    ULONG count = this->InternalRelease();
    if (count == 0)
      delete this;
    return count;
  }
};

} // namespace ATL

// Interface map: the faces the object answers, first match wins.
#define BEGIN_COM_MAP(cls)                                                                         \
public:                                                                                            \
  HRESULT _InternalQueryInterface(REFIID iid, void **out) {                                        \
    if (out == nullptr)                                                                            \
      return E_POINTER;                                                                            \
    *out = nullptr;                                                                                \
    IUnknown *found = nullptr;
#define COM_INTERFACE_ENTRY(itf)                                                                   \
  if (found == nullptr && iid == __uuidof(itf))                                                    \
    found = static_cast<itf *>(this);
#define COM_INTERFACE_ENTRY_IID(id, itf)                                                           \
  if (found == nullptr && iid == (id))                                                             \
    found = static_cast<itf *>(this);
#define COM_INTERFACE_ENTRY2(itf, via)                                                             \
  if (found == nullptr && iid == __uuidof(itf))                                                    \
    found = static_cast<via *>(this);
#define END_COM_MAP()                                                                              \
  if (found == nullptr)                                                                            \
    return E_NOINTERFACE;                                                                          \
  found->AddRef();                                                                                 \
  *out = found;                                                                                    \
  return S_OK;                                                                                     \
  }
