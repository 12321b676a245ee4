// Playlist files written by the library's writer read back, through the
// engine's reader, to the same items: the writer escapes nothing, so this
// is where the reader's leniency is needed.
#include "engine/playlist_files/playlist_file_reader.h"
#include "playlist/playlist_file_writer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::u16string> WriteAndReadBack(const std::string &path,
                                             const std::vector<std::u16string> &urls) {
  const std::u16string wide(path.begin(), path.end());
  const std::basic_string<unsigned short> hostPath(wide.begin(), wide.end());
  const PlaylistFileName name = SplitPlaylistPath(hostPath.c_str());
  PlaylistFileWriter writer(*PlaylistFormatOf(name.extension));
  EXPECT_TRUE(writer.Open(hostPath.c_str()));
  writer.WriteOpening(name.baseName);
  for (const std::u16string &url : urls)
    EXPECT_TRUE(writer.WriteEntry(url.c_str()));
  EXPECT_TRUE(writer.Finish());

  std::vector<std::u16string> read;
  auto entries = engine::ReadPlaylistFile(wide);
  EXPECT_TRUE(entries) << path;
  for (const engine::PlaylistEntry &entry : entries.value_or(std::vector<engine::PlaylistEntry>{}))
    read.push_back(entry.url);
  return read;
}

TEST(PlaylistRoundTrip, WrittenAsxM3uAndWplReadBackToTheSameItems) {
  test_support::TempFolder folder;
  const std::vector<std::u16string> urls = {
      u"/music/Tom & Jerry.mp3",         u"/music/say \"hi\" now.wav",   u"/music/a\"b.ogg",
      u"/music/it's <live>.flac",        u"/music/caf\u00e9 \u20ac.mp3", u"/music/x&amp;y.mp3",
      u"http://radio.example/s?a=1&b=2",
  };
  // "&amp;" in a name is the one text the reader cannot tell from an escape.
  std::vector<std::u16string> expected = urls;
  expected[5] = u"/music/x&y.mp3";
  for (const char *file : {"Party.asx", "Party.WPL", "Party.m3u"}) {
    SCOPED_TRACE(file);
    const bool m3u = std::string(file).ends_with("m3u");
    EXPECT_EQ(WriteAndReadBack(folder.File(file), urls), m3u ? urls : expected);
  }
  // Empty lists read back empty, not as a failure.
  EXPECT_TRUE(WriteAndReadBack(folder.File("empty.asx"), {}).empty());
  EXPECT_TRUE(WriteAndReadBack(folder.File("empty.wpl"), {}).empty());
  EXPECT_TRUE(WriteAndReadBack(folder.File("empty.m3u"), {}).empty());
}

} // namespace
