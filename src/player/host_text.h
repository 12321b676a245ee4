// Text handed back to the host: a field of kHostTextUnits units that holds
// at most 424 characters, with unit 424 always NUL. Media information
// fields and saved playlist names follow the same rule.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr std::size_t kHostTextUnits = 425;

// Copies `text` (null reads as empty) up to its NUL or 424 characters,
// whichever comes first, then the NUL when it fits, and always a NUL at
// index 424. Units between the copy and index 424 are left as they were.
void CopyHostText(unsigned short *field, const OLECHAR *text);
