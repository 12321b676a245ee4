// A temporary folder for a test's files, removed with everything in it when
// the test ends.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace test_media {

class TempFolder {
public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "audioplayer-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
      path_ = pattern;
  }
  ~TempFolder() {
    std::error_code error;
    if (!path_.empty())
      std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder &) = delete;
  TempFolder &operator=(const TempFolder &) = delete;

  const std::filesystem::path &path() const { return path_; }
  std::string File(const std::string &name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace test_media
