// audioplay --info: what the library reports of each media file or
// playlist named.
#pragma once

#include <audioplayer.h>

#include <string>
#include <vector>

// Prints each file's attributes, "Field: value" a line and a blank line
// between files, or with `json` one JSON array of one object per file. A
// playlist or CUE sheet shows each of its entries in order, nested lists
// expanded, as "PATH [N/COUNT]" (in the JSON, an "entry" member N). A file
// or entry that cannot be read as media gets a message that says why (in
// the JSON, an "error" member) and makes the exit status 1; the others are
// still shown.
int ShowInfo(CAudioPlayer &player, const std::vector<std::string> &paths, bool json);
