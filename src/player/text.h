// The interface's UTF-16 text (unsigned short units) seen as the control's
// OLECHAR text: the same 16-bit units under another type name.
#pragma once

#include <windows.h>

static_assert(sizeof(OLECHAR) == sizeof(unsigned short), "OLECHAR must be 16 bits");

inline const OLECHAR *AsOleText(const unsigned short *text) {
  return reinterpret_cast<const OLECHAR *>(text);
}
inline OLECHAR *AsOleText(unsigned short *text) {
  return reinterpret_cast<OLECHAR *>(text);
}

// True for a null or empty argument, which every operation refuses.
inline bool IsMissingText(const unsigned short *text) {
  return text == nullptr || text[0] == 0;
}
