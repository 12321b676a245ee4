// The back end's path and text handling on arbitrary UTF-16 text (the input
// read as little-endian units, up to the first NUL): the 259-unit URL cut,
// the 424-unit and 3-unit copies into the media information record, number
// parsing, codec naming and the playlist path split. The first 8 bytes are
// also an image size for the aspect ratio.
//
// Each routine's result is checked against its contract, not only for
// crashes.
#include "player/attribute_number.h"
#include "player/codec_names.h"
#include "player/host_text.h"
#include "player/media_info_record.h"
#include "playlist/playlist_file_name.h"
#include "player/url_buffer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Units = std::u16string;

void Require(bool condition) {
  if (!condition)
    std::abort();
}

const unsigned short *AsHost(const Units &text) {
  return reinterpret_cast<const unsigned short *>(text.c_str());
}

std::u16string_view Written(const unsigned short *field) {
  return std::u16string_view(reinterpret_cast<const char16_t *>(field));
}

constexpr unsigned short kUntouched = 0xA5A5;

// Whether [from, to) still holds kUntouched. Compared with memcmp: a loop
// here would be instrumented and cost more than the code under test.
bool Untouched(const unsigned short *from, const unsigned short *to) {
  static const auto pattern = [] {
    std::vector<unsigned short> units(kHostTextUnits);
    std::fill(units.begin(), units.end(), kUntouched);
    return units;
  }();
  return from >= to || std::memcmp(from, pattern.data(), std::size_t(to - from) * 2) == 0;
}

// The URL handed to the control is the text's first 259 units at most.
void CheckUrlBuffer(const Units &text) {
  CComBSTR url = UrlBufferText(AsHost(text));
  Require(url.m_str != nullptr);
  const std::size_t expected = std::min<std::size_t>(text.size(), kUrlBufferUnits - 1);
  Require(url.Length() == expected);
  Require(std::u16string_view(url.m_str, url.Length()) ==
          std::u16string_view(text).substr(0, expected));
}

// A copy into a field of N units holds the text's first N - 1 at most, a NUL
// after them when it fits and always at N - 1; nothing else is written.
template <std::size_t N> void CheckFieldCopy(const unsigned short (&field)[N], const Units &text) {
  const std::size_t copied = std::min(text.size(), N - 1);
  Require(std::u16string_view(reinterpret_cast<const char16_t *>(field), copied) ==
          std::u16string_view(text).substr(0, copied));
  Require(field[copied] == 0);
  Require(field[N - 1] == 0);
  Require(Untouched(field + copied + 1, field + N - 1));
}

void CheckHostText(const Units &text) {
  unsigned short field[kHostTextUnits];
  std::fill(std::begin(field), std::end(field), kUntouched);
  CopyHostText(field, text.c_str());
  CheckFieldCopy(field, text);

  unsigned short fileType[4];
  std::fill(std::begin(fileType), std::end(fileType), kUntouched);
  StoreFileType(fileType, text.c_str());
  CheckFieldCopy(fileType, text);
}

bool IsCSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// strtol as Windows has it, with a 32-bit long: saturates instead of
// tracking the exact magnitude.
std::int32_t ReferenceNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i]))
    ++i;
  std::int64_t sign = 1;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
    sign = text[i++] == u'-' ? -1 : 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    magnitude = std::min<std::int64_t>(magnitude * 10 + (text[i] - u'0'), 10'000'000'000);
  return std::int32_t(std::clamp<std::int64_t>(sign * magnitude, INT32_MIN, INT32_MAX));
}

void CheckNumber(const Units &text) {
  Require(AttributeNumber(AsHost(text)) == ReferenceNumber(text));
}

const std::u16string_view kCodecNames[] = {
    u"Windows Media Audio Lossless",
    u"Windows Media Audio",
    u"Windows Media Audio 9",
    u"Windows Media Audio 9 Voice",
    u"Sipro Labs ACELP",
    u"DV Audio PAL",
    u"DV Audio NTSC",
    u"Mpeg-1 Audio Layer 2",
    u"MPEG Layer-3",
    u"DSP Group TrueSpeed(TM)",
    u"PCM",
    u"MS ADPCM",
    u"IMA ADPCM",
    u"CCITT A-Law",
    u"CCITT u-Law",
    u"Windows Media Video 7",
    u"Windows Media Video 8",
    u"Windows Media Video 9",
    u"Windows Media Video 9 Advanced Profile",
};

bool IsKnownName(std::u16string_view name) {
  return std::find(std::begin(kCodecNames), std::end(kCodecNames), name) != std::end(kCodecNames);
}

// A name written by a naming routine ends within kCodecNameUnits and
// nothing after its NUL is touched.
std::u16string_view CheckNameField(const unsigned short (&name)[kHostTextUnits]) {
  const std::u16string_view written = Written(name);
  Require(written.size() < std::size_t(kCodecNameUnits));
  Require(Untouched(name + written.size() + 1, name + kHostTextUnits));
  return written;
}

