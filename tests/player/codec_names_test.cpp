// The codec display names: exact keys, the four-character code formed from
// the decimal "FourCC" text, and "Other" versus nothing at all.
#include "player/codec_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using Units = std::basic_string<unsigned short>;

std::string Ascii(const Units &text) {
  std::string out;
  for (unsigned short c : text)
    out.push_back(c < 0x80 ? char(c) : '?');
  return out;
}

Units U(const std::u16string &text) {
  return {text.begin(), text.end()};
}

// The name written for the text, or "<failed>" with the output untouched.
std::string AudioName(const std::u16string &formatTag) {
  Units text = U(formatTag);
  unsigned short out[kCodecNameUnits + 1];
  std::fill(std::begin(out), std::end(out), 0xAAAA);
  if (AudioCodecName(text.c_str(), out) != S_OK)
    return std::all_of(std::begin(out), std::end(out), [](auto c) { return c == 0xAAAA; })
               ? "<failed>"
               : "<failed, output written>";
  return Ascii(Units(out));
}

struct VideoResult {
  std::string name;
  Units code; // the first five units of the text after the call
};
VideoResult VideoName(const std::u16string &fourCC) {
  unsigned short text[425] = {};
  std::copy(fourCC.begin(), fourCC.end(), text);
  unsigned short out[kCodecNameUnits + 1];
  std::fill(std::begin(out), std::end(out), 0xAAAA);
  HRESULT status = VideoCodecName(text, out);
  std::string name = status == S_OK ? Ascii(Units(out)) : "<failed>";
  if (status != S_OK && out[0] != 0xAAAA)
    name = "<failed, output written>";
  return {name, Units(text, text + 5)};
}

TEST(AudioCodecName, NamesTheKnownFormatTagsByTheirExactText) {
  const std::vector<std::pair<std::u16string, std::string>> known = {
      {u"355", "Windows Media Audio Lossless"},
      {u"353", "Windows Media Audio"},
      {u"354", "Windows Media Audio 9"},
      {u"10", "Windows Media Audio 9 Voice"},
      {u"304", "Sipro Labs ACELP"},
      {u"534", "DV Audio PAL"},
      {u"533", "DV Audio NTSC"},
      {u"50", "Mpeg-1 Audio Layer 2"},
      {u"85", "MPEG Layer-3"},
      {u"34", "DSP Group TrueSpeed(TM)"},
      {u"1", "PCM"},
      {u"2", "MS ADPCM"},
      {u"17", "IMA ADPCM"},
      {u"6", "CCITT A-Law"},
      {u"7", "CCITT u-Law"},
  };
  for (auto &[tag, name] : known)
    EXPECT_EQ(AudioName(tag), name) << Ascii(U(tag));
  // No number parsing and no trimming: only the exact text matches.
  for (std::u16string other : {u"085", u"0x55", u" 85", u"85 ", u"80", u"3550", u"pcm", u"-1"})
    EXPECT_EQ(AudioName(other), "Other") << Ascii(U(other));
}

TEST(AudioCodecName, MissingTextOrOutputWritesNothing) {
  EXPECT_EQ(AudioName(u""), "<failed>"); // an empty tag is no name, not "Other"
  unsigned short out[kCodecNameUnits] = {};
  EXPECT_EQ(AudioCodecName(nullptr, out), E_FAIL);
  EXPECT_EQ(out[0], 0);
  Units tag = U(u"85");
  EXPECT_EQ(AudioCodecName(tag.c_str(), nullptr), E_FAIL);
}

TEST(VideoCodecName, FormsTheFourCharacterCodeAndNamesIt) {
  auto wmv1 = VideoName(u"827739479");
  EXPECT_EQ(wmv1.name, "Windows Media Video 7");
  EXPECT_EQ(wmv1.code, (Units{'W', 'M', 'V', '1', 0})); // replaced in place
  EXPECT_EQ(VideoName(u"844516695").name, "Windows Media Video 8");
  EXPECT_EQ(VideoName(u"861293911").name, "Windows Media Video 9");
  EXPECT_EQ(VideoName(u"1347833175").name, "Windows Media Video 9");
  EXPECT_EQ(VideoName(u"1096174935").name, "Windows Media Video 9 Advanced Profile");
  // Parsed like wcstol: blanks and sign, digits up to the first non-digit.
  EXPECT_EQ(VideoName(u"  +861293911kbps").name, "Windows Media Video 9");

  auto mp43 = VideoName(u"859066445");
  EXPECT_EQ(mp43.name, "Other");
  EXPECT_EQ(mp43.code, (Units{'M', 'P', '4', '3', 0}));
  // The letters themselves are no number: code 0, an empty text, "Other".
  auto letters = VideoName(u"WMV3");
  EXPECT_EQ(letters.name, "Other");
  EXPECT_EQ(letters.code, (Units{0, 0, 0, 0, 0}));
}

TEST(VideoCodecName, WidensEachByteAsSigned8BitsAndClampsTheNumber) {
  // -1 is four 0xFF bytes, each widened to 0xFFFF.
  EXPECT_EQ(VideoName(u"-1").code, (Units{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0}));
  // Too large for 32 bits: 2147483647, bytes FF FF FF 7F.
  auto clamped = VideoName(u"99999999999");
  EXPECT_EQ(clamped.code, (Units{0xFFFF, 0xFFFF, 0xFFFF, 0x7F, 0}));
  EXPECT_EQ(clamped.name, "Other");
  // 0x80 widens to 0xFF80, not 0x0080.
  EXPECT_EQ(VideoName(u"128").code, (Units{0xFF80, 0, 0, 0, 0}));
}

TEST(VideoCodecName, MissingTextOrOutputWritesNothing) {
  auto empty = VideoName(u"");
  EXPECT_EQ(empty.name, "<failed>");
  unsigned short out[kCodecNameUnits] = {};
  EXPECT_EQ(VideoCodecName(nullptr, out), E_FAIL);
  unsigned short text[5] = {'1', '2', 0, 0, 0};
  EXPECT_EQ(VideoCodecName(text, nullptr), E_FAIL);
  EXPECT_EQ(text[0], '1'); // not replaced either
}

} // namespace
