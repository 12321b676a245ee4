// What can go wrong with the media library's database, as the statuses the
// control's methods return: each failure has its own, so that a host can
// tell a full disk from a damaged file, and none reads as empty data.
#pragma once

#include <cstdint>

namespace engine {

// The Windows errors these stand for, as HRESULTs (0x8007xxxx).
constexpr std::int32_t kLibraryCannotOpen = std::int32_t(0x8007006E); // ERROR_OPEN_FAILED
constexpr std::int32_t kLibraryCorrupt = std::int32_t(0x80070570);    // ERROR_FILE_CORRUPT
constexpr std::int32_t kLibraryReadOnly = std::int32_t(0x80070013);   // ERROR_WRITE_PROTECT
constexpr std::int32_t kLibraryBusy = std::int32_t(0x80070021);       // ERROR_LOCK_VIOLATION
constexpr std::int32_t kLibraryFull = std::int32_t(0x80070070);       // ERROR_DISK_FULL
constexpr std::int32_t kLibraryIoError = std::int32_t(0x8007045D);    // ERROR_IO_DEVICE
constexpr std::int32_t kLibraryNotFound = std::int32_t(0x80070490);   // ERROR_NOT_FOUND

// Paths the library refuses to take as media.
constexpr std::int32_t kNotAFile = std::int32_t(0x80070150);       // ERROR_DIRECTORY_NOT_SUPPORTED
constexpr std::int32_t kNotRegularFile = std::int32_t(0x80070032); // ERROR_NOT_SUPPORTED

// The status of an SQLite result code (primary or extended); S_OK for
// SQLITE_OK, SQLITE_ROW and SQLITE_DONE.
std::int32_t LibraryStatusOf(int sqliteCode);

// True for a failure of the database itself (the file, the disk, a lock),
// after which the changes of the current turn cannot be trusted; false for
// success and for a request that named something absent.
bool IsDatabaseFailure(std::int32_t status);

} // namespace engine
