// Where the registry file lives and how it is read and replaced. A change is
// written to a temporary file in the same folder, flushed to disk and renamed
// over the old file, so a crash leaves either the old or the new registry.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "registry_store.h"

namespace platform::registry {

namespace {

std::string FolderOf(const std::string &path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  if (slash == 0)
    return "/";
  return path.substr(0, slash);
}

// mkdir -p.
bool MakeFolders(const std::string &folder) {
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/')
      continue;
    std::string part = folder.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      return false;
  }
  return true;
}

bool WriteAll(int fd, const std::string &text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
    done += std::size_t(written);
  }
  return true;
}

bool ReadAll(const std::string &path, std::string *text) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  char buffer[8192];
  bool ok = true;
  while (true) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      ok = false;
    if (got <= 0)
      break;
    text->append(buffer, std::size_t(got));
  }
  close(fd);
  return ok;
}

} // namespace

std::string FilePath() {
  const char *named = std::getenv("AUDIOPLAYER_REGISTRY");
  if (named != nullptr && named[0] != 0)
    return named;
  const char *config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] != 0)
    return std::string(config) + "/audioplayer/registry";
  const char *home = std::getenv("HOME");
  std::string base = home != nullptr && home[0] != 0 ? home : ".";
  return base + "/.config/audioplayer/registry";
}

void Load(const std::string &path, Key *root) {
  *root = Key();
  std::string text;
  if (!ReadAll(path, &text))
    return;
  Parse(text, root); // a corrupt file reads as empty until the next change replaces it
}

bool Save(const std::string &path, const Key &root) {
  std::string folder = FolderOf(path);
  if (!MakeFolders(folder))
    return false;
  std::string text = Serialize(root);

  std::vector<char> temp(path.begin(), path.end());
  const char suffix[] = ".tmp.XXXXXX";
  temp.insert(temp.end(), suffix, suffix + sizeof suffix); // with the NUL
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0)
    return false;
  bool ok = WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok)
    ok = rename(temp.data(), path.c_str()) == 0;
  if (!ok) {
    unlink(temp.data());
    return false;
  }
  // Makes the rename itself durable.
  int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);
    close(folderFd);
  }
  return true;
}

} // namespace platform::registry
