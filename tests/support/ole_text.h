// The tests' char16_t text and the Windows API's OLECHAR text, in tests
// that build on Linux and on Windows: OLECHAR is char16_t on Linux and
// wchar_t on Windows, the same 16-bit units under two type names.
#pragma once

#include <windows.h>

#include <string>

namespace test_support {

// A null BSTR reads as empty.
inline std::u16string U16(const OLECHAR *text) {
  return text ? std::u16string(reinterpret_cast<const char16_t *>(text)) : std::u16string();
}

// UTF-8 of text in the Basic Multilingual Plane, for expected bytes and
// for messages.
inline std::string Utf8(const std::u16string &text) {
  std::string out;
  for (char16_t unit : text) {
    if (unit < 0x80) {
      out += char(unit);
    } else if (unit < 0x800) {
      out += char(0xC0 | (unit >> 6));
      out += char(0x80 | (unit & 0x3F));
    } else {
      out += char(0xE0 | (unit >> 12));
      out += char(0x80 | ((unit >> 6) & 0x3F));
      out += char(0x80 | (unit & 0x3F));
    }
  }
  return out;
}

} // namespace test_support
