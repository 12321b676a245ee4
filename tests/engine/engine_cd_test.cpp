// Audio CDs through the public interface, from disc images the test makes:
// the CD's playlist, playing it track by track, the way back to the
// playlist from before the CD, and the failures.
#include "disc_image.h"
#include "engine/cd/disc.h"
#include "engine/text/utf8_text.h"
#include "engine_host.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>

namespace {

using namespace engine_host;
using EngineCd = EngineHost;

const std::vector<test_media::ImageTrack> kTracks = {
    {75, "First Tone"}, {45, "Second Tone"}, {30, ""}};

TEST_F(EngineCd, AnImageGivesOneItemPerTrackWithItsNameLengthAndTableOfContents) {
  const std::string image = test_media::MakeDiscImage(folder, "disc", kTracks);
  ASSERT_GE(player->SetCdromToCurPlaylist(Text(image).c_str()), 0);
  ASSERT_EQ(CountOf(player), 3);
  const char *names[] = {"First Tone", "Second Tone", "Track 3"};
  const double seconds[] = {1.0, 0.6, 0.4};
  for (long index = 0; index < 3; ++index) {
    SCOPED_TRACE(index);
    const tagMediaInfo info =
        InfoAt(player, index, INFO_TITLE | INFO_AUTHOR | INFO_DURATION | INFO_TOC | INFO_FILETYPE);
    EXPECT_EQ(Ascii(info.szTitle), names[index]);
    EXPECT_EQ(Ascii(info.szAuthor), "Test Performer");
    EXPECT_NEAR(info.dDuration, seconds[index], 0.001);
    // Tracks at sectors 0, 75 and 120, the lead-out at 150, each plus 150.
    EXPECT_EQ(Ascii(info.szTOC), "3+96+E1+10E+12C");
    EXPECT_EQ(Ascii(info.szFileType), "cda");
  }
}

TEST_F(EngineCd, ItPlaysTrackByTrackToTheEndAndClearingLeavesTheCd) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("before.wav"), test_media::Kind::Wav, 0.2));
  ASSERT_GE(player->AppendMusic(Text(folder.File("before.wav")).c_str()), 0);
  const std::string image = test_media::MakeDiscImage(folder, "disc", kTracks);
  ASSERT_GE(player->SetCdromToCurPlaylist(Text(image).c_str()), 0);
  received.clear();
  const auto started = std::chrono::steady_clock::now();
  ASSERT_GE(player->Play(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 2); }, 3));
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1800))
      << "about real time: 2 s of audio";
  for (long index : {0L, 1L, 2L})
    EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, index)) << index;
  EXPECT_FALSE(HeardCode(CN_MediaError));

  // Clearing goes back to the playlist from before the CD, and clears it:
  // the disc's tracks are gone, and the list takes files again.
  ASSERT_GE(player->ClearAllMusic(), 0);
  EXPECT_EQ(CountOf(player), 0);
  ASSERT_GE(player->AppendMusic(Text(folder.File("before.wav")).c_str()), 0);
  EXPECT_EQ(CountOf(player), 1);
}

// A sheet as EAC and foobar2000 write it: UTF-8 with a byte-order mark,
// named otherwise than the .bin it names. Its text reads as written, the
// disc's title and performer are the album's, and its tracks play.
TEST_F(EngineCd, ASheetNamedOtherwiseThanItsBinWithAMarkAndUtf8Text) {
  test_media::MakeDiscImage(folder, "audio", {{30, ""}, {30, ""}});
  test_support::WriteFile(folder.File("Album (Disc 1).cue"),
                          "\xEF\xBB\xBFREM GENRE Chanson\r\nREM DATE 1998\r\n"
                          "TITLE \"Caf\xC3\xA9 Live\"\nPERFORMER \"\xC3\x91"
                          "and\xC3\xBA\"\n"
                          "FILE \"audio.bin\" BINARY\n"
                          "  TRACK 01 AUDIO\n    TITLE \"D\xC3\xA9j\xC3\xA0 vu\"\n"
                          "    INDEX 01 00:00:00\n"
                          "  TRACK 02 AUDIO\n    INDEX 01 00:00:30\n");
  ASSERT_GE(player->SetCdromToCurPlaylist(Text(folder.File("Album (Disc 1).cue")).c_str()), 0);
  ASSERT_EQ(CountOf(player), 2);
  const tagMediaInfo first =
      InfoAt(player, 0, INFO_TITLE | INFO_AUTHOR | INFO_ALBUM | INFO_ALBUMARTIST | INFO_GENRE);
  auto text = [](const unsigned short *field) {
    return std::u16string(field, field + std::char_traits<unsigned short>::length(field));
  };
  EXPECT_EQ(text(first.szTitle), u"D\u00e9j\u00e0 vu");
  EXPECT_EQ(text(first.szAuthor), u"\u00d1and\u00fa");
  EXPECT_EQ(text(first.szAlbum), u"Caf\u00e9 Live");
  EXPECT_EQ(text(first.szAlbumArtist), u"\u00d1and\u00fa");
  // The sheet's REM GENRE and REM DATE, which libcdio does not read.
  EXPECT_EQ(text(first.szGenre), u"Chanson");
  engine::Disc disc;
  const auto device = engine::DiscDeviceOf(engine::Utf16Of(folder.File("Album (Disc 1).cue")));
  ASSERT_TRUE(device);
  ASSERT_EQ(engine::ReadDisc(*device, &disc), 0);
  EXPECT_EQ(engine::TrackAttributes(disc, disc.audio[0], *device)[u"WM/Year"], u"1998");
  received.clear();
  ASSERT_GE(player->Play(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 1); }, 2));
  EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 0));
  EXPECT_FALSE(HeardCode(CN_MediaError));
}

