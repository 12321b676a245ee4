// Playlist files as the engine plays them through the public interface:
// the names they give their entries, and playlists named inside playlists.
#include "engine_host.h"
#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace engine_host;
using EnginePlaylist = EngineHost;

std::string TitleAt(CAudioPlayer *player, long index) {
  return Ascii(InfoAt(player, index, INFO_TITLE).szTitle);
}

// The file's own title wins over the playlist's; the playlist's wins over
// the file name.
TEST_F(EnginePlaylist, APlaylistTitleNamesOnlyAnEntryWhoseFileHasNone) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("tagged.wav"), test_media::Kind::Wav, 0.2,
                                        R"(title="Tag Title",artist="Tag Artist")"));
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("plain.wav"), test_media::Kind::Wav, 0.2));
  test_support::WriteFile(folder.File("list.m3u"), "#EXTM3U\n#EXTINF:1,List Artist - List One\n"
                                                   "tagged.wav\n#EXTINF:1,List Two\nplain.wav\n");
  ASSERT_GE(player->SetCurPlaylist(Text(folder.File("list.m3u")).c_str()), 0);
  EXPECT_EQ(TitleAt(player, 0), "Tag Title");
  EXPECT_EQ(TitleAt(player, 1), "List Two");
}

// An M3U that names an XSPF file and itself: the XSPF's tracks play in its
// place, the M3U's own media once, in order, and playback ends.
TEST_F(EnginePlaylist, NestedPlaylistsPlayInPlaceAndASelfIncludingListEnds) {
  for (const char *name : {"a.wav", "b.wav", "c.wav"})
    ASSERT_TRUE(test_media::MakeAudioFile(folder.File(name), test_media::Kind::Wav, 0.2));
  test_support::WriteFile(folder.File("inner.xspf"),
                          "<playlist><trackList><track><location>b.wav</location></track>"
                          "</trackList></playlist>");
  test_support::WriteFile(folder.File("top.m3u"), "a.wav\ninner.xspf\ntop.m3u\nc.wav\n");
  ASSERT_GE(player->PlayPlaylist(Text(folder.File("top.m3u")).c_str()), 0);
  EXPECT_EQ(CountOf(player), 3);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 2); }, 2));
  for (long index : {0L, 1L, 2L})
    EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, index)) << index;
  EXPECT_FALSE(HeardCode(CN_MediaError));
}

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

// Web servers hand out ASF media under a playlist's name: a file named
// .asx, .wax or .wvx that begins with ASF's header is played as media, and
// a real ASX file named .wax is read as a playlist.
TEST_F(EnginePlaylist, AnAsfFileWithAPlaylistsNamePlaysAsMedia) {
  for (const char *name : {"stream.asx", "stream.wax"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(test_media::MakeAudioFile(folder.File(name), test_media::Kind::Wma, 0.3));
    received.clear();
    ASSERT_GE(player->PlayPlaylist(Text(folder.File(name)).c_str()), 0);
    EXPECT_EQ(CountOf(player), 1);
    ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_MediaEnded, 0); }, 2));
    EXPECT_FALSE(HeardCode(CN_MediaError));
  }
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("a.wav"), test_media::Kind::Wav, 0.2));
  test_support::WriteFile(folder.File("list.wvx"),
                          "<asx><entry><ref href=\"a.wav\"/></entry><entry><ref href=\"a.wav\"/>"
                          "</entry></asx>");
  ASSERT_GE(player->SetCurPlaylist(Text(folder.File("list.wvx")).c_str()), 0);
  EXPECT_EQ(CountOf(player), 2);
}

// A CUE sheet over one file: its tracks are items named, credited and
// timed by the sheet, each played from its own start to the next one's,
// with positions and seeks counted from the track's start.
TEST_F(EnginePlaylist, ACueSheetsTracksAreItemsOfTheirOwn) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("album.wav"), test_media::Kind::Wav, 1.5,
                                        R"(title="Whole File",artist="File Artist")"));
  test_support::WriteFile(folder.File("album.cue"),
                          "REM GENRE Jazz\r\nREM DATE 2001\r\nPERFORMER \"Trio\"\r\n"
                          "TITLE \"Live\"\r\nFILE \"album.wav\" WAVE\r\n"
                          "  TRACK 01 AUDIO\r\n    TITLE \"Intro\"\r\n    INDEX 01 00:00:00\r\n"
                          "  TRACK 02 AUDIO\r\n    TITLE \"Solo\"\r\n    PERFORMER \"Bass\"\r\n"
                          "    INDEX 01 00:00:45\r\n"
                          "  TRACK 03 AUDIO\r\n    INDEX 01 00:01:00\r\n");
  ASSERT_GE(player->SetCurPlaylist(Text(folder.File("album.cue")).c_str()), 0);
  ASSERT_EQ(CountOf(player), 3);
  const std::uint32_t mask =
      INFO_TITLE | INFO_AUTHOR | INFO_ALBUM | INFO_ALBUMARTIST | INFO_GENRE | INFO_DURATION;
  const struct {
    const char *title, *author;
    double duration;
  } expected[] = {{"Intro", "Trio", 0.6}, {"Solo", "Bass", 0.4}, {"Track 3", "Trio", 0.5}};
  for (long index = 0; index < 3; ++index) {
    SCOPED_TRACE(index);
    const tagMediaInfo info = InfoAt(player, index, mask);
    EXPECT_EQ(Ascii(info.szTitle), expected[index].title);
    EXPECT_EQ(Ascii(info.szAuthor), expected[index].author);
    EXPECT_EQ(Ascii(info.szAlbum), "Live");
    EXPECT_EQ(Ascii(info.szAlbumArtist), "Trio");
    EXPECT_EQ(Ascii(info.szGenre), "Jazz");
    EXPECT_NEAR(info.dDuration, expected[index].duration, 0.001);
  }

  // Track 2 from its middle: the position is the track's, and the track
  // ends where track 3 begins.
  ASSERT_GE(player->SetPlayListIndex(1), 0);
  ASSERT_GE(player->PlayCurrent(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Playing, 1); }, 1));
  EXPECT_GE(player->SetPos(0.3), 0);
  EXPECT_LT(player->SetPos(0.5), 0); // past the track's end
  double position = -1;
  EXPECT_GE(player->GetPos(&position), 0);
  EXPECT_GE(position, 0.3);
  EXPECT_LT(position, 0.4);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_MediaEnded, 1); }, 1));
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 2); }, 2));
  EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 2));
  EXPECT_FALSE(HeardCode(CN_MediaError));
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
  EXPECT_EQ(TitleAt(player, 1), "Track 2");
  EXPECT_NEAR(InfoAt(player, 0, INFO_DURATION).dDuration, 0.6, 0.001);
  EXPECT_NEAR(InfoAt(player, 1, INFO_DURATION).dDuration, 0.4, 0.01);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 1); }, 2));
  EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 0));
  EXPECT_FALSE(HeardCode(CN_MediaError));
}

} // namespace
