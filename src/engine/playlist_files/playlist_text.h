// The text of playlist files: decoding their bytes, lines, and resolving
// the names they give against the folder or URL they came from. Shared by
// the readers of every format.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace engine {

// UTF-16 with its byte order mark, else UTF-8 (a mark is dropped), else the
// ANSI code page.
std::u16string DecodeText(std::string_view bytes);
// Split at CR, LF or both; a byte-order mark and blanks trimmed by Trim.
std::vector<std::u16string_view> Lines(std::u16string_view text);
std::u16string_view Trim(std::u16string_view text);
char16_t Lower(char16_t c);
bool StartsWithNoCase(std::u16string_view text, std::u16string_view lowerPrefix);
// The text with its %XX escapes of UTF-8 bytes undone.
std::u16string Unescaped(std::u16string_view text);
// file://[host]/path as a local path.
std::u16string PathOfFileUrl(std::u16string_view url);
// "http://...", "mms://...", not a drive letter.
bool HasScheme(std::u16string_view text);
// An entry as a path or URL: relative ones against `baseFolder` (a folder
// path or the folder URL of a list fetched by URL); empty for a blank entry.
std::u16string Resolve(std::u16string_view entry, const std::u16string &baseFolder);

} // namespace engine
