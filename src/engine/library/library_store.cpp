#include "engine/library/library_store.h"

#include "engine/text/utf8_text.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_map>

namespace engine {

namespace {

// Attributes and playlist entries go with their owner; the position columns
// keep the order the user gave.
constexpr const char *kSchema = R"sql(
CREATE TABLE IF NOT EXISTS items (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  url TEXT NOT NULL UNIQUE
);
CREATE TABLE IF NOT EXISTS item_attributes (
  item_id INTEGER NOT NULL REFERENCES items(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY (item_id, name)
);
CREATE INDEX IF NOT EXISTS item_attributes_by_value ON item_attributes (name, value);
CREATE TABLE IF NOT EXISTS playlists (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  name TEXT NOT NULL,
  position INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS playlists_by_name ON playlists (name);
CREATE TABLE IF NOT EXISTS playlist_entries (
  playlist_id INTEGER NOT NULL REFERENCES playlists(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  url TEXT NOT NULL,
  PRIMARY KEY (playlist_id, position)
);
CREATE TABLE IF NOT EXISTS playlist_attributes (
  playlist_id INTEGER NOT NULL REFERENCES playlists(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY (playlist_id, name)
);
PRAGMA user_version = 1;
)sql";

// Another player in this or another process may be writing; wait for it
// rather than fail.
constexpr int kBusyTimeoutMs = 5000;

} // namespace

// Prepared statements kept for the connection's life, by their SQL text:
// preparing costs more than most of the library's lookups. A statement
// already in use (a nested use of the same SQL) gets a fresh one of its own.
class StatementCache {
public:
  explicit StatementCache(sqlite3 *db) : db_(db) {}
  ~StatementCache() {
    for (auto &[sql, entry] : entries_)
      sqlite3_finalize(entry.statement);
  }
  StatementCache(const StatementCache &) = delete;
  StatementCache &operator=(const StatementCache &) = delete;

  sqlite3 *db() const { return db_; }

  // The statement for `sql`, marked in use; null when it does not prepare.
  // `cached` tells whether it goes back with Return or is the caller's.
  sqlite3_stmt *Take(const char *sql, bool *cached) {
    auto [at, added] = entries_.try_emplace(sql);
    Entry &entry = at->second;
    if (added && sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &entry.statement,
                                    nullptr) != SQLITE_OK) {
      sqlite3_finalize(entry.statement);
      entries_.erase(at);
      *cached = false;
      return nullptr;
    }
    if (entry.inUse) {
      *cached = false;
      sqlite3_stmt *own = nullptr;
      if (sqlite3_prepare_v2(db_, sql, -1, &own, nullptr) != SQLITE_OK) {
        sqlite3_finalize(own);
        return nullptr;
      }
      return own;
    }
    entry.inUse = true;
    *cached = true;
    return entry.statement;
  }
  void Return(const char *sql) { entries_.at(sql).inUse = false; }

private:
  struct Entry {
    sqlite3_stmt *statement = nullptr;
    bool inUse = false;
  };
  sqlite3 *db_;
  std::unordered_map<std::string, Entry> entries_;
};

namespace {

// One prepared statement, reset (so that it holds no read open) or
// finalized on every path.
class Statement {
public:
  Statement(StatementCache &cache, const char *sql)
      : cache_(cache), sql_(sql), statement_(cache.Take(sql, &cached_)) {}
  ~Statement() {
    if (cached_) {
      Reset();
      cache_.Return(sql_);
    } else {
      sqlite3_finalize(statement_);
    }
  }
  Statement(const Statement &) = delete;
  Statement &operator=(const Statement &) = delete;

  bool ok() const { return statement_ != nullptr; }

  Statement &Bind(int index, std::int64_t value) {
    if (statement_)
      sqlite3_bind_int64(statement_, index, value);
    return *this;
  }
  Statement &Bind(int index, const std::u16string &text) {
    if (statement_) {
      const std::string bytes = Utf8Of(text);
      sqlite3_bind_text(statement_, index, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    return *this;
  }

  // True while a row is available.
  bool Row() { return statement_ && sqlite3_step(statement_) == SQLITE_ROW; }
  // True when the statement ran to completion.
  bool Run() { return statement_ && sqlite3_step(statement_) == SQLITE_DONE; }
  void Reset() {
    if (statement_) {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
  }

  std::int64_t Integer(int column) { return sqlite3_column_int64(statement_, column); }
  std::u16string Text(int column) {
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement_, column));
    return bytes ? Utf16Of({bytes, std::size_t(sqlite3_column_bytes(statement_, column))})
                 : std::u16string();
  }

private:
  StatementCache &cache_;
  const char *sql_;
  bool cached_ = false;
  sqlite3_stmt *statement_ = nullptr;
};

// A write transaction, rolled back unless committed.
class Transaction {
public:
  explicit Transaction(sqlite3 *db) : db_(db) {
    begun_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~Transaction() {
    if (begun_)
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Transaction(const Transaction &) = delete;
  Transaction &operator=(const Transaction &) = delete;

  bool ok() const { return begun_; }
  bool Commit() {
    if (!begun_ || sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
      return false;
    begun_ = false;
    return true;
  }

private:
  sqlite3 *db_;
  bool begun_ = false;
};

std::vector<std::int64_t> Ids(Statement &query) {
  std::vector<std::int64_t> ids;
  while (query.Row())
    ids.push_back(query.Integer(0));
  return ids;
}

std::map<std::u16string, std::u16string> Attributes(Statement &query) {
  std::map<std::u16string, std::u16string> attributes;
  while (query.Row())
    attributes[query.Text(0)] = query.Text(1);
  return attributes;
}

// Sets (or, for an empty value, removes) one row of an attribute table whose
// columns are (owner, name, value); false when the owner does not exist.
bool SetAttribute(StatementCache &statements, const char *ownerExists, const char *remove,
                  const char *upsert, std::int64_t owner, const std::u16string &name,
                  const std::u16string &value) {
  if (name.empty())
    return false;
  Transaction transaction(statements.db());
  Statement exists(statements, ownerExists);
  if (!transaction.ok() || !exists.Bind(1, owner).Row())
    return false;
  Statement change(statements, value.empty() ? remove : upsert);
  change.Bind(1, owner).Bind(2, name);
  if (!value.empty())
    change.Bind(3, value);
  return change.Run() && transaction.Commit();
}

// Deletes the row `id` with a statement of one parameter; false when absent.
bool DeleteRow(StatementCache &statements, const char *sql, std::int64_t id) {
  Transaction transaction(statements.db());
  Statement remove(statements, sql);
  return transaction.ok() && remove.Bind(1, id).Run() && sqlite3_changes(statements.db()) == 1 &&
         transaction.Commit();
}

std::string EnvironmentValue(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}

} // namespace

std::string LibraryStore::DefaultPath() {
  if (std::string path = EnvironmentValue("AUDIOPLAYER_LIBRARY"); !path.empty())
    return path;
  if (std::string data = EnvironmentValue("XDG_DATA_HOME"); !data.empty())
    return data + "/audioplayer/library.db";
  return EnvironmentValue("HOME") + "/.local/share/audioplayer/library.db";
}

std::unique_ptr<LibraryStore> LibraryStore::Open(const std::string &path) {
  if (path.empty())
    return nullptr;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  std::error_code error;
  if (!parent.empty())
    std::filesystem::create_directories(parent, error);

  sqlite3 *db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  std::unique_ptr<LibraryStore> store(new LibraryStore(db));
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // WAL with synchronous=FULL: a commit is on disk when it returns, and a
  // process killed mid-write leaves the last committed state.
  if (sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;",
                   nullptr, nullptr, nullptr) != SQLITE_OK)
    return nullptr;
  Transaction transaction(db);
  if (!transaction.ok() || sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK ||
      !transaction.Commit())
    return nullptr;
  return store;
}

LibraryStore::LibraryStore(sqlite3 *db)
    : db_(db), statements_(std::make_unique<StatementCache>(db)) {}

LibraryStore::~LibraryStore() {
  statements_.reset(); // finalized before the connection closes
  sqlite3_close(db_);
}

std::optional<LibraryStore::Item> LibraryStore::FindItemByUrl(const std::u16string &url) {
  Statement query(*statements_, "SELECT id FROM items WHERE url = ?1");
  if (!query.Bind(1, url).Row())
    return std::nullopt;
  return GetItem(query.Integer(0));
}

std::optional<LibraryStore::Item> LibraryStore::GetItem(std::int64_t id) {
  Statement item(*statements_, "SELECT url FROM items WHERE id = ?1");
  if (!item.Bind(1, id).Row())
    return std::nullopt;
  Statement attributes(*statements_, "SELECT name, value FROM item_attributes WHERE item_id = ?1");
  attributes.Bind(1, id);
  return Item{id, item.Text(0), Attributes(attributes)};
}

std::optional<std::int64_t>
LibraryStore::AddItem(const std::u16string &url,
                      const std::map<std::u16string, std::u16string> &attributes) {
  if (url.empty())
    return std::nullopt;
  Transaction transaction(db_);
  Statement insert(*statements_, "INSERT OR IGNORE INTO items (url) VALUES (?1)");
  if (!transaction.ok() || !insert.Bind(1, url).Run() || sqlite3_changes(db_) != 1)
    return std::nullopt;
  const std::int64_t id = sqlite3_last_insert_rowid(db_);
  Statement attribute(*statements_,
                      "INSERT INTO item_attributes (item_id, name, value) VALUES (?1, ?2, ?3)");
  for (const auto &[name, value] : attributes) {
    if (name.empty() || value.empty())
      continue;
    if (!attribute.Bind(1, id).Bind(2, name).Bind(3, value).Run())
      return std::nullopt;
    attribute.Reset();
  }
  if (!transaction.Commit())
    return std::nullopt;
  return id;
}

bool LibraryStore::SetItemAttribute(std::int64_t id, const std::u16string &name,
                                    const std::u16string &value) {
  return SetAttribute(*statements_, "SELECT 1 FROM items WHERE id = ?1",
                      "DELETE FROM item_attributes WHERE item_id = ?1 AND name = ?2",
                      "INSERT OR REPLACE INTO item_attributes (item_id, name, value) "
                      "VALUES (?1, ?2, ?3)",
                      id, name, value);
}

bool LibraryStore::RemoveItem(std::int64_t id) {
  return DeleteRow(*statements_, "DELETE FROM items WHERE id = ?1", id);
}

std::vector<std::int64_t> LibraryStore::AllItems() {
  Statement query(*statements_, "SELECT id FROM items ORDER BY id");
  return Ids(query);
}

std::vector<std::int64_t> LibraryStore::ItemsByAttribute(const std::u16string &name,
                                                         const std::u16string &value) {
  Statement query(*statements_,
                  "SELECT item_id FROM item_attributes WHERE name = ?1 AND value = ?2 "
                  "ORDER BY item_id");
  query.Bind(1, name).Bind(2, value);
  return Ids(query);
}

std::vector<std::int64_t> LibraryStore::PlaylistIds() {
  Statement query(*statements_, "SELECT id FROM playlists ORDER BY position, id");
  return Ids(query);
}

std::vector<std::int64_t> LibraryStore::PlaylistsByName(const std::u16string &name) {
  Statement query(*statements_, "SELECT id FROM playlists WHERE name = ?1 ORDER BY position, id");
  query.Bind(1, name);
  return Ids(query);
}

std::optional<LibraryStore::SavedPlaylist> LibraryStore::GetPlaylist(std::int64_t id) {
  Statement playlist(*statements_, "SELECT name FROM playlists WHERE id = ?1");
  if (!playlist.Bind(1, id).Row())
    return std::nullopt;
  SavedPlaylist result{id, playlist.Text(0), {}, {}};
  Statement entries(*statements_, "SELECT url FROM playlist_entries WHERE playlist_id = ?1 "
                                  "ORDER BY position");
  entries.Bind(1, id);
  while (entries.Row())
    result.urls.push_back(entries.Text(0));
  Statement attributes(*statements_,
                       "SELECT name, value FROM playlist_attributes WHERE playlist_id = ?1");
  attributes.Bind(1, id);
  result.attributes = Attributes(attributes);
  return result;
}

std::optional<std::int64_t> LibraryStore::CreatePlaylist(const std::u16string &name) {
  Transaction transaction(db_);
  Statement insert(*statements_, "INSERT INTO playlists (name, position) "
                                 "SELECT ?1, COALESCE(MAX(position), 0) + 1 FROM playlists");
  if (!transaction.ok() || !insert.Bind(1, name).Run())
    return std::nullopt;
  const std::int64_t id = sqlite3_last_insert_rowid(db_);
  if (!transaction.Commit())
    return std::nullopt;
  return id;
}

bool LibraryStore::RenamePlaylist(std::int64_t id, const std::u16string &name) {
  Transaction transaction(db_);
  Statement update(*statements_, "UPDATE playlists SET name = ?2 WHERE id = ?1");
  return transaction.ok() && update.Bind(1, id).Bind(2, name).Run() && sqlite3_changes(db_) == 1 &&
         transaction.Commit();
}

bool LibraryStore::SetPlaylistItems(std::int64_t id, const std::vector<std::u16string> &urls) {
  Transaction transaction(db_);
  Statement exists(*statements_, "SELECT 1 FROM playlists WHERE id = ?1");
  Statement clear(*statements_, "DELETE FROM playlist_entries WHERE playlist_id = ?1");
  if (!transaction.ok() || !exists.Bind(1, id).Row() || !clear.Bind(1, id).Run())
    return false;
  Statement insert(*statements_, "INSERT INTO playlist_entries (playlist_id, position, url) "
                                 "VALUES (?1, ?2, ?3)");
  for (std::size_t i = 0; i < urls.size(); ++i) {
    if (!insert.Bind(1, id).Bind(2, std::int64_t(i)).Bind(3, urls[i]).Run())
      return false;
    insert.Reset();
  }
  return transaction.Commit();
}

bool LibraryStore::SetPlaylistAttribute(std::int64_t id, const std::u16string &name,
                                        const std::u16string &value) {
  return SetAttribute(*statements_, "SELECT 1 FROM playlists WHERE id = ?1",
                      "DELETE FROM playlist_attributes WHERE playlist_id = ?1 AND name = ?2",
                      "INSERT OR REPLACE INTO playlist_attributes (playlist_id, name, value) "
                      "VALUES (?1, ?2, ?3)",
                      id, name, value);
}

bool LibraryStore::DeletePlaylist(std::int64_t id) {
  return DeleteRow(*statements_, "DELETE FROM playlists WHERE id = ?1", id);
}

} // namespace engine
