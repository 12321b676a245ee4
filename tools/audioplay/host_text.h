// The library's text is NUL-terminated UTF-16 in unsigned short units; the
// terminal's is UTF-8. The host converts with the code-page functions that
// the platform offers any Windows program.
#pragma once

#include <string>

using HostText = std::basic_string<unsigned short>;

HostText Utf16(const std::string &utf8);
std::string Utf8(const unsigned short *text);
