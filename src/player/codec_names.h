// Display names of the codecs the control reports as numbers in text:
// "FormatTag" (the audio format tag) and "FourCC" (the video four-character
// code as a decimal number). Fixed tables; unknown values are "Other".
#pragma once

#include <windows.h>

// The longest name is 38 characters.
constexpr int kCodecNameUnits = 39;

// Compares the whole text exactly with the known format tags ("85", "353",
// ...) and writes the name with its NUL into `name` (at least
// kCodecNameUnits units). E_FAIL, writing nothing, for a null or empty
// text or a null `name`.
HRESULT AudioCodecName(const unsigned short *formatTag, unsigned short *name);

// Reads `fourCC` as a decimal number and replaces the text in place by the
// four characters it codes (lowest byte first, each byte widened as a
// signed 8-bit value, NUL at index 4: `fourCC` must hold 5 units), then
// names that code. The same statuses as AudioCodecName.
HRESULT VideoCodecName(unsigned short *fourCC, unsigned short *name);
