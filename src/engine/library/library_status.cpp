#include "engine/library/library_status.h"

#include <com.h>
#include <sqlite3.h>

namespace engine {

std::int32_t LibraryStatusOf(int sqliteCode) {
  switch (sqliteCode & 0xFF) {
  case SQLITE_OK:
  case SQLITE_ROW:
  case SQLITE_DONE:
    return S_OK;
  case SQLITE_CANTOPEN:
  case SQLITE_PERM:
  case SQLITE_AUTH:
    return kLibraryCannotOpen;
  case SQLITE_CORRUPT:
  case SQLITE_NOTADB:
  case SQLITE_FORMAT:
    return kLibraryCorrupt;
  case SQLITE_READONLY:
    return kLibraryReadOnly;
  case SQLITE_BUSY:
  case SQLITE_LOCKED:
    return kLibraryBusy;
  case SQLITE_FULL:
    return kLibraryFull;
  case SQLITE_IOERR:
    return sqliteCode == SQLITE_IOERR_NOMEM ? E_OUTOFMEMORY : kLibraryIoError;
  case SQLITE_NOMEM:
    return E_OUTOFMEMORY;
  case SQLITE_CONSTRAINT:
    return kLibraryNotFound; // an owner that is not there (foreign key), or a duplicate
  default:
    return E_FAIL;
  }
}

bool IsDatabaseFailure(std::int32_t status) {
  return status < 0 && status != kLibraryNotFound && status != E_INVALIDARG;
}

} // namespace engine
