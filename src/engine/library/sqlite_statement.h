// Prepared SQLite statements kept for a connection's life, and the one
// statement a query or change holds while it runs.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

// By their SQL text, which is always a string literal: the literal's
// address is the key, so that finding a statement hashes a pointer and
// allocates nothing. Preparing costs more than most of the library's
// lookups. A statement already in use (a nested use of the same SQL) gets a
// fresh one of its own.
class StatementCache {
public:
  explicit StatementCache(sqlite3 *db) : db_(db) {}
  ~StatementCache();
  StatementCache(const StatementCache &) = delete;
  StatementCache &operator=(const StatementCache &) = delete;

  sqlite3 *db() const { return db_; }

  // The statement for `sql`, marked in use; null when it does not prepare
  // (`*code` says why). `cached` tells whether it goes back with Return or
  // is the caller's to finalize.
  sqlite3_stmt *Take(const char *sql, bool *cached, int *code);
  void Return(const char *sql);

private:
  struct Entry {
    sqlite3_stmt *statement = nullptr;
    bool inUse = false;
  };
  sqlite3 *db_;
  std::unordered_map<const char *, Entry> entries_;
};

// One statement, reset (so that it holds no read open) or finalized on
// every path. Its status is that of the last step that failed, as a
// library status (library_status.h).
class Statement {
public:
  Statement(StatementCache &cache, const char *sql);
  ~Statement();
  Statement(const Statement &) = delete;
  Statement &operator=(const Statement &) = delete;

  Statement &Bind(int index, std::int64_t value);
  Statement &BindReal(int index, double value);
  Statement &Bind(int index, const std::u16string &text);

  // True while a row is available.
  bool Row();
  // True when the statement ran to completion.
  bool Run();
  void Reset();
  // S_OK, or why the statement failed to prepare or step.
  std::int32_t Status() const;

  std::int64_t Integer(int column);
  double Real(int column);
  bool IsNull(int column);
  std::u16string Text(int column);

private:
  bool Step(int wanted);

  StatementCache &cache_;
  const char *sql_;
  bool cached_ = false;
  int code_ = 0; // the SQLite code of the last failure, 0 for none
  sqlite3_stmt *statement_ = nullptr;
};

} // namespace engine
