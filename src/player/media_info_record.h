// The invariants of tagMediaInfo that every fill operation keeps: the
// record zeroed but for the caller's mask, text fields cut to 424 units,
// the file type cut to 3, and the aspect ratio in lowest terms.
#pragma once

#include <audioplayer.h>
#include <windows.h>

#include <cstdint>

// Zeroes every field, puts the caller's mask back and returns it.
std::uint32_t ResetMediaInfo(tagMediaInfo *info);

// The first 3 characters of `text` (null reads as empty), NUL at index 3.
void StoreFileType(unsigned short (&field)[4], const OLECHAR *text);

// Euclid's algorithm: the greatest common divisor of `a` and `b`, with the
// sign the remainders leave; `a` itself when `b` is 0.
std::int32_t ReducedRatio(std::int32_t a, std::int32_t b);

// lAspectX:lAspectY becomes lWidth:lHeight in lowest terms when both are
// non-zero; otherwise both aspect terms are left as they are.
void StoreAspectRatio(tagMediaInfo *info);