// cdrdao's .toc as its manual writes one: a disc-level CD_TEXT block with a
// LANGUAGE_MAP (which libcdio's reader refuses), per-track CD-Text, and
// tracks that are parts of one file.
TEST_F(EngineCd, ACdrdaoTocWithALanguageMapGivesItsTextAndTracks) {
  test_media::MakeDiscImage(folder, "disc", {{75, ""}, {45, ""}});
  test_support::WriteFile(folder.File("disc.toc"),
                          "CD_DA\n\nCD_TEXT {\n  LANGUAGE_MAP {\n    0 : EN\n  }\n"
                          "  LANGUAGE 0 {\n    TITLE \"Toc Album\"\n    PERFORMER \"Toc Band\"\n"
                          "  }\n}\n\nTRACK AUDIO\nCD_TEXT {\n  LANGUAGE 0 {\n"
                          "    TITLE \"Opening\"\n  }\n}\nFILE \"disc.bin\" 0 00:01:00\n\n"
                          "TRACK AUDIO\nCD_TEXT {\n  LANGUAGE 0 {\n    TITLE \"Closing\"\n"
                          "  }\n}\nFILE \"disc.bin\" 00:01:00 00:00:45\n");
  ASSERT_GE(player->SetCdromToCurPlaylist(Text(folder.File("disc.toc")).c_str()), 0);
  ASSERT_EQ(CountOf(player), 2);
  const char *titles[] = {"Opening", "Closing"};
  const double seconds[] = {1.0, 0.6};
  for (long index = 0; index < 2; ++index) {
    const tagMediaInfo info =
        InfoAt(player, index, INFO_TITLE | INFO_AUTHOR | INFO_ALBUM | INFO_DURATION);
    EXPECT_EQ(Ascii(info.szTitle), titles[index]);
    EXPECT_EQ(Ascii(info.szAuthor), "Toc Band");
    EXPECT_EQ(Ascii(info.szAlbum), "Toc Album");
    EXPECT_NEAR(info.dDuration, seconds[index], 0.001);
  }
  received.clear();
  ASSERT_GE(player->Play(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 1); }, 2));
  EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 0));
  EXPECT_FALSE(HeardCode(CN_MediaError));
}

// A PREGAP is silence the disc has and the .bin does not: the tracks
// after it start that much later in the table of contents, and the track
// plays its own audio.
TEST_F(EngineCd, APregapCountsInTheTableOfContents) {
  test_media::MakeDiscImage(folder, "disc", {{75, ""}, {75, "Second"}});
  test_support::WriteFile(folder.File("gap.cue"),
                          "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                          "  TRACK 02 AUDIO\n    TITLE \"Second\"\n    PREGAP 00:02:00\n"
                          "    INDEX 01 00:01:00\n");
  ASSERT_GE(player->SetCdromToCurPlaylist(Text(folder.File("gap.cue")).c_str()), 0);
  ASSERT_EQ(CountOf(player), 2);
  EXPECT_EQ(Ascii(InfoAt(player, 1, INFO_TOC).szTOC), "2+96+177+1C2");
  EXPECT_NEAR(InfoAt(player, 1, INFO_DURATION).dDuration, 1.0, 0.001);
}

// cdrdao writes a track's times in any of its forms: MM:SS:FF, a count of
// samples, or no length for the rest of the file. Each gives the same
// disc: its tracks' lengths, its lead-out, and a last track that plays.
TEST_F(EngineCd, ACdrdaoTocGivesTheSameDiscWhateverFormItsTimesTake) {
  test_media::MakeDiscImage(folder, "disc", {{75, ""}, {75, ""}, {60, ""}});
  const char *lastFileLines[] = {"FILE \"disc.bin\" 00:02:00 00:00:60",
                                 "FILE \"disc.bin\" 88200 35280", "FILE \"disc.bin\" 00:02:00"};
  int sheet = 0;
  for (const char *last : lastFileLines) {
    SCOPED_TRACE(last);
    const std::string toc = folder.File("disc-" + std::to_string(++sheet) + ".toc");
    test_support::WriteFile(toc, std::string("CD_DA\n\nTRACK AUDIO\nFILE \"disc.bin\" 0 44100\n\n"
                                             "TRACK AUDIO\nFILE \"disc.bin\" 00:01:00 00:01:00\n\n"
                                             "TRACK AUDIO\n") +
                                     last + "\n");
    ASSERT_GE(player->SetCdromToCurPlaylist(Text(toc).c_str()), 0);
    ASSERT_EQ(CountOf(player), 3);
    const double seconds[] = {1.0, 1.0, 0.8};
    for (long index = 0; index < 3; ++index)
      EXPECT_NEAR(InfoAt(player, index, INFO_DURATION).dDuration, seconds[index], 0.001);
    EXPECT_EQ(Ascii(InfoAt(player, 0, INFO_TOC).szTOC), "3+96+E1+12C+168");
    received.clear();
    ASSERT_GE(player->SetPlayListIndex(2), 0);
    ASSERT_GE(player->Play(), 0);
    ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 2); }, 2));
    EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 2));
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
