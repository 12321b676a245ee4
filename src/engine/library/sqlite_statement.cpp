#include "engine/library/sqlite_statement.h"

#include <sqlite3.h>

#include "engine/library/library_status.h"
#include "engine/text/utf8_text.h"

namespace engine {

StatementCache::~StatementCache() {
  for (auto &[sql, entry] : entries_)
    sqlite3_finalize(entry.statement);
}

sqlite3_stmt *StatementCache::Take(const char *sql, bool *cached, int *code) {
  *cached = false;
  auto [at, added] = entries_.try_emplace(sql);
  Entry &entry = at->second;
  if (added) {
    *code = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &entry.statement, nullptr);
    if (*code != SQLITE_OK) {
      sqlite3_finalize(entry.statement);
      entries_.erase(at);
      return nullptr;
    }
  }
  if (entry.inUse) {
    sqlite3_stmt *own = nullptr;
    *code = sqlite3_prepare_v2(db_, sql, -1, &own, nullptr);
    if (*code != SQLITE_OK) {
      sqlite3_finalize(own);
      return nullptr;
    }
    return own;
  }
  entry.inUse = true;
  *cached = true;
  return entry.statement;
}

void StatementCache::Return(const char *sql) {
  entries_.at(sql).inUse = false;
}

Statement::Statement(StatementCache &cache, const char *sql)
    : cache_(cache), sql_(sql), statement_(cache.Take(sql, &cached_, &code_)) {}

Statement::~Statement() {
  if (cached_) {
    Reset();
    cache_.Return(sql_);
  } else {
    sqlite3_finalize(statement_);
  }
}

Statement &Statement::Bind(int index, std::int64_t value) {
  if (statement_)
    sqlite3_bind_int64(statement_, index, value);
  return *this;
}

Statement &Statement::BindReal(int index, double value) {
  if (statement_)
    sqlite3_bind_double(statement_, index, value);
  return *this;
}

Statement &Statement::Bind(int index, const std::u16string &text) {
  if (statement_) {
    const std::string bytes = Utf8Of(text);
    sqlite3_bind_text(statement_, index, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
  }
  return *this;
}

bool Statement::Step(int wanted) {
  if (!statement_)
    return false;
  const int code = sqlite3_step(statement_);
  if (code == wanted)
    return true;
  if (code != SQLITE_ROW && code != SQLITE_DONE)
    code_ = sqlite3_extended_errcode(cache_.db());
  return false;
}

bool Statement::Row() {
  return Step(SQLITE_ROW);
}

bool Statement::Run() {
  return Step(SQLITE_DONE);
}

void Statement::Reset() {
  if (statement_) {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
}

std::int32_t Statement::Status() const {
  return LibraryStatusOf(code_);
}

std::int64_t Statement::Integer(int column) {
  return sqlite3_column_int64(statement_, column);
}

double Statement::Real(int column) {
  return sqlite3_column_double(statement_, column);
}

bool Statement::IsNull(int column) {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::u16string Statement::Text(int column) {
  const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement_, column));
  return bytes ? Utf16Of({bytes, std::size_t(sqlite3_column_bytes(statement_, column))})
               : std::u16string();
}

} // namespace engine
