#include "engine/cd/readable_image.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/media/cache_folder.h"

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

// Writes `text` as `name` in the folder of its own that the cache keeps for
// `source`, whole (written aside, then renamed into place, so that a reader
// never sees half of it); the copy's path, or nothing.
std::optional<fs::path> WriteCopy(const fs::path &source, const std::string &name,
                                  const std::string &text) {
  std::error_code error;
  const fs::path folder = CacheFolder("disc-images") / Key(source.string());
  fs::create_directories(folder, error);
  if (error)
    return std::nullopt;
  const fs::path target = folder / name;
  const fs::path partial = folder / (name + ".partial");
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush())
      return std::nullopt;
  }
  fs::rename(partial, target, error);
  return error ? std::nullopt : std::optional(target);
}

constexpr long kSectorBytes = 2352;
constexpr long kSectorSamples = 588;

// A .toc time: "0", "MM:SS:FF" or a count of samples; in sectors, or
// nothing when it is none of those or no whole number of sectors.
std::optional<long> Sectors(const std::string &token) {
  unsigned minutes = 0, seconds = 0, frames = 0;
  char tail = 0;
  if (std::sscanf(token.c_str(), "%u:%u:%u%c", &minutes, &seconds, &frames, &tail) == 3)
    return frames < 75 && seconds < 60 ? std::optional(long((minutes * 60 + seconds) * 75 + frames))
                                       : std::nullopt;
  if (token.empty() || token.find_first_not_of("0123456789") != std::string::npos ||
      token.size() > 12)
    return std::nullopt;
  const long samples = std::atol(token.c_str());
  return samples % kSectorSamples == 0 ? std::optional(samples / kSectorSamples) : std::nullopt;
}

std::string Msf(long sectors) {
  char text[48];
  std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", sectors / 75 / 60, sectors / 75 % 60,
                sectors % 75);
  return text;
}

// A track's FILE line as libcdio reads it right: its start and length in
// MM:SS:FF. libcdio takes a length left out ("to the end of the file") for
// the whole file's, whatever the start, and refuses one given in samples.
// False when the times are none it can be told.
bool ExplicitTimes(std::string &rest, const fs::path &file) {
  std::vector<std::string> tokens;
  for (std::size_t at = rest.find_first_not_of(" \t\r"); at != std::string::npos;) {
    const std::size_t stop = std::min(rest.find_first_of(" \t\r", at), rest.size());
    tokens.push_back(rest.substr(at, stop - at));
    at = rest.find_first_not_of(" \t\r", stop);
  }
  if (tokens.empty() || tokens.size() > 2)
    return false;
  const std::optional<long> start = Sectors(tokens[0]);
  std::optional<long> length;
  if (tokens.size() == 2) {
    length = Sectors(tokens[1]);
  } else {
    std::error_code error;
    const auto bytes = fs::file_size(file, error);
    if (!error && start && long(bytes / kSectorBytes) > *start)
      length = long(bytes / kSectorBytes) - *start;
  }
  if (!start || !length)
    return false;
  std::string times(1, ' ');
  times.append(Msf(*start)).append(1, ' ').append(Msf(*length));
  if (rest.ends_with('\r'))
    times.append(1, '\r');
  rest = std::move(times);
  return true;
}

// cdrdao's .toc: libcdio's reader stops at the disc-level LANGUAGE_MAP
// block that cdrdao's manual writes before the disc's CD-Text, and misreads
// a track's file times given otherwise than in full (above). The copy
// leaves that block out (a disc with one language needs no map), gives
// every track of an audio file its start and length, and names the files
// by their full paths, since it lives elsewhere.
std::string ReadableToc(const fs::path &toc, std::string text) {
  bool changed = false;
  std::size_t map = 0;
  while (map < text.size() && !HasNoCase(text, map, "language_map"))
    ++map;
  const std::size_t open = text.find('{', map);
  const std::size_t close = text.find('}', open);
  if (map < text.size() && close != std::string::npos) {
    text.erase(map, close + 1 - map);
    changed = true;
  }
  const fs::path folder = toc.parent_path();
  std::string copy;
  for (std::size_t line = 0; line < text.size();) {
    std::size_t end = text.find('\n', line);
    end = end == std::string::npos ? text.size() : end;
    std::string row = text.substr(line, end - line);
    line = end + 1;
    const std::size_t at = row.find_first_not_of(" \t");
    for (const char *command : {"file ", "audiofile ", "datafile "}) {
      if (at == std::string::npos || !HasNoCase(row, at, command))
        continue;
      const std::size_t quote = row.find_first_not_of(" \t", at + std::strlen(command));
      const std::size_t closing =
          quote < row.size() && row[quote] == '"' ? row.find('"', quote + 1) : std::string::npos;
      if (closing == std::string::npos)
        break;
      const fs::path file = folder / row.substr(quote + 1, closing - quote - 1);
      if (file.string().find('"') != std::string::npos)
        return toc.string();
      std::string rest = row.substr(closing + 1);
      if (command[0] != 'd' && ExplicitTimes(rest, file) && rest != row.substr(closing + 1))
        changed = true;
      row = row.substr(0, quote + 1) + file.string() + "\"" + rest;
      break;
    }
    copy += row + (line <= text.size() ? "\n" : "");
  }
  if (!changed)
    return toc.string();
  const auto written = WriteCopy(toc, "image.toc", copy);
  return written ? written->string() : toc.string();
}

// A sheet of one BINARY file: the copy is the sheet under the .bin's name,
// its FILE line naming a link to the .bin beside it.
std::string ReadableCue(const fs::path &sheetPath, const std::string &bytes) {
  const Sheet sheet = Read(bytes);
  if (sheet.files != 1 || sheet.nameLength == 0)
    return sheetPath.string(); // several files, or none: libcdio's own answer
  std::error_code error;
  const fs::path bin = sheetPath.parent_path() / sheet.text.substr(sheet.nameAt, sheet.nameLength);
  const bool named = bin.stem() == sheetPath.stem() && bin.parent_path() == sheetPath.parent_path();
  if ((!sheet.marked && named) || !fs::is_regular_file(bin, error))
    return sheetPath.string();
  const std::string stem = "image";
  std::string copy = sheet.text;
  copy.replace(sheet.nameAt, sheet.nameLength, stem + ".bin");
  const fs::path folder = CacheFolder("disc-images") / Key(sheetPath.string());
  fs::create_directories(folder, error);
  const fs::path link = folder / (stem + ".bin");
  fs::remove(link, error);
  fs::create_symlink(fs::absolute(bin, error), link, error);
  if (error)
    return sheetPath.string();
  const auto written = WriteCopy(sheetPath, stem + ".cue", copy);
  return written ? written->string() : sheetPath.string();
}

} // namespace

std::string ReadableImage(const std::string &path) {
  std::error_code error;
  const bool cue = path.size() >= 4 && HasNoCase(path, path.size() - 4, ".cue");
  const bool toc = path.size() >= 4 && HasNoCase(path, path.size() - 4, ".toc");
  if ((!cue && !toc) || !fs::is_regular_file(path, error) ||
      fs::file_size(path, error) > kMaxSheetBytes)
    return path;
  std::ifstream stream(path, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(stream), {}};
  const fs::path absolute = fs::absolute(path, error);
  if (error)
    return path;
  return cue ? ReadableCue(absolute, bytes) : ReadableToc(absolute, std::move(bytes));
}

} // namespace engine
