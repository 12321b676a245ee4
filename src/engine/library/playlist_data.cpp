// Playlist records: lazy items, edits stored row by row, change notice.
#include "engine/library/playlist_data.h"

#include <com.h>

#include "engine/library/media_library.h"
#include "engine/text/com_text.h"

namespace engine {

std::shared_ptr<PlaylistData> PlaylistData::Named(const std::u16string &name) {
  auto playlist = std::make_shared<PlaylistData>();
  playlist->name = name;
  return playlist;
}

std::shared_ptr<MediaLibrary> PlaylistData::SavedIn() const {
  return savedId ? library.lock() : nullptr;
}

void PlaylistData::Tell(WMPPlaylistChangeEventType kind) {
  if (listener) {
    auto notify = listener; // the listener may replace itself
    notify(kind);
  }
}

const std::vector<std::shared_ptr<MediaItem>> &PlaylistData::Items() {
  if (!itemsRead) {
    if (auto shared = SavedIn())
      shared->LoadItems(*this);
    itemsRead = true;
  }
  return items;
}

std::int32_t PlaylistData::InsertAs(std::size_t index, std::shared_ptr<MediaItem> item,
                                    WMPPlaylistChangeEventType kind) {
  Items();
  if (auto shared = SavedIn())
    if (std::int32_t status = shared->StoreInsert(*this, index, *item); FAILED(status))
      return status;
  items.insert(items.begin() + long(index), std::move(item));
  Tell(kind);
  return S_OK;
}

std::int32_t PlaylistData::Insert(std::size_t index, std::shared_ptr<MediaItem> item) {
  return InsertAs(index, std::move(item), wmplcInsert);
}

std::int32_t PlaylistData::Append(std::shared_ptr<MediaItem> item) {
  return InsertAs(Items().size(), std::move(item), wmplcAppend);
}

std::int32_t PlaylistData::RemoveAt(std::size_t index) {
  Items();
  if (auto shared = SavedIn())
    if (std::int32_t status = shared->StoreRemove(*this, index); FAILED(status))
      return status;
  items.erase(items.begin() + long(index));
  Tell(wmplcDelete);
  return S_OK;
}

std::int32_t PlaylistData::Move(std::size_t from, std::size_t to) {
  Items();
  if (auto shared = SavedIn())
    if (std::int32_t status = shared->StoreMove(*this, from, to); FAILED(status))
      return status;
  auto item = items[from];
  items.erase(items.begin() + long(from));
  items.insert(items.begin() + long(to), std::move(item));
  Tell(wmplcMove);
  return S_OK;
}

std::int32_t PlaylistData::Clear() {
  return Assign({}, wmplcClear);
}

std::int32_t PlaylistData::Assign(std::vector<std::shared_ptr<MediaItem>> newItems,
                                  WMPPlaylistChangeEventType kind) {
  itemsRead = true; // whatever was stored is replaced
  if (auto shared = SavedIn())
    if (std::int32_t status = shared->StoreAssign(*this, newItems); FAILED(status))
      return status;
  items = std::move(newItems);
  Tell(kind);
  return S_OK;
}

std::int32_t PlaylistData::Rename(const std::u16string &newName) {
  if (auto shared = SavedIn())
    if (std::int32_t status = shared->StorePlaylistName(*this, newName); FAILED(status))
      return status;
  name = newName;
  Tell(wmplcNameChange);
  return S_OK;
}

std::optional<std::u16string> PlaylistData::Attribute(const std::u16string &attribute) const {
  if (SameName(attribute, u"Name"))
    return name;
  for (auto &[key, value] : attributes)
    if (SameName(key, attribute))
      return value;
  return std::nullopt;
}

std::int32_t PlaylistData::SetAttribute(const std::u16string &attribute,
                                        const std::u16string &value) {
  if (SameName(attribute, u"Name"))
    return Rename(value);
  if (auto shared = SavedIn())
    if (std::int32_t status = shared->StorePlaylistAttribute(*this, attribute, value);
        FAILED(status))
      return status;
  if (value.empty())
    attributes.erase(attribute);
  else
    attributes[attribute] = value;
  Tell(wmplcInfoChange);
  return S_OK;
}

long PlaylistData::IndexOf(const MediaItem *item) {
  const auto &all = Items();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i].get() == item)
      return long(i);
  return -1;
}

} // namespace engine
