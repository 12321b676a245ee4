// The commands that do not play: the saved playlists (listing them, keeping
// or exporting what the user named) and a CD's tracks.
#pragma once

#include "play_run.h"

#include <audioplayer.h>

#include <string>

// Prints the saved playlists, "index: name" a line.
int ListSavedPlaylists(CAudioPlayer &player);

// Keeps the group as a saved playlist of that name.
int SaveAs(CAudioPlayer &player, const Group &group, const std::string &name);

// Prints a CD's tracks, "N: title (m:ss)" a line, and its table of contents.
int ListTracks(CAudioPlayer &player, const Group &cd);

// Writes the group as a playlist file, .asx, .m3u or .wpl by its extension.
int ExportTo(CAudioPlayer &player, const Group &group, const std::string &path);
