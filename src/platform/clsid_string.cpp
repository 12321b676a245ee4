// CLSIDFromString for the braced registry form only; there is no ProgID
// table to fall back on.
#include <com.h>

#include <cstring>

namespace {

constexpr int kBracedLength = 38; // {8-4-4-4-12}

int HexDigit(OLECHAR c) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  if (c >= u'a' && c <= u'f')
    return c - u'a' + 10;
  if (c >= u'A' && c <= u'F')
    return c - u'A' + 10;
  return -1;
}

// Reads `digits` hex digits at text[*at], advancing *at.
bool ReadHex(LPCOLESTR text, int *at, int digits, unsigned long long *value) {
  *value = 0;
  for (int i = 0; i < digits; ++i) {
    int digit = HexDigit(text[*at]);
    if (digit < 0)
      return false;
    *value = (*value << 4) | unsigned(digit);
    ++*at;
  }
  return true;
}

bool Expect(LPCOLESTR text, int *at, OLECHAR c) {
  if (text[*at] != c)
    return false;
  ++*at;
  return true;
}

bool Parse(LPCOLESTR text, CLSID *clsid) {
  // Walking stops at the first mismatch, so a short string never reads past its NUL.
  int at = 0;
  unsigned long long part = 0;
  if (!Expect(text, &at, u'{'))
    return false;
  if (!ReadHex(text, &at, 8, &part))
    return false;
  clsid->Data1 = DWORD(part);
  if (!Expect(text, &at, u'-') || !ReadHex(text, &at, 4, &part))
    return false;
  clsid->Data2 = WORD(part);
  if (!Expect(text, &at, u'-') || !ReadHex(text, &at, 4, &part))
    return false;
  clsid->Data3 = WORD(part);
  if (!Expect(text, &at, u'-'))
    return false;
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !Expect(text, &at, u'-'))
      return false;
    if (!ReadHex(text, &at, 2, &part))
      return false;
    clsid->Data4[i] = BYTE(part);
  }
  return Expect(text, &at, u'}') && at == kBracedLength && text[at] == 0;
}

} // namespace

STDAPI CLSIDFromString(LPCOLESTR text, CLSID *clsid) {
  if (clsid == nullptr)
    return E_INVALIDARG;
  if (text != nullptr && Parse(text, clsid))
    return S_OK;
  std::memset(clsid, 0, sizeof *clsid);
  return CO_E_CLASSSTRING;
}
