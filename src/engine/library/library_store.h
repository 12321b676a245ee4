// The media library and the saved playlists, kept in one SQLite database.
//
// Changes. Outside a batch every change is a transaction of its own. Inside
// a batch (BeginBatch to CommitBatch) all changes are one transaction, so
// that they reach the disk together or not at all; each change that takes
// several statements is still all-or-nothing within it. The database runs in
// WAL mode with synchronous=FULL: a commit is on disk when it returns, and
// the file is checkpointed after each batch, so that library.db alone holds
// everything committed. A killed process or a power cut leaves the state of
// the last commit.
//
// Every edit of a saved playlist costs O(log n) database work: entries are
// rows ordered by a sparse key (entry_order.h), so an insertion, removal or
// move touches one row (and rarely a few neighbours), never the whole list.
//
// Statuses are those of library_status.h. Removing an item removes the
// library's record of it only; the user's file is never touched. A store is
// used from one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/media/loudness_measure.h"

struct sqlite3;

namespace engine {

class StatementCache;

class LibraryStore {
public:
  // The database file: $AUDIOPLAYER_LIBRARY if set, else
  // $XDG_DATA_HOME/audioplayer/library.db, else ~/.local/share/audioplayer/library.db
  static std::string DefaultPath();
  // Opens, creating the folders (0700), the file (0600) and the schema as
  // needed, or upgrading an older schema. Null with `*status` on failure; a
  // file that is not a database, or a damaged one, is never overwritten.
  // `busyTimeoutMs` bounds the wait for another writer's lock.
  static constexpr int kBusyTimeoutMs = 5000;
  static std::unique_ptr<LibraryStore> Open(const std::string &path, std::int32_t *status,
                                            int busyTimeoutMs = kBusyTimeoutMs);

  ~LibraryStore(); // commits an open batch
  LibraryStore(const LibraryStore &) = delete;
  LibraryStore &operator=(const LibraryStore &) = delete;

  const std::string &Path() const { return path_; }

  // ---- batches ----
  // Reads between BeginRead and the batch's end share one snapshot and one
  // lock, instead of locking the file for every statement. A batch's writes
  // begin with a write transaction of their own.
  std::int32_t BeginRead();
  void EndRead();
  std::int32_t BeginBatch();
  std::int32_t CommitBatch(); // then checkpoints; on failure nothing of the batch remains
  void RollbackBatch();
  bool InBatch() const { return inBatch_; }
  bool InRead() const { return reading_; }

  // ---- media items ----
  struct FileStamp { // what the file was when its attributes were read
    std::int64_t size = -1;
    std::int64_t modified = -1; // nanoseconds since the epoch
  };
  struct Item {
    std::int64_t id = 0;
    std::u16string url;
    std::map<std::u16string, std::u16string> attributes;
    FileStamp stamp;
    // Edits still to be written into the file (their values are in
    // `attributes`; an absent one removes the tag).
    std::set<std::u16string> pendingTags;
  };
  std::int32_t FindItemByUrl(const std::u16string &url, std::optional<Item> *found);
  std::int32_t GetItem(std::int64_t id, std::optional<Item> *found);
  // kLibraryNotFound (a constraint) when the URL is already there.
  std::int32_t AddItem(const std::u16string &url,
                       const std::map<std::u16string, std::u16string> &attributes, FileStamp stamp,
                       std::int64_t *id);
  // Attributes read again from a changed file replace those read before;
  // attributes the host wrote (SetItemAttribute) stay and win.
  std::int32_t RefreshItem(std::int64_t id,
                           const std::map<std::u16string, std::u16string> &attributes,
                           FileStamp stamp);
  // An empty value removes the attribute. `toFile`: the edit is also to be
  // written into the file, and is kept as pending (an empty value too)
  // until TagWritten says the file holds it.
  std::int32_t SetItemAttribute(std::int64_t id, const std::u16string &name,
                                const std::u16string &value, bool toFile = false);
  // The file holds `value` for `name` now, unless the host edited it again.
  std::int32_t TagWritten(std::int64_t id, const std::u16string &name, const std::u16string &value);
  std::int32_t RemoveItem(std::int64_t id);              // never touches the user's file
  std::int32_t AllItems(std::vector<std::int64_t> *ids); // in insertion order
  std::int32_t ItemsByAttribute(const std::u16string &name, const std::u16string &value,
                                std::vector<std::int64_t> *ids);

  // ---- loudness measured as files played ----
  // Kept by URL, whether or not the file is a library item, with the
  // file's stamp when it was measured. The table is made by the first
  // measure stored, so that a library written before it existed opens as
  // it is, read-only ones included.
  struct Loudness {
    FileStamp stamp;
    LoudnessMeasure measure;
  };
  std::int32_t FindLoudness(const std::u16string &url, std::optional<Loudness> *found);
  std::int32_t PutLoudness(const std::u16string &url, const Loudness &loudness);

  // ---- saved playlists ----
  struct SavedPlaylist {
    std::int64_t id = 0;
    std::u16string name;
    bool deleted = false; // set aside (setDeleted), still stored
    std::map<std::u16string, std::u16string> attributes;
  };
  struct Entry {
    std::int64_t row = 0; // the entry's own id
    std::int64_t key = 0; // its place in the order
    std::u16string url;
  };
  // Playlists not set aside, in library order (creation order).
  std::int32_t PlaylistIds(std::vector<std::int64_t> *ids);
  std::int32_t PlaylistsByName(const std::u16string &name, std::vector<std::int64_t> *ids);
  std::int32_t GetPlaylist(std::int64_t id, std::optional<SavedPlaylist> *found);
  std::int32_t PlaylistEntries(std::int64_t id, std::vector<Entry> *entries); // in order
  std::int32_t CreatePlaylist(const std::u16string &name, std::int64_t *id);
  std::int32_t RenamePlaylist(std::int64_t id, const std::u16string &name);
  std::int32_t SetPlaylistDeleted(std::int64_t id, bool deleted);
  // An empty value removes the attribute.
  std::int32_t SetPlaylistAttribute(std::int64_t id, const std::u16string &name,
                                    const std::u16string &value);
  std::int32_t DeletePlaylist(std::int64_t id);

  // Entry edits, one row each.
  std::int32_t InsertEntry(std::int64_t playlist, std::int64_t key, const std::u16string &url,
                           std::int64_t *row);
  std::int32_t RemoveEntry(std::int64_t row);
  std::int32_t MoveEntry(std::int64_t row, std::int64_t key);
  std::int32_t ClearEntries(std::int64_t playlist);
  // Gives several entries new keys at once (a renumbering around an insertion).
  std::int32_t RekeyEntries(const std::vector<std::pair<std::int64_t, std::int64_t>> &rowKeys);
  // Replaces all entries with `urls`, keyed afresh; the new rows in order.
  std::int32_t SetPlaylistItems(std::int64_t playlist, const std::vector<std::u16string> &urls,
                                std::vector<Entry> *entries = nullptr);

private:
  LibraryStore(sqlite3 *db, std::string path);
  // Sets (or, for an empty value, removes) a row of an attribute table.
  std::int32_t SetAttributeRow(const char *remove, const char *upsert, const char *ownerExists,
                               std::int64_t owner, const std::u16string &name,
                               const std::u16string &value);
  std::int32_t Ids(const char *sql, std::vector<std::int64_t> *ids,
                   const std::u16string *text = nullptr);

  sqlite3 *db_;
  std::string path_;
  std::unique_ptr<StatementCache> statements_;
  bool inBatch_ = false;
  bool reading_ = false;
  friend class Change;
};

} // namespace engine
