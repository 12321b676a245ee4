#include "utf8.h"

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Lead byte of a multi-byte sequence: how many bytes follow, the bits it
// carries and the range its first continuation byte must fall in (which
// excludes overlong forms, encoded surrogates and values past U+10FFFF).
struct Lead {
  int following;
  unsigned char bits;
  unsigned char low;
  unsigned char high;
};

bool ReadLead(unsigned char byte, Lead *lead) {
  auto bits = [byte](unsigned mask) { return static_cast<unsigned char>(byte & mask); };
  if (byte >= 0xC2 && byte <= 0xDF) {
    *lead = {1, bits(0x1F), 0x80, 0xBF};
  } else if (byte == 0xE0) {
    *lead = {2, 0x00, 0xA0, 0xBF};
  } else if (byte == 0xED) {
    *lead = {2, 0x0D, 0x80, 0x9F};
  } else if (byte >= 0xE1 && byte <= 0xEF) {
    *lead = {2, bits(0x0F), 0x80, 0xBF};
  } else if (byte == 0xF0) {
    *lead = {3, 0x00, 0x90, 0xBF};
  } else if (byte >= 0xF1 && byte <= 0xF3) {
    *lead = {3, bits(0x07), 0x80, 0xBF};
  } else if (byte == 0xF4) {
    *lead = {3, 0x04, 0x80, 0x8F};
  } else {
    return false;
  }
  return true;
}

} // namespace

void AppendUtf8(char32_t c, std::string *out) {
  if (c < 0x80) {
    out->push_back(char(c));
  } else if (c < 0x800) {
    out->push_back(char(0xC0 | (c >> 6)));
    out->push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(char(0xE0 | (c >> 12)));
    out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(char(0x80 | (c & 0x3F)));
  } else {
    out->push_back(char(0xF0 | (c >> 18)));
    out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(char(0x80 | (c & 0x3F)));
  }
}

void AppendUtf16(char32_t c, std::u16string *out) {
  if (c < 0x10000) {
    out->push_back(char16_t(c));
  } else {
    c -= 0x10000;
    out->push_back(char16_t(0xD800 | (c >> 10)));
    out->push_back(char16_t(0xDC00 | (c & 0x3FF)));
  }
}

bool Utf16ToUtf8(const char16_t *text, std::size_t length, bool strict, std::string *out) {
  out->reserve(out->size() + length); // exact for ASCII, the common case
  for (std::size_t i = 0; i < length; ++i) {
    char32_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      if (strict)
        return false;
      AppendUtf8(kReplacement, out);
    } else {
      AppendUtf8(unit, out);
    }
  }
  return true;
}

bool Utf8ToUtf16(const char *bytes, std::size_t length, bool strict, std::u16string *out) {
  out->reserve(out->size() + length); // never fewer bytes than units
  const auto *in = reinterpret_cast<const unsigned char *>(bytes);
  std::size_t i = 0;
  while (i < length) {
    unsigned char byte = in[i];
    if (byte < 0x80) {
      out->push_back(byte);
      ++i;
      continue;
    }
    Lead lead;
    if (!ReadLead(byte, &lead)) {
      if (strict)
        return false;
      out->push_back(char16_t(kReplacement));
      ++i;
      continue;
    }
    // A broken sequence is replaced as a whole up to the byte that broke it,
    // which then starts afresh.
    char32_t c = lead.bits;
    std::size_t next = i + 1;
    int read = 0;
    for (; read < lead.following && next < length; ++read, ++next) {
      unsigned char low = read == 0 ? lead.low : 0x80;
      unsigned char high = read == 0 ? lead.high : 0xBF;
      if (in[next] < low || in[next] > high)
        break;
      c = (c << 6) | (in[next] & 0x3F);
    }
    if (read == lead.following) {
      AppendUtf16(c, out);
    } else {
      if (strict)
        return false;
      out->push_back(char16_t(kReplacement));
    }
    i = next;
  }
  return true;
}

} // namespace platform
