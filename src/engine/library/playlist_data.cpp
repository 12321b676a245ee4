// Playlist records: write-through of saved playlists and change notice.
#include "engine/library/playlist_data.h"

#include "engine/text/com_text.h"
#include "engine/library/media_library.h"

namespace engine {

std::shared_ptr<PlaylistData> PlaylistData::Named(const std::u16string &name) {
  auto playlist = std::make_shared<PlaylistData>();
  playlist->name = name;
  return playlist;
}

bool PlaylistData::ItemsChanged(WMPPlaylistChangeEventType kind) {
  bool stored = true;
  if (savedId) {
    auto shared = library.lock();
    stored = shared && shared->StorePlaylistItems(*this);
  }
  if (listener) {
    auto notify = listener; // the listener may replace itself
    notify(kind);
  }
  return stored;
}

bool PlaylistData::Rename(const std::u16string &newName) {
  if (savedId) {
    auto shared = library.lock();
    if (!shared || !shared->StorePlaylistName(*this, newName))
      return false;
  }
  name = newName;
  if (listener) {
    auto notify = listener;
    notify(wmplcNameChange);
  }
  return true;
}

std::optional<std::u16string> PlaylistData::Attribute(const std::u16string &attribute) const {
  if (SameName(attribute, u"Name"))
    return name;
  for (auto &[key, value] : attributes)
    if (SameName(key, attribute))
      return value;
  return std::nullopt;
}

bool PlaylistData::SetAttribute(const std::u16string &attribute, const std::u16string &value) {
  if (SameName(attribute, u"Name"))
    return Rename(value);
  if (savedId) {
    auto shared = library.lock();
    if (!shared || !shared->StorePlaylistAttribute(*this, attribute, value))
      return false;
  }
  if (value.empty())
    attributes.erase(attribute);
  else
    attributes[attribute] = value;
  if (listener) {
    auto notify = listener;
    notify(wmplcInfoChange);
  }
  return true;
}

long PlaylistData::IndexOf(const MediaItem *item) const {
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i].get() == item)
      return long(i);
  return -1;
}

} // namespace engine
