// What an argument names, by its text alone: a URL, or a playlist (or CUE
// sheet) by its extension.
#pragma once

#include <string>

bool IsUrl(const std::string &argument);
bool IsPlaylistFile(const std::string &argument);
