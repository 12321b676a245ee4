// Playlists as the engine plays them through the public interface: an ASX
// entry's refs, and CUE sheets over one file, its own or beside it.
#include "engine_host.h"
#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace engine_host;
using EnginePlaylist = EngineHost;

// An ASX entry's refs are tried in order: the first that opens plays, and
// the entry raises one media error only when none does.
TEST_F(EnginePlaylist, AnAsxEntryPlaysItsFirstRefThatOpens) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("good.wav"), test_media::Kind::Wav, 0.2));
  test_support::WriteFile(folder.File("noise.wav"), "not audio");
  test_support::WriteFile(
      folder.File("list.asx"),
      "<asx><entry><ref href=\"gone.wav\"/><ref href=\"noise.wav\"/>"
      "<ref href=\"good.wav\"/></entry>"
      "<entry><ref href=\"gone-1.wav\"/><ref href=\"gone-2.wav\"/></entry></asx>");
  ASSERT_GE(player->PlayPlaylist(Text(folder.File("list.asx")).c_str()), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 1); }, 2));
  EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 0)) << "the third ref played";
  EXPECT_EQ(IndexesHeard(CN_MediaError), std::vector<long>{1})
      << "only the entry with no ref that opens fails";
}

// The sheet written at rip time names the audio as it was then; the folder
// holds it compressed since, under another extension.
TEST_F(EnginePlaylist, ASheetFindsItsAudioUnderTheExtensionItWasCompressedTo) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("album.FLAC"), test_media::Kind::Flac, 1.0));
  test_support::WriteFile(folder.File("album.cue"),
                          "FILE \"album.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                          "  TRACK 02 AUDIO\n    INDEX 01 00:00:30\n");
  ASSERT_GE(player->PlayPlaylist(Text(folder.File("album.cue")).c_str()), 0);
  ASSERT_EQ(CountOf(player), 2);
  EXPECT_EQ(Ascii(InfoAt(player, 1, INFO_SOURCEURL).szSourceURL).find(folder.File("album.FLAC")),
            0u);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 1); }, 2));
  EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 1));
  EXPECT_FALSE(HeardCode(CN_MediaError));
}

// A track the stream played on into from the one before is the host's
// like one it opened: its position counts from its start, seeks stay in it,
// and the stream still plays on into the track after it.
TEST_F(EnginePlaylist, ATrackReachedByPlayingOnIsTheHostsLikeAnOpenedOne) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("album.wav"), test_media::Kind::Wav, 3.6));
  test_support::WriteFile(folder.File("album.cue"),
                          "FILE \"album.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                          "  TRACK 02 AUDIO\n    INDEX 01 00:00:15\n"
                          "  TRACK 03 AUDIO\n    INDEX 01 00:03:15\n");
  ASSERT_GE(player->PlayPlaylist(Text(folder.File("album.cue")).c_str()), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Playing, 1); }, 1));
  ASSERT_GE(player->Pause(), 0);
  double position = -1;
  EXPECT_GE(player->GetPos(&position), 0);
  EXPECT_LT(position, 3.0) << "track 2 is 3 s long";
  EXPECT_GE(player->SetPos(2.9), 0);
  EXPECT_GE(player->GetPos(&position), 0);
  EXPECT_NEAR(position, 2.9, 0.01);
  long index = -1;
  EXPECT_GE(player->GetPlaylistIndex(&index), 0);
  EXPECT_EQ(index, 1);
  ASSERT_GE(player->Resume(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Playing, 2); }, 1));
  EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 1));
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 2); }, 1));
  EXPECT_FALSE(HeardCode(CN_MediaError));
}

// A FLAC file with its own cue sheet, as metaflac writes it, opens as its
// tracks, which play one after the other to the file's end.
TEST_F(EnginePlaylist, AFlacWithItsOwnCueSheetOpensAsItsTracks) {
  const std::string flac = folder.File("album.flac"), sheet = folder.File("album.cue");
  ASSERT_TRUE(test_media::MakeAudioFile(flac, test_media::Kind::Flac, 1.0));
  test_support::WriteFile(sheet, "FILE \"album.flac\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
                                 " TRACK 02 AUDIO\n  INDEX 01 00:00:45\n");
  ASSERT_EQ(
      ::system(("metaflac --import-cuesheet-from=\"" + sheet + "\" \"" + flac + "\"").c_str()), 0);
  std::filesystem::remove(sheet); // the file's own sheet alone
  ASSERT_GE(player->PlayPlaylist(Text(flac).c_str()), 0);
  ASSERT_EQ(CountOf(player), 2);
  EXPECT_EQ(Ascii(InfoAt(player, 1, INFO_TITLE).szTitle), "Track 2");
  EXPECT_NEAR(InfoAt(player, 0, INFO_DURATION).dDuration, 0.6, 0.001);
  EXPECT_NEAR(InfoAt(player, 1, INFO_DURATION).dDuration, 0.4, 0.01);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 1); }, 2));
  EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 0));
  EXPECT_FALSE(HeardCode(CN_MediaError));
}

} // namespace
