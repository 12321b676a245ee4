// Where the engine keeps what it can make again from the user's files:
// $XDG_CACHE_HOME/audioplayer/NAME, else ~/.cache/audioplayer/NAME.
#pragma once

#include <cstdlib>
#include <filesystem>

namespace engine {

inline std::filesystem::path CacheFolder(const char *name) {
  const char *cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && *cache != '\0')
    return std::filesystem::path(cache) / "audioplayer" / name;
  const char *home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : "/tmp") / ".cache" / "audioplayer" / name;
}

} // namespace engine
