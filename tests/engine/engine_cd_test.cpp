// Audio CDs through the public interface, from disc images the test makes:
// the CD's playlist as sheets list it, playing, pausing and seeking a
// track, and the failures. (The way back to the playlist from before the
// CD is the selection tests'; a disc played whole, sample for sample, is
// audioplay's.)
#include "disc_image.h"
#include "support/ole_text.h"
#include "engine_host.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using namespace engine_host;
using EngineCd = EngineHost;

constexpr std::uint32_t kEveryField = 0x1FFFFF;
const std::vector<test_media::ImageTrack> kTracks = {
    {75, "First Tone"}, {45, "Second Tone"}, {30, ""}};

// Sheets as others write them, over one image of tones: what each track
// lists ("title|author|album|album artist|genre|seconds"), the disc's table
// of contents, and that its last track plays to its end.
struct Sheet {
  const char *what, *name;
  std::vector<test_media::ImageTrack> image; // disc.bin
  std::string text;
  std::vector<std::string> listed;
  const char *toc;
};
const Sheet kSheets[] = {
    // EAC's and foobar2000's: UTF-8 with a byte-order mark, named otherwise
    // than the .bin it names, REM GENRE (which libcdio does not read).
    {"UTF-8 with a mark",
     "Album (Disc 1).cue",
     {{30, ""}, {30, ""}},
     "\xEF\xBB\xBFREM GENRE Chanson\r\nREM DATE 1998\r\nTITLE \"Caf\xC3\xA9 Live\"\n"
     "PERFORMER \"\xC3\x91"
     "and\xC3\xBA\"\nFILE \"disc.bin\" BINARY\n"
     "  TRACK 01 AUDIO\n    TITLE \"D\xC3\xA9j\xC3\xA0 vu\"\n    INDEX 01 00:00:00\n"
     "  TRACK 02 AUDIO\n    INDEX 01 00:00:30\n",
     {"D\xC3\xA9j\xC3\xA0 vu|\xC3\x91"
      "and\xC3\xBA|Caf\xC3\xA9 Live|\xC3\x91"
      "and\xC3\xBA|Chanson|0.4",
      "Track 2|\xC3\x91"
      "and\xC3\xBA|Caf\xC3\xA9 Live|\xC3\x91"
      "and\xC3\xBA|Chanson|0.4"},
     "2+96+B4+D2"},
    // A PREGAP is silence the disc has and the .bin does not: the tracks
    // after it start that much later.
    {"a pregap",
     "gap.cue",
     {{75, ""}, {75, ""}},
     "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
     "  TRACK 02 AUDIO\n    TITLE \"Second\"\n    PREGAP 00:02:00\n    INDEX 01 00:01:00\n",
     {"Track 1|||||1", "Second|||||1"},
     "2+96+177+1C2"},
    // cdrdao's manual's: a disc-level CD_TEXT block with a LANGUAGE_MAP
    // (which libcdio's reader refuses), per-track CD-Text, parts of one file.
    {"a cdrdao TOC with a language map",
     "disc.toc",
     {{75, ""}, {45, ""}},
     "CD_DA\n\nCD_TEXT {\n  LANGUAGE_MAP {\n    0 : EN\n  }\n  LANGUAGE 0 {\n"
     "    TITLE \"Toc Album\"\n    PERFORMER \"Toc Band\"\n  }\n}\n\nTRACK AUDIO\nCD_TEXT {\n"
     "  LANGUAGE 0 {\n    TITLE \"Opening\"\n  }\n}\nFILE \"disc.bin\" 0 00:01:00\n\n"
     "TRACK AUDIO\nCD_TEXT {\n  LANGUAGE 0 {\n    TITLE \"Closing\"\n  }\n}\n"
     "FILE \"disc.bin\" 00:01:00 00:00:45\n",
     {"Opening|Toc Band|Toc Album|Toc Band||1", "Closing|Toc Band|Toc Album|Toc Band||0.6"},
     "2+96+E1+10E"},
// cdrdao writes a track's times as MM:SS:FF, as samples, or not at all
// for the rest of the file: the same disc each way.
#define TOC_TIMES(what, name, last)                                                                \
  {                                                                                                \
    what, name, {{75, ""}, {75, ""}, {60, ""}},                                                    \
        "CD_DA\n\nTRACK AUDIO\nFILE \"disc.bin\" 0 44100\n\nTRACK AUDIO\n"                         \
        "FILE \"disc.bin\" 00:01:00 00:01:00\n\nTRACK AUDIO\nFILE \"disc.bin\" " last "\n",        \
        {"Track 1|||||1", "Track 2|||||1", "Track 3|||||0.8"}, "3+96+E1+12C+168"                   \
  }
    TOC_TIMES("TOC times in frames", "frames.toc", "00:02:00 00:00:60"),
    TOC_TIMES("TOC times in samples", "samples.toc", "88200 35280"),
    TOC_TIMES("TOC with no last length", "open.toc", "00:02:00"),
#undef TOC_TIMES
};

