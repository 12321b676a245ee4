// The media library and the saved playlists as the engine's objects see
// them: records over engine::LibraryStore, with one record per stored item
// and per saved playlist for as long as anything holds it, so that the
// library's objects stay identical across calls and edits show everywhere.
//
// One library per process, shared by every engine: opened at
// LibraryStore::DefaultPath() when the first engine asks for it and closed
// when the last holder lets go. Its methods may be called from any thread;
// the records it hands out belong to the caller's thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/library/library_store.h"
#include "engine/library/media_item.h"
#include "engine/library/playlist_data.h"

namespace engine {

class MediaLibrary : public std::enable_shared_from_this<MediaLibrary> {
public:
  static std::shared_ptr<MediaLibrary> Shared();
  explicit MediaLibrary(std::unique_ptr<LibraryStore> store);

  // False when the database could not be opened; every change then fails.
  bool IsOpen() const { return store_ != nullptr; }

  // ---- media items ----
  // The library's record for `url`, or null when the library lacks it.
  std::shared_ptr<MediaItem> Find(const std::u16string &url);
  // The library's record for `url`, entering the file (its attributes read
  // once) when it is new. A local file that does not exist is refused with
  // 0x80070002; a file that cannot be read for attributes enters with its
  // URL alone. `entered`, when given, tells whether the file was new.
  std::int32_t Add(const std::u16string &url, std::shared_ptr<MediaItem> *out,
                   bool *entered = nullptr);
  // Forgets the item; the user's file is never touched.
  bool Remove(MediaItem &item);
  std::vector<std::shared_ptr<MediaItem>> All();
  std::vector<std::shared_ptr<MediaItem>> ByAttribute(const std::u16string &name,
                                                      const std::u16string &value);
  bool StoreItemAttribute(std::int64_t id, const std::u16string &name, const std::u16string &value);
  // The library's record when it has `url`, else a new record.
  std::shared_ptr<MediaItem> ItemForUrl(const std::u16string &url);

  // ---- saved playlists, in library order ----
  std::vector<std::shared_ptr<PlaylistData>> Playlists();
  std::vector<std::shared_ptr<PlaylistData>> PlaylistsNamed(const std::u16string &name);
  std::shared_ptr<PlaylistData> CreatePlaylist(const std::u16string &name);
  bool DeletePlaylist(PlaylistData &playlist);
  bool SetDeleted(PlaylistData &playlist, bool deleted);
  bool StorePlaylistItems(const PlaylistData &playlist);
  bool StorePlaylistName(const PlaylistData &playlist, const std::u16string &name);
  bool StorePlaylistAttribute(const PlaylistData &playlist, const std::u16string &name,
                              const std::u16string &value);

private:
  std::shared_ptr<MediaItem> Record(const LibraryStore::Item &stored);
  std::shared_ptr<MediaItem> RecordById(std::int64_t id);
  std::shared_ptr<PlaylistData> PlaylistRecord(std::int64_t id);

  std::recursive_mutex mutex_;
  std::unique_ptr<LibraryStore> store_;
  std::map<std::int64_t, std::weak_ptr<MediaItem>> items_;
  std::map<std::int64_t, std::weak_ptr<PlaylistData>> playlists_;
};

} // namespace engine
