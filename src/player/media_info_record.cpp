#include "player/media_info_record.h"

#include <cstring>

std::uint32_t ResetMediaInfo(tagMediaInfo *info) {
  std::uint32_t mask = info->dwMask;
  std::memset(info, 0, sizeof *info);
  info->dwMask = mask;
  return mask;
}

void StoreFileType(unsigned short (&field)[4], const OLECHAR *text) {
  std::size_t length = 0;
  if (text != nullptr) {
    while (length < 3 && text[length] != 0) {
      field[length] = static_cast<unsigned short>(text[length]);
      ++length;
    }
  }
  field[length] = 0;
  field[3] = 0;
}

// The remainders are taken in 64 bits: INT32_MIN % -1 overflows in 32.
std::int32_t ReducedRatio(std::int32_t a, std::int32_t b) {
  while (b != 0) {
    std::int32_t remainder = std::int32_t(std::int64_t(a) % b);
    a = b;
    b = remainder;
  }
  return a;
}

void StoreAspectRatio(tagMediaInfo *info) {
  if (info->lWidth == 0 || info->lHeight == 0)
    return;
  std::int64_t divisor = ReducedRatio(info->lWidth, info->lHeight);
  // In 64 bits for the one quotient that leaves 32, INT32_MIN / -1; it
  // wraps back as the 32-bit division would on the control's platform.
  info->lAspectX = std::int32_t(info->lWidth / divisor);
  info->lAspectY = std::int32_t(info->lHeight / divisor);
}
