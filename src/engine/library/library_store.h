// The media library and the saved playlists, kept in one SQLite database.
//
// Every change is one transaction on a database opened with
// synchronous=FULL, so a process killed in the middle of a change leaves
// either the old or the new state on disk, never a mix. Removing an item
// removes the library's record of it only; the user's file is never touched.
// A store is used from one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace engine {

class StatementCache;

class LibraryStore {
public:
  // The database file: $AUDIOPLAYER_LIBRARY if set, else
  // $XDG_DATA_HOME/audioplayer/library.db, else ~/.local/share/audioplayer/library.db
  static std::string DefaultPath();
  // Opens (creating folders/schema as needed); null on failure.
  static std::unique_ptr<LibraryStore> Open(const std::string &path);

  ~LibraryStore();
  LibraryStore(const LibraryStore &) = delete;
  LibraryStore &operator=(const LibraryStore &) = delete;

  struct Item {
    std::int64_t id = 0;
    std::u16string url;
    std::map<std::u16string, std::u16string> attributes;
  };
  std::optional<Item> FindItemByUrl(const std::u16string &url);
  std::optional<Item> GetItem(std::int64_t id);
  // Null when the URL is already in the library or the write failed.
  std::optional<std::int64_t> AddItem(const std::u16string &url,
                                      const std::map<std::u16string, std::u16string> &attributes);
  // An empty value removes the attribute.
  bool SetItemAttribute(std::int64_t id, const std::u16string &name, const std::u16string &value);
  bool RemoveItem(std::int64_t id);     // never touches the user's file
  std::vector<std::int64_t> AllItems(); // in insertion order
  std::vector<std::int64_t> ItemsByAttribute(const std::u16string &name,
                                             const std::u16string &value);

  struct SavedPlaylist {
    std::int64_t id = 0;
    std::u16string name;
    std::vector<std::u16string> urls;
    std::map<std::u16string, std::u16string> attributes;
  };
  std::vector<std::int64_t> PlaylistIds(); // library order (creation order)
  std::vector<std::int64_t> PlaylistsByName(const std::u16string &name);
  std::optional<SavedPlaylist> GetPlaylist(std::int64_t id);
  std::optional<std::int64_t> CreatePlaylist(const std::u16string &name);
  bool RenamePlaylist(std::int64_t id, const std::u16string &name);
  bool SetPlaylistItems(std::int64_t id,
                        const std::vector<std::u16string> &urls); // one transaction
  // An empty value removes the attribute.
  bool SetPlaylistAttribute(std::int64_t id, const std::u16string &name,
                            const std::u16string &value);
  bool DeletePlaylist(std::int64_t id);

private:
  explicit LibraryStore(sqlite3 *db);
  sqlite3 *db_;
  std::unique_ptr<StatementCache> statements_;
};

} // namespace engine
