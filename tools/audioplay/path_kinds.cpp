#include "path_kinds.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

bool IsUrl(const std::string &argument) {
  return argument.find("://") != std::string::npos;
}

bool IsPlaylistFile(const std::string &argument) {
  // An http(s) URL's query is no part of its file's name
  // (tunein-station.pls?id=1); a disc's track (cdda://.../disc.cue#1) is no list.
  const bool web = argument.rfind("http://", 0) == 0 || argument.rfind("https://", 0) == 0;
  const std::string path = web ? argument.substr(0, argument.find_first_of("?#")) : argument;
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return extension == ".m3u" || extension == ".m3u8" || extension == ".pls" ||
         extension == ".asx" || extension == ".wax" || extension == ".wvx" || extension == ".wpl" ||
         extension == ".xspf" || extension == ".cue";
}
