// The library's records over the store.
#include "engine/library/media_library.h"

#include <com.h>

#include <filesystem>

#include "engine/library/attribute_reader.h"
#include "engine/text/com_text.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// Kept as a playlist attribute, shown through PlaylistData::deleted instead.
const char16_t kDeletedAttribute[] = u"IsDeleted";
const std::int32_t kFileNotFound = std::int32_t(0x80070002);

bool IsLocalPath(const std::u16string &url) {
  return url.find(u"://") == std::u16string::npos || url.rfind(u"file://", 0) == 0;
}

bool LocalFileMissing(const std::u16string &url) {
  if (!IsLocalPath(url))
    return false;
  std::u16string path = url.rfind(u"file://", 0) == 0 ? url.substr(7) : url;
  std::error_code error;
  return !std::filesystem::exists(std::filesystem::path(Utf8Of(path)), error);
}

long NumberOf(const std::map<std::u16string, std::u16string> &attributes, const char16_t *name) {
  auto found = attributes.find(name);
  return found == attributes.end() ? 0 : std::atol(Utf8Of(found->second).c_str());
}

} // namespace

std::shared_ptr<MediaLibrary> MediaLibrary::Shared() {
  static std::mutex mutex;
  static std::weak_ptr<MediaLibrary> shared;
  std::lock_guard lock(mutex);
  auto library = shared.lock();
  if (!library) {
    library = std::make_shared<MediaLibrary>(LibraryStore::Open(LibraryStore::DefaultPath()));
    shared = library;
  }
  return library;
}

MediaLibrary::MediaLibrary(std::unique_ptr<LibraryStore> store) : store_(std::move(store)) {}

std::shared_ptr<MediaItem> MediaLibrary::Record(const LibraryStore::Item &stored) {
  auto &cached = items_[stored.id];
  if (auto item = cached.lock())
    return item;
  auto item = std::make_shared<MediaItem>();
  item->url = stored.url;
  item->attributes = stored.attributes;
  item->attributesRead = true; // read when it entered the library
  item->duration = std::atof(Utf8Of(item->Attribute(u"Duration").value_or(u"0")).c_str());
  item->width = NumberOf(item->attributes, u"WM/VideoWidth");
  item->height = NumberOf(item->attributes, u"WM/VideoHeight");
  item->libraryId = stored.id;
  item->library = weak_from_this();
  cached = item;
  return item;
}

std::shared_ptr<MediaItem> MediaLibrary::RecordById(std::int64_t id) {
  auto cached = items_.find(id);
  if (cached != items_.end())
    if (auto item = cached->second.lock())
      return item;
  auto stored = store_->GetItem(id);
  return stored ? Record(*stored) : nullptr;
}

std::shared_ptr<MediaItem> MediaLibrary::Find(const std::u16string &url) {
  std::lock_guard lock(mutex_);
  if (!store_)
    return nullptr;
  auto stored = store_->FindItemByUrl(url);
  return stored ? Record(*stored) : nullptr;
}

std::int32_t MediaLibrary::Add(const std::u16string &url, std::shared_ptr<MediaItem> *out,
                               bool *entered) {
  std::lock_guard lock(mutex_);
  out->reset();
  if (entered)
    *entered = false;
  if (!store_ || url.empty())
    return E_FAIL;
  if ((*out = Find(url)))
    return S_OK;
  if (LocalFileMissing(url))
    return kFileNotFound;
  FileAttributes read;
  if (!ReadFileAttributes(url, read))
    read.text[u"SourceURL"] = url;
  if (read.width)
    read.text[u"WM/VideoWidth"] = Utf16Of(std::to_string(read.width));
  if (read.height)
    read.text[u"WM/VideoHeight"] = Utf16Of(std::to_string(read.height));
  auto id = store_->AddItem(url, read.text);
  if (!id)
    return E_FAIL;
  *out = Record(LibraryStore::Item{*id, url, read.text});
  if (entered)
    *entered = true;
  return S_OK;
}

bool MediaLibrary::Remove(MediaItem &item) {
  std::lock_guard lock(mutex_);
  if (!store_ || !item.libraryId || !store_->RemoveItem(*item.libraryId))
    return false;
  items_.erase(*item.libraryId);
  item.libraryId.reset(); // holders keep a plain record of the file
  return true;
}

std::vector<std::shared_ptr<MediaItem>> MediaLibrary::All() {
  std::lock_guard lock(mutex_);
  std::vector<std::shared_ptr<MediaItem>> all;
  if (store_)
    for (auto id : store_->AllItems())
      if (auto item = RecordById(id))
        all.push_back(item);
  return all;
}

