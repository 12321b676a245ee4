#include "path_kinds.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

bool IsUrl(const std::string &argument) {
  return argument.find("://") != std::string::npos;
}

bool IsPlaylistFile(const std::string &argument) {
  std::string extension = std::filesystem::path(argument).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return extension == ".m3u" || extension == ".m3u8" || extension == ".pls" ||
         extension == ".asx" || extension == ".wpl" || extension == ".xspf" || extension == ".cue";
}
