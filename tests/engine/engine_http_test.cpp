// Playlists by HTTP URL, from a local server the test starts
// (http_server.py) and stops: each format's entries, relative to the
// playlist's URL or to the server's root, and fetches that fail in bounded
// time.
#include "engine_host.h"
#include "http_server.h"
#include "silent_listener.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace engine_host;
using test_support::HttpServer;
// The local server is never reached through a proxy the machine may set.
class EngineHttp : public EngineHost {
protected:
  void SetUp() override {
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    EngineHost::SetUp();
  }
};

std::string SourceAt(CAudioPlayer *player, long index) {
  return Ascii(InfoAt(player, index, INFO_SOURCEURL).szSourceURL);
}

TEST_F(EngineHttp, EachFormatByUrlPlaysItsEntriesInOrder) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("a.wav"), test_media::Kind::Wav, 0.2));
  std::filesystem::create_directories(folder.File("lists/sub"));
  ASSERT_TRUE(
      test_media::MakeAudioFile(folder.File("lists/sub/b.wav"), test_media::Kind::Wav, 0.2));
  HttpServer server("serve", folder.path().string());
  ASSERT_TRUE(server.Running());
  // Relative to the list's folder, and from the server's root.
  const std::string b = server.Url("lists/sub/b.wav"), a = server.Url("a.wav");
  test_support::WriteFile(folder.File("lists/list.m3u"), "sub/b.wav\n/a.wav\n");
  test_support::WriteFile(folder.File("lists/list.pls"),
                          "[playlist]\nFile1=sub/b.wav\nFile2=../a.wav\nNumberOfEntries=2\n");
  test_support::WriteFile(folder.File("lists/list.asx"),
                          "<asx><entry><ref href=\"sub/b.wav\"/></entry>"
                          "<entry><ref href=\"" +
                              a + "\"/></entry></asx>");
  test_support::WriteFile(folder.File("lists/list.wpl"),
                          "<smil><media src=\"sub\\b.wav\"/><media src=\"/a.wav\"/></smil>");
  test_support::WriteFile(folder.File("lists/list.xspf"),
                          "<playlist><trackList><track><location>sub/b.wav</location></track>"
                          "<track><location>../a.wav</location></track></trackList></playlist>");
  // A list or a medium that moved (301, 302) is followed where it went.
  ASSERT_GE(player->PlayPlaylist(Text(server.Url("moved/lists/list.m3u")).c_str()), 0);
  EXPECT_EQ(CountOf(player), 2);
  received.clear();
  ASSERT_GE(player->PlaySingleFile(Text(server.Url("found/a.wav")).c_str()), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_MediaEnded, 0); }, 2));
  EXPECT_FALSE(HeardCode(CN_MediaError));
  // Each format's list plays both entries, in order, to its end; a URL's
  // query or fragment leaves its file's name as it is.
  for (const char *name : {"list.m3u", "list.pls?id=1", "list.asx", "list.wpl", "list.xspf#top"}) {
    SCOPED_TRACE(name);
    received.clear();
    ASSERT_GE(player->PlayPlaylist(Text(server.Url(std::string("lists/") + name)).c_str()), 0);
    ASSERT_EQ(CountOf(player), 2);
    EXPECT_EQ(SourceAt(player, 0), b);
    EXPECT_EQ(SourceAt(player, 1), a);
    ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 1); }, 2));
    EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 0));
    EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, 1));
    EXPECT_FALSE(HeardCode(CN_MediaError));
  }
}