std::vector<std::shared_ptr<MediaItem>> MediaLibrary::ByAttribute(const std::u16string &name,
                                                                  const std::u16string &value) {
  std::lock_guard lock(mutex_);
  std::vector<std::shared_ptr<MediaItem>> found;
  if (store_)
    for (auto id : store_->ItemsByAttribute(name, value))
      if (auto item = RecordById(id))
        found.push_back(item);
  return found;
}

bool MediaLibrary::StoreItemAttribute(std::int64_t id, const std::u16string &name,
                                      const std::u16string &value) {
  std::lock_guard lock(mutex_);
  return store_ && store_->SetItemAttribute(id, name, value);
}

std::shared_ptr<MediaItem> MediaLibrary::ItemForUrl(const std::u16string &url) {
  auto item = Find(url);
  return item ? item : MediaItem::ForUrl(url);
}

std::shared_ptr<PlaylistData> MediaLibrary::PlaylistRecord(std::int64_t id) {
  auto &cached = playlists_[id];
  if (auto playlist = cached.lock())
    return playlist;
  auto stored = store_->GetPlaylist(id);
  if (!stored)
    return nullptr;
  auto playlist = PlaylistData::Named(stored->name);
  for (auto &url : stored->urls)
    playlist->items.push_back(ItemForUrl(url));
  for (auto &[name, value] : stored->attributes) {
    if (name == kDeletedAttribute)
      playlist->deleted = value == u"1";
    else
      playlist->attributes[name] = value;
  }
  playlist->savedId = id;
  playlist->library = weak_from_this();
  cached = playlist;
  return playlist;
}

std::vector<std::shared_ptr<PlaylistData>> MediaLibrary::Playlists() {
  std::lock_guard lock(mutex_);
  std::vector<std::shared_ptr<PlaylistData>> all;
  if (store_)
    for (auto id : store_->PlaylistIds())
      if (auto playlist = PlaylistRecord(id); playlist && !playlist->deleted)
        all.push_back(playlist);
  return all;
}

std::vector<std::shared_ptr<PlaylistData>>
MediaLibrary::PlaylistsNamed(const std::u16string &name) {
  std::lock_guard lock(mutex_);
  std::vector<std::shared_ptr<PlaylistData>> found;
  if (store_)
    for (auto id : store_->PlaylistsByName(name))
      if (auto playlist = PlaylistRecord(id); playlist && !playlist->deleted)
        found.push_back(playlist);
  return found;
}

std::shared_ptr<PlaylistData> MediaLibrary::CreatePlaylist(const std::u16string &name) {
  std::lock_guard lock(mutex_);
  if (!store_)
    return nullptr;
  auto id = store_->CreatePlaylist(name);
  return id ? PlaylistRecord(*id) : nullptr;
}

bool MediaLibrary::DeletePlaylist(PlaylistData &playlist) {
  std::lock_guard lock(mutex_);
  if (!store_ || !playlist.savedId || !store_->DeletePlaylist(*playlist.savedId))
    return false;
  playlists_.erase(*playlist.savedId);
  playlist.savedId.reset(); // holders keep an unsaved playlist
  return true;
}

bool MediaLibrary::SetDeleted(PlaylistData &playlist, bool deleted) {
  std::lock_guard lock(mutex_);
  if (!store_ || !playlist.savedId ||
      !store_->SetPlaylistAttribute(*playlist.savedId, kDeletedAttribute, deleted ? u"1" : u""))
    return false;
  playlist.deleted = deleted;
  return true;
}

bool MediaLibrary::StorePlaylistItems(const PlaylistData &playlist) {
  std::lock_guard lock(mutex_);
  if (!store_ || !playlist.savedId)
    return false;
  std::vector<std::u16string> urls;
  urls.reserve(playlist.items.size());
  for (auto &item : playlist.items)
    urls.push_back(item->url);
  return store_->SetPlaylistItems(*playlist.savedId, urls);
}

bool MediaLibrary::StorePlaylistName(const PlaylistData &playlist, const std::u16string &name) {
  std::lock_guard lock(mutex_);
  return store_ && playlist.savedId && store_->RenamePlaylist(*playlist.savedId, name);
}

bool MediaLibrary::StorePlaylistAttribute(const PlaylistData &playlist, const std::u16string &name,
                                          const std::u16string &value) {
  std::lock_guard lock(mutex_);
  return store_ && playlist.savedId && !SameName(name, kDeletedAttribute) &&
         store_->SetPlaylistAttribute(*playlist.savedId, name, value);
}

} // namespace engine
