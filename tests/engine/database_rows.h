// Reading a library database the way another program would: with SQLite
// alone, read-only.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace test_media {

// The first column of every row the query gives; empty when the database
// cannot be opened or the query fails.
inline std::vector<std::string> Column(const std::string &db, const std::string &sql) {
  std::vector<std::string> values;
  sqlite3 *handle = nullptr;
  if (sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK)
      while (sqlite3_step(statement) == SQLITE_ROW) {
        const auto *text = sqlite3_column_text(statement, 0);
        values.push_back(text ? reinterpret_cast<const char *>(text) : "");
      }
    sqlite3_finalize(statement);
  }
  sqlite3_close(handle);
  return values;
}

inline std::string IntegrityCheck(const std::string &db) {
  const std::vector<std::string> result = Column(db, "PRAGMA integrity_check");
  return result.empty() ? "cannot open" : result[0];
}

} // namespace test_media
