// BSTR and VARIANT lifetime, CLSID parsing, and the class registry behind
// CoCreateInstance.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>

namespace {

// ---- BSTR -----------------------------------------------------------------

std::uint32_t PrefixOf(BSTR text) {
  std::uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<const char *>(text) - 4, 4);
  return prefix;
}

TEST(PlatformBstr, KeepsByteLengthPrefixAndTerminator) {
  BSTR text = SysAllocString(u"abc");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(PrefixOf(text), 6u);
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(SysStringByteLen(text), 6u);
  EXPECT_EQ(std::u16string(text), u"abc");
  EXPECT_EQ(text[3], 0);
  SysFreeString(text);
}

TEST(PlatformBstr, KeepsEmbeddedNuls) {
  const OLECHAR source[] = {u'a', 0, u'b'};
  BSTR text = SysAllocStringLen(source, 3);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(PrefixOf(text), 6u);
  EXPECT_EQ(text[0], u'a');
  EXPECT_EQ(text[1], 0);
  EXPECT_EQ(text[2], u'b');
  EXPECT_EQ(text[3], 0);
  SysFreeString(text);
}

// ---- VARIANT --------------------------------------------------------------

// Counts references; Release never frees, the test owns the object.
struct CountedDispatch : IDispatch {
  std::atomic<ULONG> references{1};
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                                   UINT *) override {
    return E_NOTIMPL;
  }
};

TEST(PlatformVariant, InitIsEmpty) {
  VARIANT value;
  std::memset(&value, 0xAB, sizeof value);
  VariantInit(&value);
  EXPECT_EQ(value.vt, VT_EMPTY);
}

TEST(PlatformVariant, ClearReleasesInterfaces) {
  CountedDispatch object;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_DISPATCH;
  value.pdispVal = &object;
  object.AddRef();
  EXPECT_EQ(VariantClear(&value), S_OK);
  EXPECT_EQ(object.references, 1u);
  EXPECT_EQ(value.vt, VT_EMPTY);

  value.vt = VT_UNKNOWN;
  value.punkVal = &object;
  object.AddRef();
  EXPECT_EQ(VariantClear(&value), S_OK);
  EXPECT_EQ(object.references, 1u);
  EXPECT_EQ(value.vt, VT_EMPTY);
}

// ---- CLSIDFromString ------------------------------------------------------

TEST(PlatformClsid, ParsesBracedFormAnyCase) {
  CLSID lower{}, upper{};
  ASSERT_EQ(CLSIDFromString(u"{6bf52a52-394a-11d3-b153-00c04f79faa6}", &lower), S_OK);
  ASSERT_EQ(CLSIDFromString(u"{6BF52A52-394A-11D3-B153-00C04F79FAA6}", &upper), S_OK);
  EXPECT_EQ(lower.Data1, 0x6bf52a52u);
  EXPECT_EQ(lower.Data2, 0x394a);
  EXPECT_EQ(lower.Data3, 0x11d3);
  const BYTE tail[8] = {0xb1, 0x53, 0x00, 0xc0, 0x4f, 0x79, 0xfa, 0xa6};
  EXPECT_EQ(std::memcmp(lower.Data4, tail, 8), 0);
  EXPECT_TRUE(lower == upper);
}

TEST(PlatformClsid, RefusesAnythingElseAndZeroes) {
  const char16_t *bad[] = {
      u"",
      u"6bf52a52-394a-11d3-b153-00c04f79faa6",    // no braces
      u"{6bf52a52-394a-11d3-b153-00c04f79faa6",   // no closing brace
      u"{6bf52a52-394a-11d3-b153-00c04f79faa6}x", // trailing text
      u"{6bf52a52-394a-11d3-b15300-c04f79faa6}",  // hyphen misplaced
      u"{6bf52a5g-394a-11d3-b153-00c04f79faa6}",  // not hex
      u"{6bf52a52-394a-11d3-b153-00c04f79faa}",   // one digit short
      u"{+bf52a52-394a-11d3-b153-00c04f79faa6}",
      u"WMPlayer.OCX",
  };
  for (const char16_t *text : bad) {
    CLSID clsid;
    std::memset(&clsid, 0xFF, sizeof clsid);
    EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING);
    EXPECT_TRUE(clsid == IID_NULL);
  }
  CLSID clsid;
  std::memset(&clsid, 0xFF, sizeof clsid);
  EXPECT_EQ(CLSIDFromString(nullptr, &clsid), CO_E_CLASSSTRING);
  EXPECT_TRUE(clsid == IID_NULL);
}

