#include "engine/library/library_store.h"

#include <com.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "engine/library/entry_order.h"
#include "engine/library/library_status.h"
#include "engine/library/sqlite_statement.h"

namespace engine {

namespace {

// `edited` of an edit the file does not hold yet.
constexpr std::int64_t kPendingTag = 2;

// Attributes and entries go with their owner. Entries are ordered by a
// sparse key (entry_order.h) and have ids of their own, so that an edit
// touches one row; attributes the host wrote are marked `edited`, so that
// reading a changed file again never overwrites them: 1, or 2 for an edit
// still to be written into the file (an empty value then removes it there).
constexpr const char *kSchema = R"sql(
CREATE TABLE items (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  url TEXT NOT NULL UNIQUE,
  file_size INTEGER NOT NULL DEFAULT -1,
  file_modified INTEGER NOT NULL DEFAULT -1
);
CREATE TABLE item_attributes (
  item_id INTEGER NOT NULL REFERENCES items(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  value TEXT NOT NULL,
  edited INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (item_id, name)
);
CREATE INDEX item_attributes_by_value ON item_attributes (name, value);
CREATE TABLE playlists (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  name TEXT NOT NULL,
  position INTEGER NOT NULL,
  deleted INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX playlists_by_name ON playlists (name, deleted);
CREATE INDEX playlists_in_order ON playlists (deleted, position);
CREATE TABLE playlist_entries (
  id INTEGER PRIMARY KEY,
  playlist_id INTEGER NOT NULL REFERENCES playlists(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  url TEXT NOT NULL
);
CREATE INDEX playlist_entries_in_order ON playlist_entries (playlist_id, position);
CREATE TABLE playlist_attributes (
  playlist_id INTEGER NOT NULL REFERENCES playlists(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY (playlist_id, name)
);
PRAGMA user_version = 2;
)sql";

// The first version kept entries keyed by their index, rewritten whole on
// every change, and the set-aside mark as an attribute.
constexpr const char *kUpgradeFrom1 = R"sql(
ALTER TABLE items ADD COLUMN file_size INTEGER NOT NULL DEFAULT -1;
ALTER TABLE items ADD COLUMN file_modified INTEGER NOT NULL DEFAULT -1;
ALTER TABLE item_attributes ADD COLUMN edited INTEGER NOT NULL DEFAULT 0;
ALTER TABLE playlists ADD COLUMN deleted INTEGER NOT NULL DEFAULT 0;
UPDATE playlists SET deleted = 1 WHERE id IN
  (SELECT playlist_id FROM playlist_attributes WHERE name = 'IsDeleted' AND value = '1');
DELETE FROM playlist_attributes WHERE name = 'IsDeleted';
DROP INDEX IF EXISTS playlists_by_name;
CREATE INDEX playlists_by_name ON playlists (name, deleted);
CREATE INDEX playlists_in_order ON playlists (deleted, position);
ALTER TABLE playlist_entries RENAME TO playlist_entries_1;
CREATE TABLE playlist_entries (
  id INTEGER PRIMARY KEY,
  playlist_id INTEGER NOT NULL REFERENCES playlists(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  url TEXT NOT NULL
);
INSERT INTO playlist_entries (playlist_id, position, url)
  SELECT playlist_id, position * 1048576, url FROM playlist_entries_1
  ORDER BY playlist_id, position;
DROP TABLE playlist_entries_1;
CREATE INDEX playlist_entries_in_order ON playlist_entries (playlist_id, position);
PRAGMA user_version = 2;
)sql";
constexpr int kSchemaVersion = 2;
static_assert(kEntryKeyGap == 1048576, "kUpgradeFrom1 spreads old entries by the gap");

// An environment variable's value, empty when it is not set.
std::string ValueOf(const char *value) {
  return value ? value : "";
}

// The folders the library needs, private to the user (0700) where they are
// made here.
std::int32_t MakeFolders(const std::filesystem::path &folder) {
  if (folder.empty())
    return S_OK;
  std::error_code error;
  if (std::filesystem::is_directory(folder, error))
    return S_OK;
  if (std::int32_t status = MakeFolders(folder.parent_path()); FAILED(status))
    return status;
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    return errno == ENOSPC ? kLibraryFull : kLibraryCannotOpen;
  return S_OK;
}

// The database file is made 0600 before SQLite opens it; SQLite gives its
// journal files the same mode. What is already there is left as it is.
std::int32_t MakeFile(const std::string &path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0)
    return S_ISREG(info.st_mode) ? S_OK : kLibraryCannotOpen;
  const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (descriptor >= 0) {
    ::close(descriptor);
    return S_OK;
  }
  if (errno == EEXIST) // made meanwhile by another process
    return S_OK;
  return errno == ENOSPC ? kLibraryFull : errno == EROFS ? kLibraryReadOnly : kLibraryCannotOpen;
}

bool OnReadOnlyFileSystem(const std::string &path) {
  struct statvfs info {};
  return ::statvfs(path.c_str(), &info) == 0 && (info.f_flag & ST_RDONLY) != 0;
}

int UserVersion(sqlite3 *db, int *version) {
  sqlite3_stmt *statement = nullptr;
  int code = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
  if (code == SQLITE_OK) {
    code = sqlite3_step(statement);
    if (code == SQLITE_ROW) {
      *version = sqlite3_column_int(statement, 0);
      code = SQLITE_OK;
    }
  }
  sqlite3_finalize(statement);
  return code == SQLITE_OK ? SQLITE_OK : sqlite3_extended_errcode(db);
}

// Whether the database can be read at all: the first read opens the file's
// journal and checks its header.
int Probe(sqlite3 *db) {
  int version = 0;
  return UserVersion(db, &version);
}

std::int32_t Execute(sqlite3 *db, const char *sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
    return S_OK;
  return LibraryStatusOf(sqlite3_extended_errcode(db));
}

// Brings the schema to kSchemaVersion in one transaction; a database that
// is already there is only read.
std::int32_t PrepareSchema(sqlite3 *db) {
  int version = 0;
  if (int code = UserVersion(db, &version); code != SQLITE_OK)
    return LibraryStatusOf(code);
  if (version == kSchemaVersion)
    return S_OK;
  if (version > kSchemaVersion)
    return kLibraryCorrupt; // a newer library: never written by this one
  if (std::int32_t status = Execute(db, "BEGIN IMMEDIATE"); FAILED(status))
    return status;
  // Read again under the write lock: another process may have just done it.
  std::int32_t status = LibraryStatusOf(UserVersion(db, &version));
  if (SUCCEEDED(status) && version == 0)
    status = Execute(db, kSchema);
  else if (SUCCEEDED(status) && version == 1)
    status = Execute(db, kUpgradeFrom1);
  if (SUCCEEDED(status))
    status = Execute(db, "COMMIT");
  if (FAILED(status))
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  return status;
}

} // namespace

// One change, all or nothing: its own transaction outside a batch, a
// savepoint inside one (so that a failed change leaves the batch's earlier
// changes). Rolled back unless Done.
class Change {
public:
  explicit Change(LibraryStore &store) : db_(store.db_), nested_(store.inBatch_) {
    status_ = Execute(db_, nested_ ? "SAVEPOINT change" : "BEGIN IMMEDIATE");
  }
  ~Change() {
    if (SUCCEEDED(status_) && !done_)
      Execute(db_, nested_ ? "ROLLBACK TO change; RELEASE change" : "ROLLBACK");
  }
  Change(const Change &) = delete;
  Change &operator=(const Change &) = delete;

  std::int32_t Status() const { return status_; }
  // Ends the change with `status`: kept when it succeeded, undone when not.
  std::int32_t Done(std::int32_t status) {
    if (FAILED(status_))
      return status_;
    if (SUCCEEDED(status))
      status = Execute(db_, nested_ ? "RELEASE change" : "COMMIT");
    done_ = SUCCEEDED(status);
    return status;
  }

private:
  sqlite3 *db_;
  bool nested_;
  bool done_ = false;
  std::int32_t status_ = S_OK;
};

namespace {

// S_OK when `statement` ran, else why not; kLibraryNotFound when it ran but
// changed no row.
std::int32_t RunChanging(Statement &statement, sqlite3 *db) {
  if (!statement.Run())
    return statement.Status();
  return sqlite3_changes(db) > 0 ? S_OK : kLibraryNotFound;
}

std::int32_t ReadAttributes(Statement &query, std::map<std::u16string, std::u16string> *out) {
  while (query.Row())
    (*out)[query.Text(0)] = query.Text(1);
  return query.Status();
}

} // namespace

std::string LibraryStore::DefaultPath() {
  if (std::string path = ValueOf(std::getenv("AUDIOPLAYER_LIBRARY")); !path.empty())
    return path;
  if (std::string data = ValueOf(std::getenv("XDG_DATA_HOME")); !data.empty())
    return data + "/audioplayer/library.db";
  return ValueOf(std::getenv("HOME")) + "/.local/share/audioplayer/library.db";
}

// Another player in this or another process may be writing: wait for it,
// but never longer than the timeout, and then say the library is busy.
std::unique_ptr<LibraryStore> LibraryStore::Open(const std::string &path, std::int32_t *status,
                                                 int busyTimeoutMs) {
  *status =
      path.empty() ? kLibraryCannotOpen : MakeFolders(std::filesystem::path(path).parent_path());
  if (SUCCEEDED(*status))
    *status = MakeFile(path);
  if (FAILED(*status))
    return nullptr;
  sqlite3 *db = nullptr;
  int code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (code == SQLITE_OK)
    code = Probe(db);
  if (code != SQLITE_OK && OnReadOnlyFileSystem(path)) {
    // WAL needs its -shm file beside the database; where nothing can be
    // written, nothing changes either, and the file can be read as it is.
    sqlite3_close(db);
    db = nullptr;
    code = sqlite3_open_v2(("file:" + path + "?immutable=1").c_str(), &db,
                           SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  }
  if (code != SQLITE_OK) {
    *status = LibraryStatusOf(code);
    sqlite3_close(db);
    return nullptr;
  }
  std::unique_ptr<LibraryStore> store(new LibraryStore(db, path));
  sqlite3_busy_timeout(db, busyTimeoutMs);
  sqlite3_extended_result_codes(db, 1);
  // A read-only file stays readable: WAL is kept when it cannot be set.
  Execute(db, "PRAGMA journal_mode=WAL");
  *status = Execute(db, "PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;");
  if (SUCCEEDED(*status))
    *status = PrepareSchema(db);
  return SUCCEEDED(*status) ? std::move(store) : nullptr;
}

LibraryStore::LibraryStore(sqlite3 *db, std::string path)
    : db_(db), path_(std::move(path)), statements_(std::make_unique<StatementCache>(db)) {}

LibraryStore::~LibraryStore() {
  CommitBatch();
  statements_.reset(); // finalized before the connection closes
  sqlite3_close(db_);  // the last connection checkpoints and removes the WAL
}

// ---- batches ---------------------------------------------------------------

std::int32_t LibraryStore::BeginRead() {
  if (reading_ || inBatch_)
    return S_OK;
  std::int32_t status = Execute(db_, "BEGIN");
  reading_ = SUCCEEDED(status);
  return status;
}

void LibraryStore::EndRead() {
  if (reading_)
    Execute(db_, "COMMIT");
  reading_ = false;
}

std::int32_t LibraryStore::BeginBatch() {
  if (inBatch_)
    return S_OK;
  // A read transaction never turns into a write: another process may have
  // written since it began, and SQLite would refuse the upgrade outright.
  EndRead();
  std::int32_t status = Execute(db_, "BEGIN IMMEDIATE");
  inBatch_ = SUCCEEDED(status);
  return status;
}

std::int32_t LibraryStore::CommitBatch() {
  EndRead();
  if (!inBatch_)
    return S_OK;
  inBatch_ = false;
  if (sqlite3_get_autocommit(db_)) // SQLite rolled it back after a failure
    return kLibraryIoError;
  std::int32_t status = Execute(db_, "COMMIT");
  if (FAILED(status)) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return status;
  }
  // library.db alone is then a complete copy; a busy reader only delays it.
  sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  return S_OK;
}

void LibraryStore::RollbackBatch() {
  EndRead();
  if (!inBatch_)
    return;
  inBatch_ = false;
  if (!sqlite3_get_autocommit(db_))
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

// ---- media items -----------------------------------------------------------

namespace {

// An item with its attributes, one row per attribute (or one row with null
// ones), in a single statement: `rows` selects id, url, file_size,
// file_modified, name and value.
std::int32_t ReadItem(Statement &rows, std::optional<LibraryStore::Item> *found) {
  if (!rows.Row())
    return rows.Status();
  LibraryStore::Item result{
      rows.Integer(0), rows.Text(1), {}, {rows.Integer(2), rows.Integer(3)}, {}};
  do {
    if (rows.IsNull(4))
      continue;
    std::u16string value = rows.Text(5);
    if (rows.Integer(6) == kPendingTag)
      result.pendingTags.insert(rows.Text(4));
    if (!value.empty())
      result.attributes[rows.Text(4)] = std::move(value);
  } while (rows.Row());
  if (FAILED(rows.Status()))
    return rows.Status();
  *found = std::move(result);
  return S_OK;
}

} // namespace

std::int32_t LibraryStore::FindItemByUrl(const std::u16string &url, std::optional<Item> *found) {
  found->reset();
  Statement rows(*statements_,
                 "SELECT i.id, i.url, i.file_size, i.file_modified, a.name, a.value, a.edited "
                 "FROM items i LEFT JOIN item_attributes a ON a.item_id = i.id WHERE i.url = ?1");
  return ReadItem(rows.Bind(1, url), found);
}

std::int32_t LibraryStore::GetItem(std::int64_t id, std::optional<Item> *found) {
  found->reset();
  Statement rows(*statements_,
                 "SELECT i.id, i.url, i.file_size, i.file_modified, a.name, a.value, a.edited "
                 "FROM items i LEFT JOIN item_attributes a ON a.item_id = i.id WHERE i.id = ?1");
  return ReadItem(rows.Bind(1, id), found);
}

std::int32_t LibraryStore::AddItem(const std::u16string &url,
                                   const std::map<std::u16string, std::u16string> &attributes,
                                   FileStamp stamp, std::int64_t *id) {
  if (url.empty())
    return E_INVALIDARG;
  Change change(*this);
  Statement insert(*statements_,
                   "INSERT INTO items (url, file_size, file_modified) VALUES (?1, ?2, ?3)");
  if (!insert.Bind(1, url).Bind(2, stamp.size).Bind(3, stamp.modified).Run())
    return change.Done(insert.Status());
  *id = sqlite3_last_insert_rowid(db_);
  Statement attribute(*statements_,
                      "INSERT INTO item_attributes (item_id, name, value) VALUES (?1, ?2, ?3)");
  for (const auto &[name, value] : attributes) {
    if (name.empty() || value.empty())
      continue;
    if (!attribute.Bind(1, *id).Bind(2, name).Bind(3, value).Run())
      return change.Done(attribute.Status());
    attribute.Reset();
  }
  return change.Done(S_OK);
}

std::int32_t LibraryStore::RefreshItem(std::int64_t id,
                                       const std::map<std::u16string, std::u16string> &attributes,
                                       FileStamp stamp) {
  Change change(*this);
  Statement update(*statements_,
                   "UPDATE items SET file_size = ?2, file_modified = ?3 WHERE id = ?1");
  update.Bind(1, id).Bind(2, stamp.size).Bind(3, stamp.modified);
  if (std::int32_t status = RunChanging(update, db_); FAILED(status))
    return change.Done(status);
  Statement forget(*statements_, "DELETE FROM item_attributes WHERE item_id = ?1 AND edited = 0");
  if (!forget.Bind(1, id).Run())
    return change.Done(forget.Status());
  Statement attribute(*statements_, "INSERT OR IGNORE INTO item_attributes (item_id, name, value) "
                                    "VALUES (?1, ?2, ?3)");
  for (const auto &[name, value] : attributes) {
    if (name.empty() || value.empty())
      continue;
    if (!attribute.Bind(1, id).Bind(2, name).Bind(3, value).Run())
      return change.Done(attribute.Status());
    attribute.Reset();
  }
  return change.Done(S_OK);
}

std::int32_t LibraryStore::SetAttributeRow(const char *remove, const char *upsert,
                                           const char *ownerExists, std::int64_t owner,
                                           const std::u16string &name,
                                           const std::u16string &value) {
  if (name.empty())
    return E_INVALIDARG;
  // One statement: a change of its own even inside a batch.
  if (!value.empty()) {
    Statement change(*statements_, upsert);
    change.Bind(1, owner).Bind(2, name).Bind(3, value);
    return change.Run() ? S_OK : change.Status();
  }
  Statement exists(*statements_, ownerExists);
  if (!exists.Bind(1, owner).Row())
    return FAILED(exists.Status()) ? exists.Status() : kLibraryNotFound;
  Statement change(*statements_, remove);
  change.Bind(1, owner).Bind(2, name);
  return change.Run() ? S_OK : change.Status();
}

std::int32_t LibraryStore::SetItemAttribute(std::int64_t id, const std::u16string &name,
                                            const std::u16string &value, bool toFile) {
  if (toFile) { // kept, even empty, until the file holds it
    if (name.empty())
      return E_INVALIDARG;
    Statement exists(*statements_, "SELECT 1 FROM items WHERE id = ?1");
    if (!exists.Bind(1, id).Row())
      return FAILED(exists.Status()) ? exists.Status() : kLibraryNotFound;
    Statement change(*statements_, "INSERT OR REPLACE INTO item_attributes "
                                   "(item_id, name, value, edited) VALUES (?1, ?2, ?3, 2)");
    change.Bind(1, id).Bind(2, name).Bind(3, value);
    return change.Run() ? S_OK : change.Status();
  }
  return SetAttributeRow("DELETE FROM item_attributes WHERE item_id = ?1 AND name = ?2",
                         "INSERT OR REPLACE INTO item_attributes (item_id, name, value, edited) "
                         "VALUES (?1, ?2, ?3, 1)",
                         "SELECT 1 FROM items WHERE id = ?1", id, name, value);
}

std::int32_t LibraryStore::TagWritten(std::int64_t id, const std::u16string &name,
                                      const std::u16string &value) {
  Statement done(
      *statements_,
      value.empty() ? "DELETE FROM item_attributes WHERE item_id = ?1 AND name = ?2 AND value = ?3 "
                      "AND edited = 2"
                    : "UPDATE item_attributes SET edited = 1 WHERE item_id = ?1 AND name = ?2 "
                      "AND value = ?3 AND edited = 2");
  done.Bind(1, id).Bind(2, name).Bind(3, value);
  return done.Run() ? S_OK : done.Status();
}

std::int32_t LibraryStore::FindLoudness(const std::u16string &url, std::optional<Loudness> *found) {
  found->reset();
  Statement table(*statements_,
                  "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'loudness'");
  if (!table.Row())
    return table.Status();
  Statement row(*statements_, "SELECT file_size, file_modified, lufs, peak, seconds FROM loudness "
                              "WHERE url = ?1");
  if (row.Bind(1, url).Row())
    *found = Loudness{{row.Integer(0), row.Integer(1)}, {row.Real(2), row.Real(3), row.Real(4)}};
  return row.Status();
}

std::int32_t LibraryStore::PutLoudness(const std::u16string &url, const Loudness &loudness) {
  Change change(*this);
  if (std::int32_t status = Execute(db_, "CREATE TABLE IF NOT EXISTS loudness ("
                                         "url TEXT PRIMARY KEY, file_size INTEGER NOT NULL, "
                                         "file_modified INTEGER NOT NULL, lufs REAL NOT NULL, "
                                         "peak REAL NOT NULL, seconds REAL NOT NULL)");
      FAILED(status))
    return change.Done(status);
  Statement put(*statements_, "INSERT OR REPLACE INTO loudness "
                              "(url, file_size, file_modified, lufs, peak, seconds) "
                              "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
  put.Bind(1, url).Bind(2, loudness.stamp.size).Bind(3, loudness.stamp.modified);
  put.BindReal(4, loudness.measure.lufs).BindReal(5, loudness.measure.peak);
  put.BindReal(6, loudness.measure.seconds);
  return change.Done(put.Run() ? S_OK : put.Status());
}

std::int32_t LibraryStore::RemoveItem(std::int64_t id) {
  Statement remove(*statements_, "DELETE FROM items WHERE id = ?1");
  return RunChanging(remove.Bind(1, id), db_);
}

std::int32_t LibraryStore::Ids(const char *sql, std::vector<std::int64_t> *ids,
                               const std::u16string *text) {
  ids->clear();
  Statement query(*statements_, sql);
  if (text)
    query.Bind(1, *text);
  while (query.Row())
    ids->push_back(query.Integer(0));
  return query.Status();
}

std::int32_t LibraryStore::AllItems(std::vector<std::int64_t> *ids) {
  return Ids("SELECT id FROM items ORDER BY id", ids);
}

std::int32_t LibraryStore::ItemsByAttribute(const std::u16string &name, const std::u16string &value,
                                            std::vector<std::int64_t> *ids) {
  ids->clear();
  Statement query(*statements_, "SELECT item_id FROM item_attributes WHERE name = ?1 AND "
                                "value = ?2 ORDER BY item_id");
  query.Bind(1, name).Bind(2, value);
  while (query.Row())
    ids->push_back(query.Integer(0));
  return query.Status();
}

// ---- saved playlists -------------------------------------------------------

std::int32_t LibraryStore::PlaylistIds(std::vector<std::int64_t> *ids) {
  return Ids("SELECT id FROM playlists WHERE deleted = 0 ORDER BY position, id", ids);
}

std::int32_t LibraryStore::PlaylistsByName(const std::u16string &name,
                                           std::vector<std::int64_t> *ids) {
  return Ids("SELECT id FROM playlists WHERE name = ?1 AND deleted = 0 ORDER BY position, id", ids,
             &name);
}

std::int32_t LibraryStore::GetPlaylist(std::int64_t id, std::optional<SavedPlaylist> *found) {
  found->reset();
  Statement playlist(*statements_, "SELECT name, deleted FROM playlists WHERE id = ?1");
  if (!playlist.Bind(1, id).Row())
    return playlist.Status();
  SavedPlaylist result{id, playlist.Text(0), playlist.Integer(1) != 0, {}};
  Statement attributes(*statements_,
                       "SELECT name, value FROM playlist_attributes WHERE playlist_id = ?1");
  attributes.Bind(1, id);
  if (std::int32_t status = ReadAttributes(attributes, &result.attributes); FAILED(status))
    return status;
  *found = std::move(result);
  return S_OK;
}

std::int32_t LibraryStore::PlaylistEntries(std::int64_t id, std::vector<Entry> *entries) {
  entries->clear();
  Statement query(*statements_, "SELECT id, position, url FROM playlist_entries "
                                "WHERE playlist_id = ?1 ORDER BY position, id");
  query.Bind(1, id);
  while (query.Row())
    entries->push_back({query.Integer(0), query.Integer(1), query.Text(2)});
  return query.Status();
}

std::int32_t LibraryStore::CreatePlaylist(const std::u16string &name, std::int64_t *id) {
  Statement insert(*statements_, "INSERT INTO playlists (name, position) "
                                 "SELECT ?1, COALESCE(MAX(position), 0) + 1 FROM playlists");
  if (!insert.Bind(1, name).Run())
    return insert.Status();
  *id = sqlite3_last_insert_rowid(db_);
  return S_OK;
}

std::int32_t LibraryStore::RenamePlaylist(std::int64_t id, const std::u16string &name) {
  Statement update(*statements_, "UPDATE playlists SET name = ?2 WHERE id = ?1");
  return RunChanging(update.Bind(1, id).Bind(2, name), db_);
}

std::int32_t LibraryStore::SetPlaylistDeleted(std::int64_t id, bool deleted) {
  Statement update(*statements_, "UPDATE playlists SET deleted = ?2 WHERE id = ?1");
  return RunChanging(update.Bind(1, id).Bind(2, std::int64_t(deleted)), db_);
}

std::int32_t LibraryStore::SetPlaylistAttribute(std::int64_t id, const std::u16string &name,
                                                const std::u16string &value) {
  return SetAttributeRow("DELETE FROM playlist_attributes WHERE playlist_id = ?1 AND name = ?2",
                         "INSERT OR REPLACE INTO playlist_attributes (playlist_id, name, value) "
                         "VALUES (?1, ?2, ?3)",
                         "SELECT 1 FROM playlists WHERE id = ?1", id, name, value);
}

std::int32_t LibraryStore::DeletePlaylist(std::int64_t id) {
  Statement remove(*statements_, "DELETE FROM playlists WHERE id = ?1");
  return RunChanging(remove.Bind(1, id), db_);
}

std::int32_t LibraryStore::InsertEntry(std::int64_t playlist, std::int64_t key,
                                       const std::u16string &url, std::int64_t *row) {
  Statement insert(*statements_, "INSERT INTO playlist_entries (playlist_id, position, url) "
                                 "VALUES (?1, ?2, ?3)");
  if (!insert.Bind(1, playlist).Bind(2, key).Bind(3, url).Run())
    return insert.Status();
  *row = sqlite3_last_insert_rowid(db_);
  return S_OK;
}

std::int32_t LibraryStore::RemoveEntry(std::int64_t row) {
  Statement remove(*statements_, "DELETE FROM playlist_entries WHERE id = ?1");
  return RunChanging(remove.Bind(1, row), db_);
}

std::int32_t LibraryStore::MoveEntry(std::int64_t row, std::int64_t key) {
  Statement update(*statements_, "UPDATE playlist_entries SET position = ?2 WHERE id = ?1");
  return RunChanging(update.Bind(1, row).Bind(2, key), db_);
}

std::int32_t LibraryStore::ClearEntries(std::int64_t playlist) {
  Statement exists(*statements_, "SELECT 1 FROM playlists WHERE id = ?1");
  if (!exists.Bind(1, playlist).Row())
    return FAILED(exists.Status()) ? exists.Status() : kLibraryNotFound;
  Statement clear(*statements_, "DELETE FROM playlist_entries WHERE playlist_id = ?1");
  return clear.Bind(1, playlist).Run() ? S_OK : clear.Status();
}

std::int32_t
LibraryStore::RekeyEntries(const std::vector<std::pair<std::int64_t, std::int64_t>> &rowKeys) {
  Change change(*this);
  for (const auto &[row, key] : rowKeys)
    if (std::int32_t status = MoveEntry(row, key); FAILED(status))
      return change.Done(status);
  return change.Done(S_OK);
}

std::int32_t LibraryStore::SetPlaylistItems(std::int64_t playlist,
                                            const std::vector<std::u16string> &urls,
                                            std::vector<Entry> *entries) {
  Change change(*this);
  if (std::int32_t status = ClearEntries(playlist); FAILED(status))
    return change.Done(status);
  std::vector<Entry> made;
  made.reserve(urls.size());
  for (std::size_t at = 0; at < urls.size(); ++at) {
    Entry entry{0, std::int64_t(at) * kEntryKeyGap, urls[at]};
    if (std::int32_t status = InsertEntry(playlist, entry.key, entry.url, &entry.row);
        FAILED(status))
      return change.Done(status);
    made.push_back(std::move(entry));
  }
  std::int32_t status = change.Done(S_OK);
  if (SUCCEEDED(status) && entries)
    *entries = std::move(made);
  return status;
}

} // namespace engine
