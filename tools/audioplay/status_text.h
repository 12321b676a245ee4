// What a failure status means, in words a user can act on. Failures of the
// media library name its database file, found by the same rules the
// library follows (see the README).
#pragma once

#include <string>

// The media library's database file.
std::string LibraryPath();

// "the media library at PATH is damaged (status 0x80070570)", or for a
// status without words of its own, "status 0x...".
std::string DescribeStatus(long status);
