// CUE sheets of disc images as libcdio can read them. libcdio's sheet
// reader looks for the .bin under the sheet's own name and stops at a
// byte-order mark; EAC and foobar2000 write UTF-8 sheets with a mark, and
// rips are renamed ("Album (Disc 1).cue" over "audio.bin"). Such a sheet is
// read, and its tracks played, through a copy in the cache folder
// ($XDG_CACHE_HOME/audioplayer/disc-images, else ~/.cache/...): the sheet
// without its mark, named after its .bin, beside a link to that .bin. The
// copy is made again whenever the sheet changes. So is cdrdao's .toc with a
// disc-level LANGUAGE_MAP, which libcdio's .toc reader refuses: the copy
// leaves the map out and names its files by their full paths.
#pragma once

#include <string>

namespace engine {

// The path libcdio should open for `path`: a copy as above for a .cue
// sheet of one BINARY file or a .toc that needs one, else `path` itself (also when
// no copy can be made, so that libcdio's own status is what the caller
// reports).
std::string ReadableImage(const std::string &path);

} // namespace engine
