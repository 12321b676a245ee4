// COM basics: status codes, GUIDs, IUnknown/IDispatch, VARIANT, BSTR,
// connection points, apartments and the class registry behind
// CoCreateInstance.
#pragma once

#include "wintypes.h"

// ---- status codes ---------------------------------------------------------
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_POINTER ((HRESULT)0x80004003)
#define E_ABORT ((HRESULT)0x80004004)
#define E_FAIL ((HRESULT)0x80004005)
#define E_UNEXPECTED ((HRESULT)0x8000FFFF)
#define E_ACCESSDENIED ((HRESULT)0x80070005)
#define E_HANDLE ((HRESULT)0x80070006)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0)
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3)
#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106)
#define CONNECT_E_NOCONNECTION ((HRESULT)0x80040200)
#define CONNECT_E_ADVISELIMIT ((HRESULT)0x80040201)
#define CONNECT_E_CANNOTCONNECT ((HRESULT)0x80040202)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006)
#define DISP_E_NONAMEDARGS ((HRESULT)0x80020007)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000E)
#define HRESULT_FROM_WIN32(code)                                                                   \
  ((HRESULT)(code) <= 0 ? (HRESULT)(code) : (HRESULT)(((code)&0x0000FFFF) | 0x80070000))

// ---- GUIDs ----------------------------------------------------------------
typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
typedef const IID &REFIID;
typedef const CLSID &REFCLSID;
typedef const GUID &REFGUID;
typedef IID *LPIID;

inline bool operator==(const GUID &a, const GUID &b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
    return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i])
      return false;
  return true;
}
inline bool operator!=(const GUID &a, const GUID &b) {
  return !(a == b);
}
inline bool IsEqualGUID(REFGUID a, REFGUID b) {
  return a == b;
}
#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)

// __uuidof(Interface) gives the interface identifier declared for the type
// with __CRT_UUID_DECL, as the Windows toolchain does.
template <typename T> const GUID &platform_uuidof();
#define __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                           \
  template <> inline const GUID &platform_uuidof<type>() {                                         \
    static const GUID id = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}};                          \
    return id;                                                                                     \
  }                                                                                                \
  template <> inline const GUID &platform_uuidof<type *>() {                                       \
    return platform_uuidof<type>();                                                                \
  }
#define __uuidof(type) platform_uuidof<__typeof__(type)>()

// Parses "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
STDAPI CLSIDFromString(LPCOLESTR text, CLSID *clsid);

// ---- IUnknown, IClassFactory ----------------------------------------------
interface IUnknown {
  STDMETHOD(QueryInterface)(REFIID riid, void **object) = 0;
  STDMETHOD_(ULONG, AddRef)() = 0;
  STDMETHOD_(ULONG, Release)() = 0;
  template <class Q> HRESULT QueryInterface(Q **object) {
    return QueryInterface(__uuidof(Q), reinterpret_cast<void **>(object));
  }

protected:
  ~IUnknown() = default;
};
typedef IUnknown *LPUNKNOWN;
__CRT_UUID_DECL(IUnknown, 0x00000000, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x46)

interface IClassFactory : public IUnknown {
  STDMETHOD(CreateInstance)(IUnknown *outer, REFIID riid, void **object) = 0;
  STDMETHOD(LockServer)(BOOL lock) = 0;
};
__CRT_UUID_DECL(IClassFactory, 0x00000001, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x46)

// ---- BSTR -----------------------------------------------------------------
// A BSTR points at the first character; the 32-bit byte length stands just
// before it and a NUL just after the last character.
typedef OLECHAR *BSTR;
extern "C" BSTR SysAllocString(const OLECHAR *text);
extern "C" BSTR SysAllocStringLen(const OLECHAR *text, UINT length);
extern "C" UINT SysStringLen(BSTR text);
extern "C" UINT SysStringByteLen(BSTR text);
extern "C" void SysFreeString(BSTR text);