bool IsFormatTagKey(std::u16string_view text) {
  return !text.empty() && text.size() <= 3 && text[0] != u'0' &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// The record's codec fields are named from the text as cut to 424 units.
void CheckCodecNames(const Units &text) {
  unsigned short local[kHostTextUnits] = {};
  CopyHostText(local, text.c_str());
  const std::u16string_view cut = Written(local);

  unsigned short name[kHostTextUnits];
  std::fill(std::begin(name), std::end(name), kUntouched);
  const HRESULT audio = AudioCodecName(local, name);
  if (cut.empty()) {
    Require(audio == E_FAIL && name[0] == kUntouched);
  } else {
    Require(audio == S_OK);
    const std::u16string_view written = CheckNameField(name);
    Require(written == u"Other" || (IsKnownName(written) && IsFormatTagKey(cut)));
  }

  std::fill(std::begin(name), std::end(name), kUntouched);
  const std::int32_t number = ReferenceNumber(cut);
  const HRESULT video = VideoCodecName(local, name);
  if (cut.empty()) {
    Require(video == E_FAIL && name[0] == kUntouched);
    return;
  }
  Require(video == S_OK);
  for (int i = 0; i < 4; ++i)
    Require(local[i] == static_cast<unsigned short>(std::int8_t(std::uint32_t(number) >> (8 * i))));
  Require(local[4] == 0);
  const std::u16string_view written = CheckNameField(name);
  Require(written == u"Other" || (IsKnownName(written) && Written(local).size() == 4 &&
                                  Written(local).starts_with(u"WMV")));

  // The smallest text the routine may be given: 5 units, rewritten in place.
  if (text.size() < 5) {
    auto five = std::make_unique<unsigned short[]>(5);
    std::copy(text.begin(), text.end(), five.get());
    five[text.size()] = 0;
    VideoCodecName(five.get(), name);
    Require(five[4] == 0);
  }
}

bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

char16_t UpperAscii(char16_t c) {
  return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
}

void CheckPlaylistPath(const Units &text) {
  const PlaylistFileName split = SplitPlaylistPath(AsHost(text));
  const std::u16string_view base(split.baseName), extension(split.extension);
  const Units fileName = split.baseName + split.extension;
  Require(std::u16string_view(text).ends_with(fileName));
  Require(std::none_of(fileName.begin(), fileName.end(), IsSeparator));
  if (extension.empty())
    Require(base.find(u'.') == std::u16string_view::npos);
  else
    Require(extension[0] == u'.' && extension.find(u'.', 1) == std::u16string_view::npos);
  // What comes before the file name is a directory or a drive.
  const std::u16string_view before =
      std::u16string_view(text).substr(0, text.size() - fileName.size());
  Require(before.empty() || IsSeparator(before.back()) ||
          (before.size() == 2 && before[1] == u':'));

  Units upper;
  for (char16_t c : extension)
    upper += UpperAscii(c);
  const bool known = upper == u".ASX" || upper == u".M3U" || upper == u".WPL";
  Require(PlaylistFormatOf(split.extension).has_value() == known);
}

std::int64_t Magnitude(std::int32_t value) {
  return value < 0 ? -std::int64_t(value) : value;
}

// The record reset keeps only the mask; the aspect ratio is the image size
// in lowest terms, congruent to it modulo 2^32 (the one 32-bit overflow
// wraps).
void CheckMediaRecord(const std::uint8_t *data, std::size_t size) {
  static const tagMediaInfo zero{};
  auto record = std::make_unique<tagMediaInfo>();
  std::memset(record.get(), data[0], sizeof *record);
  const std::uint32_t mask = record->dwMask;
  Require(ResetMediaInfo(record.get()) == mask && record->dwMask == mask);
  record->dwMask = 0;
  Require(std::memcmp(record.get(), &zero, sizeof zero) == 0);

  if (size < 8)
    return;
  std::int32_t width, height;
  std::memcpy(&width, data, 4);
  std::memcpy(&height, data + 4, 4);
  record->lWidth = width;
  record->lHeight = height;
  record->lAspectX = 7;
  record->lAspectY = 11;
  StoreAspectRatio(record.get());
  if (width == 0 || height == 0) {
    Require(record->lAspectX == 7 && record->lAspectY == 11);
    return;
  }
  const std::int32_t divisor = ReducedRatio(width, height);
  Require(Magnitude(divisor) == std::gcd(Magnitude(width), Magnitude(height)));
  Require(std::gcd(Magnitude(record->lAspectX), Magnitude(record->lAspectY)) == 1);
  Require(std::uint32_t(std::int64_t(record->lAspectX) * divisor) == std::uint32_t(width));
  Require(std::uint32_t(std::int64_t(record->lAspectY) * divisor) == std::uint32_t(height));
}

// Null text reads as empty everywhere.
void CheckNullText() {
  Require(UrlBufferText(nullptr).Length() == 0);
  unsigned short field[kHostTextUnits];
  std::fill(std::begin(field), std::end(field), kUntouched);
  CopyHostText(field, nullptr);
  Require(field[0] == 0 && field[kHostTextUnits - 1] == 0);
  Require(AttributeNumber(nullptr) == 0);
  Require(AudioCodecName(nullptr, field) == E_FAIL && VideoCodecName(nullptr, field) == E_FAIL);
  Require(SplitPlaylistPath(nullptr).baseName.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size == 0) {
    CheckNullText();
    return 0;
  }
  Units text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const char16_t unit = char16_t(data[i] | data[i + 1] << 8);
    if (unit == 0)
      break;
    text += unit;
  }
  CheckUrlBuffer(text);
  CheckHostText(text);
  CheckNumber(text);
  CheckCodecNames(text);
  CheckPlaylistPath(text);
  CheckMediaRecord(data, size);
  return 0;
}
