// The host's view of what levelling knows of a file (audioplayer_loudness.h):
// its gain tags, and the library's measure of it.
#include <audioplayer_loudness.h>
#include <com.h>
#include <sys/stat.h>

#include "engine/library/media_library.h"
#include "engine/media/gain_tags.h"
#include "engine/media/media_fragment.h"
#include "engine/text/utf8_text.h"

extern "C" long AudioPlayerLoudnessOf(const unsigned short *mediaPath,
                                      AudioPlayerLoudness *loudness) {
  if (mediaPath == nullptr || loudness == nullptr)
    return E_INVALIDARG;
  std::u16string url;
  for (const unsigned short *at = mediaPath; *at; ++at)
    url += char16_t(*at);
  const std::u16string file = engine::PlayedPart(url).file;
  struct stat info {};
  if (::stat(engine::Utf8Of(file).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return std::int32_t(0x80070002);
  *loudness = {};
  if (const std::optional<engine::GainTags> tags = engine::ReadGainTags(file)) {
    loudness->hasTrackGain = tags->trackGain.has_value();
    loudness->trackGainDb = tags->trackGain.value_or(0);
    loudness->trackPeak = tags->trackPeak.value_or(0);
    loudness->hasAlbumGain = tags->albumGain.has_value();
    loudness->albumGainDb = tags->albumGain.value_or(0);
    loudness->albumPeak = tags->albumPeak.value_or(0);
  }
  std::optional<engine::LibraryStore::FileStamp> now;
  if (const auto measure = engine::MediaLibrary::Shared()->LoudnessOf(file, &now)) {
    loudness->measured = 1;
    loudness->measuredLufs = measure->lufs;
    loudness->measuredPeak = measure->peak;
  }
  return loudness->hasTrackGain || loudness->hasAlbumGain || loudness->measured ? S_OK : S_FALSE;
}
