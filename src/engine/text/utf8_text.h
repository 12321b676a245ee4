// The engine keeps text as the control's UTF-16; GStreamer, SQLite and the
// file system speak UTF-8. These two conversions replace ill-formed input
// with U+FFFD rather than fail, since a tag or path is better shown damaged
// than lost.
#pragma once

#include "platform/utf8.h"

#include <string>
#include <string_view>

namespace engine {

inline std::string Utf8Of(std::u16string_view text) {
  std::string out;
  platform::Utf16ToUtf8(text.data(), text.size(), false, &out);
  return out;
}

inline std::u16string Utf16Of(std::string_view bytes) {
  std::u16string out;
  platform::Utf8ToUtf16(bytes.data(), bytes.size(), false, &out);
  return out;
}

} // namespace engine
