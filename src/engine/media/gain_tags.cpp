#include "engine/media/gain_tags.h"

#include <taglib/asffile.h>
#include <taglib/mp4file.h>
#include <taglib/tpropertymap.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "engine/media/tag_file.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// "-6.02 dB", "0.988", "-2822": the number that starts the text.
std::optional<double> NumberIn(const TagLib::StringList &values) {
  if (values.isEmpty())
    return std::nullopt;
  const std::string text = values.front().to8Bit(true);
  char *end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || errno != 0 || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<double> Property(const TagLib::PropertyMap &properties, const char *key) {
  const auto found = properties.find(key);
  return found == properties.end() ? std::nullopt : NumberIn(found->second);
}

// An MP4's iTunes freeform atoms, which TagLib's property map leaves out
// unless their names are upper case (mutagen and foobar2000 write them
// lower case): under their names after "----:com.apple.iTunes:".
void AddFreeformAtoms(TagLib::File *file, TagLib::PropertyMap &properties) {
  auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file);
  if (mp4 == nullptr || mp4->tag() == nullptr)
    return;
  const TagLib::String prefix = "----:com.apple.iTunes:";
  for (const auto &[key, item] : mp4->tag()->itemMap())
    if (key.startsWith(prefix)) {
      const TagLib::String name = key.substr(prefix.size()).upper();
      if (!properties.contains(name) && !item.toStringList().isEmpty())
        properties.insert(name, item.toStringList());
    }
}

// An ASF file's gains, attributes TagLib's property map leaves out:
// "replaygain_track_gain" and the like, as foobar2000 and mutagen write
// them, in any case.
void AddAsfAttributes(TagLib::File *file, TagLib::PropertyMap &properties) {
  auto *asf = dynamic_cast<TagLib::ASF::File *>(file);
  if (asf == nullptr || asf->tag() == nullptr)
    return;
  for (const auto &[key, attributes] : asf->tag()->attributeListMap()) {
    const TagLib::String name = key.upper();
    if ((name.startsWith("REPLAYGAIN_") || name.startsWith("R128_")) &&
        !properties.contains(name) && !attributes.isEmpty())
      properties.insert(name, TagLib::StringList(attributes.front().toString()));
  }
}

} // namespace

std::optional<GainTags> ReadGainTags(const std::u16string &path) {
  const TagFile tagged(Utf8Of(path));
  TagLib::File *file = tagged.Get();
  if (file == nullptr)
    return std::nullopt;
  TagLib::PropertyMap properties = file->properties();
  AddFreeformAtoms(file, properties);
  AddAsfAttributes(file, properties);
  GainTags tags;
  tags.trackGain = Property(properties, "REPLAYGAIN_TRACK_GAIN");
  tags.trackPeak = Property(properties, "REPLAYGAIN_TRACK_PEAK");
  tags.albumGain = Property(properties, "REPLAYGAIN_ALBUM_GAIN");
  tags.albumPeak = Property(properties, "REPLAYGAIN_ALBUM_PEAK");
  // Q7.8 dB towards -23 LUFS; no peak goes with them.
  const std::optional<double> r128Track = Property(properties, "R128_TRACK_GAIN");
  const std::optional<double> r128Album = Property(properties, "R128_ALBUM_GAIN");
  if (r128Track || r128Album) {
    tags = {};
    if (r128Track)
      tags.trackGain = *r128Track / 256 + 5;
    if (r128Album)
      tags.albumGain = *r128Album / 256 + 5;
  }
  return tags;
}

} // namespace engine
