// A part of a media file named by its URL, as the tracks of a CUE sheet are:
// "album.flac#t=12.5,201.25" is the file from 12.5 s to 201.25 s, and
// "album.flac#t=201.25" from there to its end (the temporal form of W3C
// Media Fragments, in seconds, optionally "npt:"). Anywhere a URL is taken,
// such a URL plays and reads as that part alone.
#pragma once

#include <optional>
#include <string>

namespace engine {

struct MediaFragment {
  std::u16string file; // the URL or path before the fragment
  double start = 0;    // seconds into the file
  double end = -1;     // seconds into the file; negative: to its end
  double Length(double fileLength) const { return (end >= 0 ? end : fileLength) - start; }
};

// The part a URL names: nullopt unless it ends in a valid "#t=" fragment
// (start before end, neither negative). Text only; see PlayedPart.
std::optional<MediaFragment> ParseMediaFragment(const std::u16string &url);

// The URL of a part, with the shortest decimal seconds that keep the
// CD-frame (1/75 s) precision of a sheet.
std::u16string MediaFragmentUrl(const std::u16string &file, double start, double end = -1);

// What playing `url` plays: its fragment's part, unless the URL names a
// local file as it stands (a file may have "#t=" in its name); else the
// whole of `url`.
MediaFragment PlayedPart(const std::u16string &url);

} // namespace engine
