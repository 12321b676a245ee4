// A file's loudness as measured while it played: what levelling applies
// to a file whose tags give no gain.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

struct LoudnessMeasure {
  double lufs = 0;    // integrated loudness, EBU R128 / ITU BS.1770
  double peak = 0;    // the highest sample, full scale = 1
  double seconds = 0; // how much was measured: an album's tracks weigh by it
};

// A whole stream measured as it played: which file (as its item names it)
// and what the file was when it was opened.
struct MeasuredFile {
  std::u16string url;
  std::int64_t size = -1;
  std::int64_t modified = -1; // nanoseconds since the epoch
};

} // namespace engine
