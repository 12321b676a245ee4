// A playlist as the engine knows it: a name, attributes and an ordered list
// of media records, shared by every IWMPPlaylist object that shows it. Two
// playlist objects are identical exactly when they show the same record.
//
// A saved playlist (savedId set) reads its items from the media library
// when they are first needed, and stores each edit as it is made: one row
// inserted, removed or moved (MediaLibrary::Store*), never the whole list.
// An edit the library refuses changes nothing. The engine whose current
// playlist this is hears each change through `listener`. Used on the host's
// thread.
#pragma once

#include <wmp.h>

#include <cstddef>
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
  std::map<std::u16string, std::u16string> attributes;
  std::optional<std::int64_t> savedId;
  bool deleted = false; // set aside in the library (setDeleted), not removed
  std::weak_ptr<MediaLibrary> library;
  std::function<void(WMPPlaylistChangeEventType)> listener;

  static std::shared_ptr<PlaylistData> Named(const std::u16string &name);

  // The items, read from the library first if need be; a saved playlist
  // whose items cannot be read shows none.
  const std::vector<std::shared_ptr<MediaItem>> &Items();
  std::size_t Count() { return Items().size(); }

  // Edits; each tells the listener. Indexes are checked by the caller.
  std::int32_t Insert(std::size_t index, std::shared_ptr<MediaItem> item);
  std::int32_t Append(std::shared_ptr<MediaItem> item);
  std::int32_t RemoveAt(std::size_t index);
  std::int32_t Move(std::size_t from, std::size_t to);
  std::int32_t Clear();
  // Replaces every item: one change.
  std::int32_t Assign(std::vector<std::shared_ptr<MediaItem>> items,
                      WMPPlaylistChangeEventType kind);
  std::int32_t Rename(const std::u16string &newName);
  // "Name" is the playlist's name; other attributes are free text.
  std::optional<std::u16string> Attribute(const std::u16string &attribute) const;
  std::int32_t SetAttribute(const std::u16string &attribute, const std::u16string &value);
  // The first position of `item`, or -1.
  long IndexOf(const MediaItem *item);

  // The library's bookkeeping of a saved playlist, once its items are read:
  // the database row and the order key of each item, in order.
  std::vector<std::int64_t> storedRows;
  std::vector<std::int64_t> storedKeys;
  std::vector<std::shared_ptr<MediaItem>> items; // read through Items()
  bool itemsRead = true;

private:
  std::shared_ptr<MediaLibrary> SavedIn() const;
  std::int32_t InsertAs(std::size_t index, std::shared_ptr<MediaItem> item,
                        WMPPlaylistChangeEventType kind);
  void Tell(WMPPlaylistChangeEventType kind);
};

} // namespace engine
