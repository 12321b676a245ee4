// CUE sheets over audio files, read as playlists: an album kept as one FLAC
// or WAV (or one file a track) beside the sheet that names its tracks, as
// EAC, CUETools and cdrdao write them.
//
// Each audio TRACK of a FILE of audio (WAVE, FLAC, MP3, AIFF, ...) is one
// entry: the part of its file from its INDEX 01 to the next track's INDEX
// 01 in the same file, or to the file's end (a media fragment URL, see
// media_fragment.h). A pregap between INDEX 00 and INDEX 01 is heard at the
// end of the track before, as a CD player plays it and as the engine's disc
// tracks are cut; PREGAP and POSTGAP silence, which no file holds, is not
// played. Tracks of BINARY or MOTOROLA files are a disc image's, played
// through the CD path (`SetCdromToCurPlaylist`), and data tracks are left
// out. The sheet's TITLE and PERFORMER before the first track are the
// album and its artist; REM GENRE and REM DATE the genre and year.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/playlist_files/playlist_file_reader.h"

namespace engine {

// The entries of a sheet's decoded text; relative FILE names are resolved
// against `baseFolder` (the sheet's folder or folder URL).
std::vector<PlaylistEntry> ParseCueSheet(std::u16string_view text,
                                         const std::u16string &baseFolder);

// What a sheet's REM lines before its first track say of the disc: REM
// GENRE and REM DATE, as EAC writes them. A disc image's sheet gives them
// too, which libcdio does not read.
struct CueRemarks {
  std::u16string genre, year;
};
CueRemarks ReadCueRemarks(std::u16string_view text);

// The silence a disc image's sheet puts on the disc that is in no file
// (PREGAP before a track's INDEX 01, POSTGAP after its audio): for each
// TRACK in order, the sectors of it before that track starts, and last the
// sectors before the lead-out. libcdio leaves it out of the table of
// contents.
std::vector<long> CueSilenceSectors(std::u16string_view text);

} // namespace engine
