#include "player/attribute_number.h"

#include <cstdint>

namespace {

// The white space of the "C" locale.
bool IsSpace(unsigned short c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool IsDigit(unsigned short c) {
  return c >= u'0' && c <= u'9';
}

} // namespace

std::int32_t AttributeNumber(const unsigned short *text) {
  if (text == nullptr)
    return 0;
  while (IsSpace(*text))
    ++text;
  bool negative = false;
  if (*text == u'+' || *text == u'-') {
    negative = *text == u'-';
    ++text;
  }
  // Accumulated as a magnitude, stopping at the limit so that it cannot
  // overflow however many digits follow.
  const std::int64_t limit = negative ? std::int64_t(INT32_MAX) + 1 : INT32_MAX;
  std::int64_t magnitude = 0;
  for (; IsDigit(*text); ++text) {
    magnitude = magnitude * 10 + (*text - u'0');
    if (magnitude >= limit) {
      magnitude = limit;
      while (IsDigit(*text))
        ++text;
      break;
    }
  }
  return std::int32_t(negative ? -magnitude : magnitude);
}