// A URL with no list's name whose server hands out a list, by its type or
// as plain text, plays the list's entries as its own URLs: the first that
// opens is the item. Text that does not begin as a list is none: it fails
// once, as the medium it was served for.
TEST_F(EngineHttp, AListServedForAMediaUrlPlaysItsEntries) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("a.wav"), test_media::Kind::Wav, 0.2));
  test_support::WriteFile(folder.File("station.m3u"),
                          "#EXTM3U\n#EXTINF:-1,One\n/gone.mp3\n/a.wav\n");
  test_support::WriteFile(folder.File("station.txt"),
                          "[playlist]\nFile1=a.wav\nNumberOfEntries=1\n");
  HttpServer server("serve", folder.path().string());
  ASSERT_TRUE(server.Running());
  for (const char *list : {"station.m3u", "station.txt"}) {
    SCOPED_TRACE(list);
    received.clear();
    ASSERT_GE(player->PlaySingleFile(Text(server.Url(std::string("listen?") + list)).c_str()), 0);
    ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_MediaEnded, 0); }, 5));
    EXPECT_FALSE(HeardCode(CN_MediaError));
  }
  test_support::WriteFile(folder.File("notes.txt"), "a.wav\nnot a list\n");
  received.clear();
  ASSERT_GE(player->PlaySingleFile(Text(server.Url("listen?notes.txt")).c_str()), 0);
  ASSERT_TRUE(PumpUntil([] { return HeardCode(CN_MediaError); }, 12));
  EXPECT_FALSE(Received(CN_PlayStateChange, PS_Playing, 0));
}

// A server that never answers, one that hangs up mid-body and a missing
// list: each a failure status, none a hang.
TEST_F(EngineHttp, AFetchThatFailsGivesAStatusWithinItsBound) {
  HttpServer silent("silent"), cut("cut");
  ASSERT_TRUE(silent.Running());
  ASSERT_TRUE(cut.Running());
  auto load = [&](const std::string &url) {
    const auto started = std::chrono::steady_clock::now();
    const long status = player->SetCurPlaylist(Text(url).c_str());
    // The fetch gives up after 5 s, and says so (the status below); this is
    // ten times that, so that only a fetch without a bound fails here.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(50)) << url;
    return status & 0xFFFFFFFFL;
  };
  EXPECT_EQ(load(silent.Url("list.m3u")), 0x800705B4L) << "timed out";
  EXPECT_EQ(load(cut.Url("list.m3u")), 0x80070002L) << "broken off";
  HttpServer files("serve", folder.path().string());
  ASSERT_TRUE(files.Running());
  EXPECT_EQ(load(files.Url("absent.m3u")), 0x80070002L) << "not there";
}

// Lists by URL nested in a list share one bound: with three nested lists on
// a server that takes connections and never answers, the first fetch
// spends the bound and the others are not even tried, so the host's thread
// is held as long as for one. They stay, and each fails at once when
// played, with its own error; the file after them plays.
TEST_F(EngineHttp, NestedListsByUrlShareOneBoundAndFailAtOnceWhenPlayed) {
  test_support::SilentListener silent;
  ASSERT_TRUE(silent.Listening());
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("a.wav"), test_media::Kind::Wav, 0.2));
  test_support::WriteFile(folder.File("top.m3u"), silent.Url("one.m3u") + "\n" +
                                                      silent.Url("two.m3u") + "\n" +
                                                      silent.Url("three.m3u") + "\na.wav\n");
  ASSERT_GE(player->PlayPlaylist(Text(folder.File("top.m3u")).c_str()), 0);
  EXPECT_EQ(CountOf(player), 4) << "the lists not read stay as entries";
  EXPECT_EQ(silent.Connections(), 1) << "fetches tried after the bound was spent";
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_MediaEnded, 3); }, 2));
  EXPECT_EQ(IndexesHeard(CN_MediaError), (std::vector<long>{0, 1, 2}));
  EXPECT_EQ(silent.Connections(), 0) << "an entry whose fetch failed is not opened again";
}

// An Icecast-style station whose title changes as it plays: the playing
// item's title follows it, whole, and the artist of its "Artist - Title"
// form is the item's author; the station's name is its album, and its
// genre the item's.
TEST_F(EngineHttp, AStationsTitleFollowsTheStream) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("tone.mp3"), test_media::Kind::Mp3, 2.0));
  HttpServer station("icy", folder.File("tone.mp3"));
  ASSERT_TRUE(station.Running());
  ASSERT_GE(player->PlaySingleFile(Text(station.Url("live")).c_str()), 0);
  std::vector<std::string> titles;
  std::string author, album, genre;
  // Titles change every second; an idle machine hears three in about three.
  EXPECT_TRUE(PumpUntil(
      [&] {
        const tagMediaInfo info =
            InfoAt(player, 0, INFO_TITLE | INFO_AUTHOR | INFO_ALBUM | INFO_GENRE);
        const std::string title = Ascii(info.szTitle);
        if (title.rfind("Artist ", 0) == 0 && (titles.empty() || titles.back() != title)) {
          titles.push_back(title);
          author = Ascii(info.szAuthor);
          album = Ascii(info.szAlbum);
          genre = Ascii(info.szGenre);
        }
        return titles.size() >= 3;
      },
      5));
  ASSERT_GE(titles.size(), 3u);
  EXPECT_EQ(titles[0], "Artist 0 - Song 0");
  EXPECT_EQ(titles[1], "Artist 1 - Song 1");
  EXPECT_EQ(titles[2], "Artist 2 - Song 2");
  EXPECT_EQ(author, "Artist 2");
  EXPECT_EQ(album, "Loopback Radio") << "the station's name";
  EXPECT_EQ(genre, "Test") << "the station's genre";
  player->Stop();
}

