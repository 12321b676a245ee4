// The text chunks of an AIFF file: its name (NAME) and author (AUTH), as
// ffmpeg, sox and Apple's tools write them. TagLib reads only an ID3 chunk
// in an AIFF file; where there is none, these are all the file says.
#pragma once

#include <string>

namespace engine {

struct AiffText {
  std::string name, author; // as stored: ASCII by the format, UTF-8 by ffmpeg
};

// The chunks before the sound data, read by their headers (the sound
// itself is passed over); empty for a file that is no AIFF or AIFF-C.
AiffText ReadAiffText(const std::string &path);

} // namespace engine
