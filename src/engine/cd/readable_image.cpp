#include "engine/cd/readable_image.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace engine {

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kMaxSheetBytes = 1 << 20; // sheets are a few kilobytes

// Whether `text` has `lower` (lower-case) at `at`, in any case.
bool HasNoCase(const std::string &text, std::size_t at, const std::string &lower) {
  if (at > text.size() || text.size() - at < lower.size())
    return false;
  for (std::size_t i = 0; i < lower.size(); ++i) {
    const char c = text[at + i];
    if (char(c >= 'A' && c <= 'Z' ? c + 32 : c) != lower[i])
      return false;
  }
  return true;
}

fs::path CacheFolder() {
  const char *cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && *cache != '\0')
    return fs::path(cache) / "audioplayer" / "disc-images";
  const char *home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : "/tmp") / ".cache" / "audioplayer" / "disc-images";
}

// FNV-1a of the sheet's path, for a folder of its own in the cache.
std::string Key(const std::string &text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text)
    hash = (hash ^ c) * 1099511628211ull;
  char key[17];
  std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
  return key;
}

// The lines of a sheet and where its one FILE line names its file.
struct Sheet {
  std::string text;       // without a byte-order mark
  bool marked = false;    // it had one
  std::size_t files = 0;  // FILE lines
  std::size_t nameAt = 0; // the first FILE's name: its offset and length
  std::size_t nameLength = 0;
};

Sheet Read(const std::string &bytes) {
  Sheet sheet;
  sheet.marked = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
  sheet.text = sheet.marked ? bytes.substr(3) : bytes;
  std::size_t line = 0;
  while (line < sheet.text.size()) {
    std::size_t end = sheet.text.find('\n', line);
    if (end == std::string::npos)
      end = sheet.text.size();
    std::size_t at = sheet.text.find_first_not_of(" \t", line);
    if (at < end && HasNoCase(sheet.text, at, "file ")) {
      if (++sheet.files == 1) {
        std::size_t name = sheet.text.find_first_not_of(" \t", at + 5);
        if (name < end && sheet.text[name] == '"') {
          const std::size_t close = sheet.text.find('"', name + 1);
          if (close < end) {
            sheet.nameAt = name + 1;
            sheet.nameLength = close - name - 1;
          }
        } else if (name < end) {
          const std::size_t blank = sheet.text.find_last_of(" \t", end - 1);
          if (blank > name) {
            sheet.nameAt = name;
            sheet.nameLength = blank - name;
          }
        }
      }
    }
    line = end + 1;
  }
  return sheet;
}

} // namespace

std::string ReadableImage(const std::string &path) {
  std::error_code error;
  if (path.size() < 4 || !HasNoCase(path, path.size() - 4, ".cue") ||
      !fs::is_regular_file(path, error) || fs::file_size(path, error) > kMaxSheetBytes)
    return path;
  std::ifstream stream(path, std::ios::binary);
  const Sheet sheet = Read({std::istreambuf_iterator<char>(stream), {}});
  if (sheet.files != 1 || sheet.nameLength == 0)
    return path; // several files, or none: libcdio's own answer
  const fs::path sheetPath = fs::absolute(path, error);
  const fs::path bin = sheetPath.parent_path() / sheet.text.substr(sheet.nameAt, sheet.nameLength);
  const bool named = bin.stem() == sheetPath.stem() && bin.parent_path() == sheetPath.parent_path();
  if ((!sheet.marked && named) || !fs::is_regular_file(bin, error))
    return path;

  // The copy: the sheet under the .bin's name, its FILE line naming the
  // link beside it. The folder is the sheet's path's; the copy is written
  // whole and renamed into place, so a reader never sees half of it.
  const fs::path folder = CacheFolder() / Key(sheetPath.string());
  fs::create_directories(folder, error);
  if (error)
    return path;
  const std::string stem = "image";
  std::string copy = sheet.text;
  copy.replace(sheet.nameAt, sheet.nameLength, stem + ".bin");
  const fs::path link = folder / (stem + ".bin");
  fs::remove(link, error);
  fs::create_symlink(fs::absolute(bin, error), link, error);
  if (error)
    return path;
  const fs::path target = folder / (stem + ".cue");
  const fs::path partial = folder / (stem + ".cue.partial");
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << copy;
    if (!out.flush())
      return path;
  }
  fs::rename(partial, target, error);
  return error ? path : target.string();
}

} // namespace engine
