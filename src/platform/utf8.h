// UTF-8 <-> UTF-16 conversion shared by the code-page functions and the
// registry file. Ill-formed input becomes U+FFFD unless `strict` is set, in
// which case the conversion fails.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

void AppendUtf8(char32_t codePoint, std::string *out);
void AppendUtf16(char32_t codePoint, std::u16string *out);

// False only when `strict` and the text holds an unpaired surrogate.
bool Utf16ToUtf8(const char16_t *text, std::size_t length, bool strict, std::string *out);
// False only when `strict` and the bytes are not well-formed UTF-8.
bool Utf8ToUtf16(const char *bytes, std::size_t length, bool strict, std::u16string *out);

} // namespace platform
