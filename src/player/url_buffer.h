// The 260-unit URL buffer: every path, URL, drive specifier and playlist name
// handed to the control is cut to its first 259 UTF-16 units first.
#pragma once

#include <atlbase.h>

#include <cstddef>

constexpr std::size_t kUrlBufferUnits = 260;

// The host's text cut to at most kUrlBufferUnits - 1 units, as a COM string.
// Null text gives an empty string; `text.m_str` is null only when out of
// memory.
CComBSTR UrlBufferText(const unsigned short *text);
