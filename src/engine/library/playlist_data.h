// A playlist as the engine knows it: a name, attributes and an ordered list
// of media records, shared by every IWMPPlaylist object that shows it. Two
// playlist objects are identical exactly when they show the same record.
//
// A saved playlist (savedId set) writes every change through to the media
// library's store. The engine whose current playlist this is listens to its
// changes through `listener`. Used on the host's thread.
#pragma once

#include <wmp.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/library/media_item.h"

namespace engine {

class MediaLibrary;

struct PlaylistData {
  std::u16string name;
  std::vector<std::shared_ptr<MediaItem>> items;
  std::map<std::u16string, std::u16string> attributes;
  std::optional<std::int64_t> savedId;
  bool deleted = false; // set aside in the library (setDeleted), not removed
  std::weak_ptr<MediaLibrary> library;
  std::function<void(WMPPlaylistChangeEventType)> listener;

  static std::shared_ptr<PlaylistData> Named(const std::u16string &name);

  // After an edit of `items`: stores a saved playlist's items and tells the
  // listener. False when the store refused the change.
  bool ItemsChanged(WMPPlaylistChangeEventType kind);
  // Renames; false when the store refused.
  bool Rename(const std::u16string &newName);
  // "Name" is the playlist's name; other attributes are free text.
  std::optional<std::u16string> Attribute(const std::u16string &attribute) const;
  bool SetAttribute(const std::u16string &attribute, const std::u16string &value);
  // The first position of `item`, or -1.
  long IndexOf(const MediaItem *item) const;
};

} // namespace engine
