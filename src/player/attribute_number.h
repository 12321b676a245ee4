// Numbers the control reports as attribute text ("Bitrate", "Channels",
// "FourCC", ...).
#pragma once

#include <cstdint>

// The leading base-10 integer of `text`, read the way the C runtime's wide
// string-to-long conversion reads it on Windows, where long is 32 bits:
// leading white space skipped, an optional sign, digits up to the first
// non-digit; no digits gives 0; values beyond the 32-bit range become
// 2147483647 or -2147483648. Null text gives 0.
std::int32_t AttributeNumber(const unsigned short *text);
