// Writing the text tags a host edits (title, author, album, album artist,
// genre, composer) into the media file itself, so that every other program
// and a fresh library read the edit too.
//
// The write is atomic: the file is copied beside itself, the copy's tags are
// changed and flushed, and the copy is renamed over the file. Whenever the
// process dies, the file is the old one or the new one, whole; TagLib's own
// in-place save can leave a torn file when it must move the audio to make
// room. The audio bytes, every other tag and picture, the file's permissions
// and (where allowed) its owner are kept. Blocks the calling thread for as
// long as copying the file takes: call it off the host's thread.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace engine {

// Why a file was left as it was, as HRESULTs (0x8007xxxx).
constexpr std::int32_t kTagsAccessDenied = std::int32_t(0x80070005);   // E_ACCESSDENIED
constexpr std::int32_t kTagsWriteProtected = std::int32_t(0x80070013); // ERROR_WRITE_PROTECT
constexpr std::int32_t kTagsFileMissing = std::int32_t(0x80070002);    // ERROR_FILE_NOT_FOUND
constexpr std::int32_t kTagsBadFormat = std::int32_t(0x8007000B);      // ERROR_BAD_FORMAT
constexpr std::int32_t kTagsFileChanged = std::int32_t(0x800703EE);    // ERROR_FILE_INVALID
constexpr std::int32_t kTagsDiskFull = std::int32_t(0x80070070);       // ERROR_DISK_FULL
constexpr std::int32_t kTagsIoError = std::int32_t(0x8007045D);        // ERROR_IO_DEVICE

// A file's size and modification time (ns), as the library stamps it.
struct FileState {
  std::int64_t size = -1;
  std::int64_t modified = -1;
  bool operator==(const FileState &) const = default;
};

// Sets the attributes of `wanted` (the control's names; an empty value
// removes the tag, an attribute files do not carry is ignored) in the file
// at `path`, provided the file is still as `expected` says. S_OK when the
// file holds them (`written` is then its new state; unchanged when it held
// them already), else one of the statuses above and the file untouched:
// kTagsAccessDenied for a file or folder this process may not write,
// kTagsWriteProtected on a read-only mount, kTagsBadFormat for a format the
// tag library cannot write, kTagsFileChanged when the file is not as expected.
std::int32_t WriteFileTags(const std::string &path,
                           const std::map<std::u16string, std::u16string> &wanted,
                           FileState expected, FileState *written);

// The state of the file at `path`; false when it is not a regular file.
bool StateOfFile(const std::string &path, FileState *state);

} // namespace engine
