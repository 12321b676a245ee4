// The cue sheet a FLAC file carries inside: its CUESHEET metadata block (as
// `metaflac --import-cuesheet-from` and CUETools write it), or else a
// CUESHEET Vorbis comment holding a sheet's text. Such a file opens as its
// tracks wherever a playlist is opened (SetCurPlaylist, PlayPlaylist): each
// track the part of the file from its INDEX 01 to the next track's.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/playlist_files/playlist_file_reader.h"

namespace engine {

// The tracks of a FLAC file's own cue sheet, read from its STREAMINFO,
// CUESHEET and Vorbis comment blocks (16 MB at most; pictures and padding
// are passed over); nullopt when it is no FLAC file or has no sheet with an
// audio track.
std::optional<std::vector<PlaylistEntry>> EmbeddedCueSheet(const std::u16string &path);

// The same from the file's leading bytes, for the fuzzer and the tests.
std::optional<std::vector<PlaylistEntry>> ParseEmbeddedCueSheet(std::string_view bytes,
                                                                const std::u16string &path);

} // namespace engine
