// The few ATL pieces the player uses, for toolchains that ship no ATL:
// a counted-reference holder and the module object.
#pragma once

#include <windows.h>

#include <cassert>

namespace ATL {

// Holds one counted reference; releases it when replaced or destroyed, so
// that every early return of its owner releases what it had obtained.
template <class T> class CComPtr {
public:
  CComPtr() = default;
  CComPtr(T *pointer) : p(pointer) {
    if (p)
      p->AddRef();
  }
  CComPtr(const CComPtr &other) : CComPtr(other.p) {}
  CComPtr &operator=(const CComPtr &other) { return *this = other.p; }
  CComPtr &operator=(T *pointer) {
    if (pointer)
      pointer->AddRef();
    T *old = p;
    p = pointer;
    if (old)
      old->Release();
    return *this;
  }
  ~CComPtr() { Release(); }

  operator T *() const { return p; }
  T *operator->() const { return p; }
  // For out-parameters: the holder must be empty, or its reference would leak.
  T **operator&() {
    assert(p == nullptr);
    return &p;
  }
  bool operator!() const { return p == nullptr; }

  void Release() {
    T *old = p;
    p = nullptr;
    if (old)
      old->Release();
  }
  void Attach(T *pointer) {
    Release();
    p = pointer;
  }
  T *Detach() {
    T *old = p;
    p = nullptr;
    return old;
  }
  template <class Q> HRESULT QueryInterface(Q **out) const {
    return p ? p->QueryInterface(__uuidof(Q), reinterpret_cast<void **>(out)) : E_POINTER;
  }

  T *p = nullptr;
};

// Owns one COM string, freed when the holder goes.
class CComBSTR {
public:
  CComBSTR() = default;
  explicit CComBSTR(LPCOLESTR text) : m_str(text ? SysAllocString(text) : nullptr) {}
  CComBSTR(int length, LPCOLESTR text) : m_str(SysAllocStringLen(text, UINT(length))) {}
  CComBSTR(const CComBSTR &) = delete;
  CComBSTR &operator=(const CComBSTR &) = delete;
  CComBSTR(CComBSTR &&other) noexcept : m_str(other.Detach()) {}
  ~CComBSTR() { SysFreeString(m_str); }

  void Attach(BSTR text) {
    SysFreeString(m_str);
    m_str = text;
  }
  BSTR Detach() {
    BSTR text = m_str;
    m_str = nullptr;
    return text;
  }

  operator BSTR() const { return m_str; }
  // For out-parameters: the holder must be empty, or its string would leak.
  BSTR *operator&() {
    assert(m_str == nullptr);
    return &m_str;
  }
  bool operator!() const { return m_str == nullptr; }
  unsigned int Length() const { return SysStringLen(m_str); }
  void Empty() {
    SysFreeString(m_str);
    m_str = nullptr;
  }

  BSTR m_str = nullptr;
};

// The module object: remembers the module handle it was initialised with.
class CComModule {
public:
  HRESULT Init(void * /*objectMap*/, HINSTANCE instance) {
    moduleInstance = instance;
    return S_OK;
  }
  void Term() { moduleInstance = nullptr; }
  HINSTANCE GetModuleInstance() const { return moduleInstance; }

private:
  HINSTANCE moduleInstance = nullptr;
};

} // namespace ATL

using ATL::CComBSTR;
using ATL::CComPtr;
