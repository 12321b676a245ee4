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

} // namespace test_support
