// Moving text between the engine's std::u16string and the COM strings of
// the object model. A null BSTR reads as the empty string, as COM allows.
#pragma once

#include <com.h>

#include <cstdio>
#include <string>

namespace engine {

inline std::u16string TextOf(const OLECHAR *text) {
  return text ? std::u16string(text) : std::u16string();
}

inline std::u16string TextOf(BSTR text) {
  return text ? std::u16string(text, SysStringLen(text)) : std::u16string();
}

// Writes a new COM string owned by the caller; E_POINTER for a null out.
inline HRESULT GiveText(BSTR *out, const std::u16string &text) {
  if (out == nullptr)
    return E_POINTER;
  *out = SysAllocStringLen(text.data(), UINT(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

// ASCII case folding, for the control's mode and item names.
inline bool SameName(const std::u16string &a, std::u16string_view b) {
  if (a.size() != b.size())
    return false;
  auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i]))
      return false;
  return true;
}

inline VARIANT_BOOL ComBool(bool value) {
  return value ? VARIANT_TRUE : VARIANT_FALSE;
}

// Writes a 16-bit COM boolean; E_POINTER for a null out.
inline HRESULT GiveFlag(VARIANT_BOOL *out, bool value) {
  if (out == nullptr)
    return E_POINTER;
  *out = ComBool(value);
  return S_OK;
}

inline HRESULT GiveNumber(long *out, long value) {
  if (out == nullptr)
    return E_POINTER;
  *out = value;
  return S_OK;
}

// "mm:ss", or "h:mm:ss" from an hour on, as the control shows times.
inline std::u16string ClockText(double seconds) {
  long total = seconds > 0 ? long(seconds + 0.5) : 0;
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%02ld:%02ld", total / 60, total % 60);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

// For the parts of the object model this control does not offer.
template <class T> HRESULT NotOffered(T **out) {
  if (out != nullptr)
    *out = nullptr;
  return E_NOTIMPL;
}

} // namespace engine
