// A media item as the engine knows it: one record per file or URL, shared
// by every playlist that holds it and every IWMPMedia object that shows it.
// Two media objects are identical exactly when they show the same record.
//
// A record reads its file's attributes once, on the first question that
// needs them. A record of the media library (libraryId set) was read when
// it entered the library and writes its attribute changes through to it.
// Records are used on the host's thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace engine {

class MediaLibrary;

struct MediaItem {
  std::u16string url;
  std::map<std::u16string, std::u16string> attributes; // by the control's names
  double duration = 0;                                 // seconds
  long width = 0;                                      // image source size, 0 for audio
  long height = 0;
  bool attributesRead = false;
  // The file's size and modification time (ns) when a library record's
  // attributes were read; -1 when unknown.
  std::int64_t fileSize = -1;
  std::int64_t fileModified = -1;
  std::optional<std::int64_t> libraryId;
  std::weak_ptr<MediaLibrary> library;
  // What a playlist file calls the item (#EXTINF, TitleN, <title>): its
  // name when the file itself gives no title.
  std::u16string listTitle;
  // Other URLs of the same entry, tried in order when this one cannot be
  // played (an ASX entry's further refs).
  std::vector<std::u16string> alternatives;
  // A playlist by URL whose fetch failed while the playlist naming it was
  // read: the first time it is reached it fails at once, as the server has
  // just said.
  bool unreachable = false;

  // A record not in the library; its attributes are read when first asked.
  static std::shared_ptr<MediaItem> ForUrl(const std::u16string &url);

  // Reads the file's attributes if that has not been done yet.
  void EnsureAttributes();
  // The title, else the playlist's title for it, else the file name
  // without its folder and extension.
  std::u16string Name();
  // "Name" is the title; absent attributes give nullopt.
  std::optional<std::u16string> Attribute(const std::u16string &name);
  // Attributes that come from the file itself cannot be written.
  static bool IsReadOnly(const std::u16string &name);
  // E_ACCESSDENIED for a read-only attribute, the library's status when it
  // cannot store it; an empty value removes the attribute.
  std::int32_t SetAttribute(const std::u16string &name, const std::u16string &value);
  // The names of the attributes the item has, "Name" first.
  std::vector<std::u16string> AttributeNames();
};

} // namespace engine
