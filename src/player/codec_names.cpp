#include "player/codec_names.h"

#include <cstdint>

#include "player/attribute_number.h"

namespace {

struct CodecName {
  const char16_t *key;
  const char16_t *name;
};

const CodecName kAudioCodecs[] = {
    {u"355", u"Windows Media Audio Lossless"},
    {u"353", u"Windows Media Audio"},
    {u"354", u"Windows Media Audio 9"},
    {u"10", u"Windows Media Audio 9 Voice"},
    {u"304", u"Sipro Labs ACELP"},
    {u"534", u"DV Audio PAL"},
    {u"533", u"DV Audio NTSC"},
    {u"50", u"Mpeg-1 Audio Layer 2"},
    {u"85", u"MPEG Layer-3"},
    {u"34", u"DSP Group TrueSpeed(TM)"},
    {u"1", u"PCM"},
    {u"2", u"MS ADPCM"},
    {u"17", u"IMA ADPCM"},
    {u"6", u"CCITT A-Law"},
    {u"7", u"CCITT u-Law"},
};

const CodecName kVideoCodecs[] = {
    {u"WMV1", u"Windows Media Video 7"},
    {u"WMV2", u"Windows Media Video 8"},
    {u"WMV3", u"Windows Media Video 9"},
    {u"WMVP", u"Windows Media Video 9"},
    {u"WMVA", u"Windows Media Video 9 Advanced Profile"},
};

const char16_t kOther[] = u"Other";

bool SameText(const unsigned short *text, const char16_t *key) {
  for (; *text != 0 || *key != 0; ++text, ++key)
    if (*text != *key)
      return false;
  return true;
}

template <std::size_t N>
const char16_t *Lookup(const CodecName (&table)[N], const unsigned short *text) {
  for (const CodecName &entry : table)
    if (SameText(text, entry.key))
      return entry.name;
  return kOther;
}

void WriteName(const char16_t *name, unsigned short *out) {
  do
    *out++ = *name;
  while (*name++ != 0);
}

bool IsMissing(const unsigned short *text, const unsigned short *out) {
  return text == nullptr || text[0] == 0 || out == nullptr;
}

} // namespace

HRESULT AudioCodecName(const unsigned short *formatTag, unsigned short *name) {
  if (IsMissing(formatTag, name))
    return E_FAIL;
  WriteName(Lookup(kAudioCodecs, formatTag), name);
  return S_OK;
}

HRESULT VideoCodecName(unsigned short *fourCC, unsigned short *name) {
  if (IsMissing(fourCC, name))
    return E_FAIL;
  std::uint32_t code = std::uint32_t(AttributeNumber(fourCC));
  for (int i = 0; i < 4; ++i) {
    auto byte = std::int8_t(std::uint8_t(code >> (8 * i)));
    fourCC[i] = static_cast<unsigned short>(byte);
  }
  fourCC[4] = 0;
  WriteName(Lookup(kVideoCodecs, fourCC), name);
  return S_OK;
}