TEST_F(EngineCd, SheetsAsOthersWriteThemListAndPlayTheirTracks) {
  for (const Sheet &sheet : kSheets) {
    SCOPED_TRACE(sheet.what);
    test_media::MakeDiscImage(folder, "disc", sheet.image);
    test_support::WriteFile(folder.File(sheet.name), sheet.text);
    ASSERT_GE(player->SetCdromToCurPlaylist(Text(folder.File(sheet.name)).c_str()), 0);
    std::vector<std::string> listed;
    auto utf8 = [](const unsigned short *field) {
      return test_support::Utf8(
          std::u16string(field, field + std::char_traits<unsigned short>::length(field)));
    };
    for (long index = 0; index < CountOf(player); ++index) {
      const tagMediaInfo info = InfoAt(player, index, kEveryField);
      char seconds[16];
      std::snprintf(seconds, sizeof seconds, "%g", std::round(info.dDuration * 1000) / 1000);
      listed.push_back(utf8(info.szTitle) + "|" + utf8(info.szAuthor) + "|" + utf8(info.szAlbum) +
                       "|" + utf8(info.szAlbumArtist) + "|" + utf8(info.szGenre) + "|" + seconds);
      EXPECT_EQ(Ascii(info.szTOC), sheet.toc) << index;
    }
    EXPECT_EQ(listed, sheet.listed);
    received.clear();
    const long last = long(sheet.listed.size()) - 1;
    ASSERT_GE(player->SetPlayListIndex(last), 0);
    ASSERT_GE(player->Play(), 0);
    ASSERT_TRUE(PumpUntil([&] { return Received(CN_PlayStateChange, PS_Stopped, last); }, 2));
    EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, last));
    EXPECT_FALSE(HeardCode(CN_MediaError));
  }
}

// Pause, seek within a track and move between tracks, as with files.
TEST_F(EngineCd, ATrackPausesSeeksAndMovesOnLikeAFile) {
  const std::string image = test_media::MakeDiscImage(folder, "long", {{300, "Long"}, {75, ""}});
  ASSERT_GE(player->SetCdromToCurPlaylist(Text(image).c_str()), 0);
  ASSERT_GE(player->Play(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Playing, 0); }, 1));
  ASSERT_GE(player->Pause(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Paused, 0); }, 1));
  ASSERT_GE(player->SetPos(2.5), 0);
  double position = 0;
  PumpUntil([&] { return player->GetPos(&position) >= 0 && std::abs(position - 2.5) < 0.2; }, 0.3);
  EXPECT_NEAR(position, 2.5, 0.2) << "the seek lands";
  received.clear();
  ASSERT_GE(player->NextTrack(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 1); }, 1))
      << "the second track, once paused, waits: moving on stops it";
  ASSERT_GE(player->Play(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_MediaEnded, 1); }, 2))
      << "and it plays to the end of the disc";
}

TEST_F(EngineCd, ASpecifierThatNamesNothingAndADataDiscFail) {
  EXPECT_EQ(player->SetCdromToCurPlaylist(Text(folder.File("none.cue")).c_str()) & 0xFFFFFFFFL,
            0x80070057L);
  EXPECT_EQ(player->SetCdromToCurPlaylist(Text("no-such-drive").c_str()) & 0xFFFFFFFFL,
            0x80070057L);
  const std::string data = test_media::MakeDiscImage(folder, "data", {{75, "", true}});
  EXPECT_EQ(player->SetCdromToCurPlaylist(Text(data).c_str()) & 0xFFFFFFFFL, 0x8007000DL);
  // A bare name is the image in the current folder when there is one.
  test_media::MakeDiscImage(folder, "bare", kTracks);
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  const long bare = player->SetCdromToCurPlaylist(Text("bare.cue").c_str());
  std::filesystem::current_path(before);
  EXPECT_EQ(bare, S_OK);
  // A file that is no disc image says so, unlike a drive without a disc.
  test_support::WriteFile(folder.File("junk.cue"), "not a cue sheet");
  EXPECT_EQ(player->SetCdromToCurPlaylist(Text(folder.File("junk.cue")).c_str()) & 0xFFFFFFFFL,
            0x800706F9L);
}

} // namespace