long Heard(long code, long first, long second) {
  long count = 0;
  for (const Notification &n : received)
    count += n == Notification{code, first, second};
  return count;
}

// A station whose connection drops twice and then holds plays on as the
// same item, heard as a stall (on its way, then playing again), with no end
// in between. One that drops every time ends after three reconnections.
// A file served without a length, which ends as a drop does, is no
// station: it plays once.
TEST_F(EngineHttp, ALiveStreamThatDropsIsReopened) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("tone.mp3"), test_media::Kind::Mp3, 2.0));
  {
    HttpServer station("drops 2", folder.File("tone.mp3"));
    ASSERT_TRUE(station.Running());
    ASSERT_GE(player->PlaySingleFile(Text(station.Url("live")).c_str()), 0);
    // A second of sound and a second's pause per drop.
    EXPECT_TRUE(PumpUntil([] { return Heard(CN_PlayStateChange, PS_Playing, 0) >= 3; }, 6));
    EXPECT_EQ(Heard(CN_PlayStateChange, PS_Transitioning, 0), 3);
    EXPECT_FALSE(HeardCode(CN_MediaError));
    EXPECT_EQ(Heard(CN_PlayStateChange, PS_MediaEnded, 0), 0);
    player->Stop();
    ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 0); }, 1));
  }
  received.clear();
  HttpServer station("drops -1", folder.File("tone.mp3"));
  ASSERT_TRUE(station.Running());
  ASSERT_GE(player->PlaySingleFile(Text(station.Url("gone")).c_str()), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 0); }, 10));
  EXPECT_EQ(Heard(CN_PlayStateChange, PS_Playing, 0), 4);
  received.clear();
  HttpServer files("serve", folder.path().string());
  ASSERT_TRUE(files.Running());
  ASSERT_GE(player->PlaySingleFile(Text(files.Url("unsized/tone.mp3")).c_str()), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 0); }, 10));
  EXPECT_EQ(Heard(CN_PlayStateChange, PS_Playing, 0), 1);
  EXPECT_EQ(Heard(CN_PlayStateChange, PS_MediaEnded, 0), 1);
}

// A network item has no file to read: what its stream says while it plays
// (tags, length) is kept in the library, and GetMusicInfo reports it after.
TEST_F(EngineHttp, AnHttpMp3PlayedOnceReportsItsTitleAndDuration) {
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("song.mp3"), test_media::Kind::Mp3, 1.0,
                                        R"(title="Streamed Title",artist="Streamed Artist")"));
  HttpServer server("serve", folder.path().string());
  ASSERT_TRUE(server.Running());
  const auto url = Text(server.Url("song.mp3"));
  tagMediaInfo before{};
  before.dwMask = INFO_DURATION;
  ASSERT_GE(player->GetMusicInfo(url.c_str(), &before), 0);
  EXPECT_EQ(before.dDuration, 0) << "not read before it plays";

  ASSERT_GE(player->PlaySingleFile(url.c_str()), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_MediaEnded, 0); }, 2));
  tagMediaInfo after{};
  after.dwMask = INFO_TITLE | INFO_AUTHOR | INFO_DURATION;
  ASSERT_GE(player->GetMusicInfo(url.c_str(), &after), 0);
  EXPECT_EQ(Ascii(after.szTitle), "Streamed Title");
  EXPECT_EQ(Ascii(after.szAuthor), "Streamed Artist");
  EXPECT_NEAR(after.dDuration, 1.0, 0.15);
}

} // namespace