// ---- VARIANT --------------------------------------------------------------
typedef short VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)
typedef unsigned short VARTYPE;
typedef double DATE;
typedef LONG DISPID;
typedef DISPID MEMBERID;

enum VARENUM {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_INT = 22,
  VT_UINT = 23,
  VT_BYREF = 0x4000
};

interface IDispatch;
typedef struct tagVARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    HRESULT scode;
    DATE date;
    BSTR bstrVal;
    IUnknown *punkVal;
    IDispatch *pdispVal;
    INT intVal;
    UINT uintVal;
    ULONG ulVal;
    void *byref;
  };
} VARIANT, VARIANTARG;
typedef VARIANT *LPVARIANT;

extern "C" void VariantInit(VARIANT *value);
extern "C" HRESULT VariantClear(VARIANT *value);

typedef struct tagDISPPARAMS {
  VARIANTARG *rgvarg;
  DISPID *rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
} DISPPARAMS;

typedef struct tagEXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void *pvReserved;
  HRESULT(STDMETHODCALLTYPE *pfnDeferredFillIn)(struct tagEXCEPINFO *);
  HRESULT scode;
} EXCEPINFO;

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPID_UNKNOWN (-1)
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800

interface ITypeInfo;
interface IDispatch : public IUnknown {
  STDMETHOD(GetTypeInfoCount)(UINT *count) = 0;
  STDMETHOD(GetTypeInfo)(UINT index, LCID locale, ITypeInfo **info) = 0;
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR *names, UINT count, LCID locale, DISPID *ids) = 0;
  STDMETHOD(Invoke)
  (DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS *params, VARIANT *result,
   EXCEPINFO *exception, UINT *argumentError) = 0;
};
__CRT_UUID_DECL(IDispatch, 0x00020400, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x46)

// IID_NULL, handed to IDispatch::Invoke.
inline const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// ---- connection points ----------------------------------------------------
interface IConnectionPointContainer;
interface IEnumConnections;
interface IEnumConnectionPoints;

interface IConnectionPoint : public IUnknown {
  STDMETHOD(GetConnectionInterface)(IID *iid) = 0;
  STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer **container) = 0;
  STDMETHOD(Advise)(IUnknown *sink, DWORD *cookie) = 0;
  STDMETHOD(Unadvise)(DWORD cookie) = 0;
  STDMETHOD(EnumConnections)(IEnumConnections **connections) = 0;
};
__CRT_UUID_DECL(IConnectionPoint, 0xb196b286, 0xbab4, 0x101a, 0xb6, 0x9c, 0x00, 0xaa, 0x00, 0x34,
                0x1d, 0x07)

interface IConnectionPointContainer : public IUnknown {
  STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints **points) = 0;
  STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint **point) = 0;
};
__CRT_UUID_DECL(IConnectionPointContainer, 0xb196b284, 0xbab4, 0x101a, 0xb6, 0x9c, 0x00, 0xaa, 0x00,
                0x34, 0x1d, 0x07)

interface IStream;

// ---- apartments and object creation ---------------------------------------
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER)
#define REGCLS_SINGLEUSE 0
#define REGCLS_MULTIPLEUSE 1
#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0

STDAPI CoInitialize(LPVOID reserved);
STDAPI CoInitializeEx(LPVOID reserved, DWORD flags);
extern "C" void CoUninitialize();
STDAPI CoCreateInstance(REFCLSID clsid, IUnknown *outer, DWORD context, REFIID riid, void **object);
// Makes a class available to CoCreateInstance in this process; the engine
// and the test control register themselves this way.
STDAPI CoRegisterClassObject(REFCLSID clsid, IUnknown *factory, DWORD context, DWORD flags,
                             DWORD *registration);
STDAPI CoRevokeClassObject(DWORD registration);
// The latest factory registered for `clsid`, as CoCreateInstance finds it.
STDAPI CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID reserved, REFIID riid,
                        LPVOID *object);
