#include "host_text.h"

#include <windows.h>

#include <algorithm>

HostText Utf16(const std::string &utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::u16string wide(std::size_t(std::max(length, 0)), u'\0');
  if (length > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), length);
  return HostText(wide.begin(), wide.end());
}

std::string Utf8(const unsigned short *text) {
  std::size_t length = 0;
  while (text[length])
    ++length;
  const auto *wide = reinterpret_cast<const char16_t *>(text);
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, wide, int(length), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(std::max(bytes, 0)), '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide, int(length), out.data(), bytes, nullptr, nullptr);
  return out;
}
