// The text tags the control shows and a host may edit, by the control's
// attribute names and TagLib's property names: what the tag reader fills
// and the tag writer writes into a file.
#pragma once

#include <string>

#include "engine/text/com_text.h"

namespace engine {

struct TagProperty {
  const char *property;
  const char16_t *attribute;
};

inline constexpr TagProperty kTagProperties[] = {
    {"TITLE", u"Title"},    {"ARTIST", u"Author"},           {"ALBUM", u"Album"},
    {"GENRE", u"WM/Genre"}, {"ALBUMARTIST", u"AlbumArtist"}, {"COMPOSER", u"WM/Composer"},
};

// The entry of a file attribute (its name in any case); null for an
// attribute files do not carry.
inline const TagProperty *TagPropertyOf(const std::u16string &attribute) {
  for (const TagProperty &entry : kTagProperties)
    if (SameName(attribute, entry.attribute))
      return &entry;
  return nullptr;
}

} // namespace engine
