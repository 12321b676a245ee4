// Test media made on the spot (see audio_encoding.h), with a test failure
// that says why when a file cannot be made.
#pragma once

#include "audio_encoding.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace test_media {

inline bool MakeAudioFile(const std::string &path, Kind kind, double seconds,
                          const std::string &tags = "") {
  std::string problem;
  const bool made = EncodeAudio(path, kind, seconds, tags, &problem);
  EXPECT_TRUE(made) << problem;
  return made;
}

} // namespace test_media