// ---- class registry -------------------------------------------------------

// The object a scripted factory hands out.
struct Product final : IUnknown {
  explicit Product(int maker) : maker(maker) {}
  int maker;
  ULONG references = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override {
    if (riid != __uuidof(IUnknown)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references;
    if (left == 0)
      delete this;
    return left;
  }
};

// Counts its references and calls; answers with `status`.
struct ScriptedFactory : IClassFactory {
  explicit ScriptedFactory(int id, HRESULT status = S_OK) : id(id), status(status) {}
  int id;
  HRESULT status;
  std::atomic<ULONG> references{1};
  std::atomic<int> calls{0};
  std::atomic<IUnknown *> lastOuter{reinterpret_cast<IUnknown *>(1)};

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override {
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IClassFactory)) {
      *object = static_cast<IClassFactory *>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID riid, void **object) override {
    ++calls;
    lastOuter = outer;
    if (FAILED(status))
      return status;
    auto *product = new Product(id);
    HRESULT found = product->QueryInterface(riid, object);
    product->Release();
    return FAILED(found) ? found : status;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// A class no one else in the process registers.
const CLSID kClassA = {0x1b2c3d4e, 0x0001, 0x4a5b, {0x8c, 0x9d, 0, 0, 0, 0, 0, 1}};

int MakerOf(REFCLSID clsid, HRESULT *status) {
  IUnknown *object = reinterpret_cast<IUnknown *>(1);
  *status = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IUnknown),
                             reinterpret_cast<void **>(&object));
  if (FAILED(*status)) {
    EXPECT_EQ(object, nullptr);
    return 0;
  }
  int maker = static_cast<Product *>(object)->maker;
  object->Release();
  return maker;
}

TEST(PlatformClassRegistry, LatestRegistrationWinsUntilRevoked) {
  ScriptedFactory engine(1), scripted(2);
  DWORD engineCookie = 0, scriptedCookie = 0;
  ASSERT_EQ(CoRegisterClassObject(kClassA, &engine, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                  &engineCookie),
            S_OK);
  EXPECT_NE(engineCookie, 0u);
  EXPECT_EQ(engine.references, 2u); // the registry holds a reference

  HRESULT status = E_FAIL;
  EXPECT_EQ(MakerOf(kClassA, &status), 1);
  EXPECT_EQ(status, S_OK);
  EXPECT_EQ(engine.lastOuter, nullptr);

  ASSERT_EQ(CoRegisterClassObject(kClassA, &scripted, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                  &scriptedCookie),
            S_OK);
  EXPECT_NE(scriptedCookie, 0u);
  EXPECT_NE(scriptedCookie, engineCookie);
  EXPECT_EQ(MakerOf(kClassA, &status), 2);
  EXPECT_EQ(engine.calls, 1);
  EXPECT_EQ(scripted.calls, 1);

  EXPECT_EQ(CoRevokeClassObject(scriptedCookie), S_OK);
  EXPECT_EQ(scripted.references, 1u);
  EXPECT_EQ(MakerOf(kClassA, &status), 1);
  EXPECT_EQ(CoRevokeClassObject(scriptedCookie), E_INVALIDARG);

  EXPECT_EQ(CoRevokeClassObject(engineCookie), S_OK);
  EXPECT_EQ(engine.references, 1u);
  EXPECT_EQ(MakerOf(kClassA, &status), 0);
  EXPECT_EQ(status, REGDB_E_CLASSNOTREG);
}

} // namespace
