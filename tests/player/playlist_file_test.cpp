// Writing the current playlist to ASX, M3U and WPL files: the exact bytes
// of each format, the per-format URL limits, and what happens to the file
// on each failure.
#include "player/wmp9_audio_player.h"
#include "support/ole_text.h"
#include "support/proxied_player.h"

#include <atlbase.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using control_proxy::Answer;
using test_support::kRefused;
using test_support::Text;
using test_support::Utf8;
namespace fs = std::filesystem;

const char kAsxOpening[] = "<Asx Version = \"3.0\" >\r\n"
                           "<Param Name = \"AllowShuffle\" Value = \"yes\" />\r\n"
                           "<Title >%s</Title>\r\n"
                           "<Param Name = \"encoding\" Value = \"UTF-8\" />\r\n";
const char kWplOpening[] = "\xEF\xBB\xBF<?wpl version=\"1.0\"?>\r\n<smil>\r\n<head>\r\n"
                           "<meta name=\"Generator\" content=\"Halvern Quorvanite\"/>\r\n"
                           "<title>%s</title>\r\n"
                           "</head>\r\n<body>\r\n<seq>\r\n";
const char kWplClosing[] = "</seq>\r\n</body>\r\n</smil>\r\n";

std::string Fill(const char *pattern, const std::string &value) {
  std::string text = pattern;
  return text.replace(text.find("%s"), 2, value);
}
std::string AsxEntry(const std::string &url) {
  return "<Entry>\r\n<Ref href = \"" + url + "\"/>\r\n</Entry>\r\n";
}
std::string M3uEntry(const std::string &url) {
  return "#EXTINF:\r\n" + url + "\r\n\r\n";
}
std::string WplEntry(const std::string &url) {
  return "<media src=\"" + url + "\"/>\r\n";
}

class PlaylistFileTest : public ProxiedPlayer {
protected:
  void SetUp() override {
    ProxiedPlayer::SetUp();
    fs::create_directory(directory); // apart from the engine's own files
    ASSERT_EQ(CreatePlayer(), S_OK);
  }

  // The current playlist holds items of these URLs, put there by a second
  // client of the engine, which takes URLs of any length.
  void SetCurrent(const std::vector<std::u16string> &urls) {
    CComPtr<IWMPPlayer4> engine;
    engine.Attach(control.Engine());
    CComPtr<IWMPPlaylist> playlist;
    ASSERT_EQ(engine->get_currentPlaylist(&playlist), S_OK);
    ASSERT_EQ(playlist->clear(), S_OK);
    for (const std::u16string &url : urls) {
      CComPtr<IWMPMedia> media;
      CComBSTR text(url.c_str());
      ASSERT_EQ(engine->newMedia(text, &media), S_OK);
      ASSERT_EQ(playlist->appendItem(media), S_OK);
    }
  }

  std::u16string PathOf(const std::u16string &name) { return directory.u16string() + u"/" + name; }
  long Write(const std::u16string &name) {
    return player->UpdateCurPlaylistToFile(Text(PathOf(name)).c_str());
  }
  // The file's bytes; "<missing>" when there is none.
  std::string Read(const std::u16string &name) {
    std::ifstream file(fs::path(PathOf(name)), std::ios::binary);
    if (!file)
      return "<missing>";
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  bool DirectoryEmpty() { return fs::is_empty(directory); }

  const fs::path directory = folder.path() / "lists";
};

TEST_F(PlaylistFileTest, TheWorkedExampleInEachFormat) {
  SetCurrent({u"C:\\Music\\a.mp3", u"C:\\Music\\b.wma"});

  ASSERT_EQ(Write(u"Party.m3u"), S_OK);
  EXPECT_EQ(Read(u"Party.m3u"), "#EXTM3U\r\n"
                                "#EXTINF:\r\n"
                                "C:\\Music\\a.mp3\r\n"
                                "\r\n"
                                "#EXTINF:\r\n"
                                "C:\\Music\\b.wma\r\n"
                                "\r\n");

  // A Windows path: the title is the name after the last backslash. (On
  // Windows the backslash names a folder; on Linux it is part of the name.)
  fs::create_directory(directory / "Lists");
  ASSERT_EQ(Write(u"Lists\\Party.asx"), S_OK);
  EXPECT_EQ(Read(u"Lists\\Party.asx"), "<Asx Version = \"3.0\" >\r\n"
                                       "<Param Name = \"AllowShuffle\" Value = \"yes\" />\r\n"
                                       "<Title >Party</Title>\r\n"
                                       "<Param Name = \"encoding\" Value = \"UTF-8\" />\r\n"
                                       "<Entry>\r\n"
                                       "<Ref href = \"C:\\Music\\a.mp3\"/>\r\n"
                                       "</Entry>\r\n"
                                       "<Entry>\r\n"
                                       "<Ref href = \"C:\\Music\\b.wma\"/>\r\n"
                                       "</Entry>\r\n"
                                       "</Asx>");

  ASSERT_EQ(Write(u"Party.wpl"), S_OK);
  EXPECT_EQ(Read(u"Party.wpl"), "\xEF\xBB\xBF"
                                "<?wpl version=\"1.0\"?>\r\n"
                                "<smil>\r\n"
                                "<head>\r\n"
                                "<meta name=\"Generator\" content=\"Halvern Quorvanite\"/>\r\n"
                                "<title>Party</title>\r\n"
                                "</head>\r\n"
                                "<body>\r\n"
                                "<seq>\r\n"
                                "<media src=\"C:\\Music\\a.mp3\"/>\r\n"
                                "<media src=\"C:\\Music\\b.wma\"/>\r\n"
                                "</seq>\r\n"
                                "</body>\r\n"
                                "</smil>\r\n");
  // Nothing in the control changed.
  long count = -1;
  EXPECT_EQ(player->GetCurPlaylistCount(&count), S_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(player->GetPLCollectionCount(&count), S_OK);
  EXPECT_EQ(count, 0);
}

TEST_F(PlaylistFileTest, TheExtensionChoosesTheFormatBeforeAnyFileIsMade) {
  SetCurrent({u"a.mp3"});
  for (std::u16string other : {u"list.xml", u"list", u"list.asxx", u"list.as", u"list.m3u8"})
    EXPECT_EQ(Write(other), E_FAIL);
  EXPECT_TRUE(DirectoryEmpty());

  for (std::u16string name : {u"lower.asx", u"Mixed.Asx", u"UPPER.ASX"}) {
    ASSERT_EQ(Write(name), S_OK);
    std::u16string base = name.substr(0, name.find(u'.'));
    EXPECT_EQ(Read(name), Fill(kAsxOpening, std::string(base.begin(), base.end())) +
                              AsxEntry("a.mp3") + "</Asx>");
  }
  EXPECT_EQ(Write(u"x.M3u"), S_OK);
  EXPECT_EQ(Read(u"x.M3u"), "#EXTM3U\r\n" + M3uEntry("a.mp3"));
  // The last dot starts the extension; a name that is only an extension
  // has an empty title.
  ASSERT_EQ(Write(u"my.party.wpl"), S_OK);
  EXPECT_EQ(Read(u"my.party.wpl"), Fill(kWplOpening, "my.party") + WplEntry("a.mp3") + kWplClosing);
  ASSERT_EQ(Write(u".asx"), S_OK);
  EXPECT_EQ(Read(u".asx"), Fill(kAsxOpening, "") + AsxEntry("a.mp3") + "</Asx>");
}

TEST_F(PlaylistFileTest, AnExistingFileIsReplaced) {
  {
    std::ofstream old(fs::path(PathOf(u"old.m3u")), std::ios::binary);
    old << std::string(4000, 'z');
  }
  SetCurrent({u"a.mp3"});
  ASSERT_EQ(Write(u"old.m3u"), S_OK);
  EXPECT_EQ(Read(u"old.m3u"), "#EXTM3U\r\n" + M3uEntry("a.mp3"));
}

TEST_F(PlaylistFileTest, EachFormatSkipsTheURLsItCannotHold) {
  // ASCII: ANSI and UTF-8 need one byte a character, plus the NUL.
  std::u16string ansi519(519, u'a'), ansi520(520, u'b'), wpl259(259, u'c'), wpl260(260, u'd');
  std::u16string utf779(779, u'e'), utf780(780, u'f'), long600(600, u'g');
  SetCurrent({ansi519, ansi520, wpl259, wpl260, utf779, utf780, long600});
  ASSERT_EQ(Write(u"long.asx"), S_OK);
  ASSERT_EQ(Write(u"long.m3u"), S_OK);
  ASSERT_EQ(Write(u"long.wpl"), S_OK);
  auto s = [](const std::u16string &text) { return Utf8(text); };

  EXPECT_EQ(Read(u"long.asx"), Fill(kAsxOpening, "long") + AsxEntry(s(ansi519)) +
                                   AsxEntry(s(ansi520)) + AsxEntry(s(wpl259)) +
                                   AsxEntry(s(wpl260)) + AsxEntry(s(utf779)) +
                                   AsxEntry(s(long600)) + "</Asx>");
  EXPECT_EQ(Read(u"long.m3u"),
            "#EXTM3U\r\n" + M3uEntry(s(ansi519)) + M3uEntry(s(wpl259)) + M3uEntry(s(wpl260)));
  EXPECT_EQ(Read(u"long.wpl"), Fill(kWplOpening, "long") + WplEntry(s(wpl259)) + kWplClosing);
}

TEST_F(PlaylistFileTest, NonAsciiTextIsUtf8InAsxAndWplAndAnsiInM3u) {
  // U+00E9 is one byte in Windows-1252 and two in UTF-8; U+65E5 has no
  // Windows-1252 byte and becomes the default character.
  std::u16string cafe = u"C:\\Music\\Caf\u00e9 \u65e5.mp3";
  std::u16string wide300(300, u'\u00e9'); // 301 ANSI bytes, 601 UTF-8 bytes
  std::u16string wide400(400, u'\u00e9'); // 401 ANSI bytes, 801 UTF-8 bytes
  SetCurrent({cafe, wide300, wide400});
  ASSERT_EQ(Write(u"F\u00eate.asx"), S_OK);
  ASSERT_EQ(Write(u"F\u00eate.m3u"), S_OK);
  ASSERT_EQ(Write(u"F\u00eate.wpl"), S_OK);

  std::string cafeUtf8 = "C:\\Music\\Caf\xC3\xA9 \xE6\x97\xA5.mp3";
  EXPECT_EQ(Read(u"F\u00eate.asx"), Fill(kAsxOpening, "F\xC3\xAAte") + AsxEntry(cafeUtf8) +
                                        AsxEntry(Utf8(wide300)) + "</Asx>");
  EXPECT_EQ(Read(u"F\u00eate.m3u"), "#EXTM3U\r\n" + M3uEntry("C:\\Music\\Caf\xE9 ?.mp3") +
                                        M3uEntry(std::string(300, '\xE9')) +
                                        M3uEntry(std::string(400, '\xE9')));
  EXPECT_EQ(Read(u"F\u00eate.wpl"),
            Fill(kWplOpening, "F\xC3\xAAte") + WplEntry(cafeUtf8) + kWplClosing);
}

TEST_F(PlaylistFileTest, NothingIsEscaped) {
  std::u16string url = u"http://host/get?a=1&b=\"2\"<3>";
  std::string bytes = "http://host/get?a=1&b=\"2\"<3>";
  SetCurrent({url});
  const char16_t *asxTitle = u"amp&\"q\"";
  std::u16string asxName = asxTitle;
  asxName += u".asx";
  ASSERT_EQ(Write(asxName), S_OK);
  ASSERT_EQ(Write(u"amp.m3u"), S_OK);
  ASSERT_EQ(Write(u"amp&.wpl"), S_OK);
  EXPECT_EQ(Read(asxName), Fill(kAsxOpening, Utf8(asxTitle)) + AsxEntry(bytes) + "</Asx>");
  EXPECT_EQ(Read(u"amp.m3u"), "#EXTM3U\r\n" + M3uEntry(bytes));
  EXPECT_EQ(Read(u"amp&.wpl"), Fill(kWplOpening, "amp&") + WplEntry(bytes) + kWplClosing);
}

TEST_F(PlaylistFileTest, ItemsTheControlCannotGiveAreLeftOutAndEmptyURLsKept) {
  SetCurrent({u"a.mp3", u"b.mp3", u"c.mp3"});
  control.Answer("IWMPMedia.get_sourceURL", 2, Answer::Text(u"")); // item 1
  control.Answer("IWMPPlaylist.get_Item", 3, kRefused);            // item 2
  ASSERT_EQ(Write(u"gaps.m3u"), S_OK);
  EXPECT_EQ(Read(u"gaps.m3u"), "#EXTM3U\r\n" + M3uEntry("a.mp3") + M3uEntry(""));

  // With no item left, each format's fixed lines alone.
  control.Forget();
  control.Answer("IWMPPlaylist.get_Item", 0, Answer(S_OK, true));
  ASSERT_EQ(Write(u"noitems.m3u"), S_OK);
  EXPECT_EQ(Read(u"noitems.m3u"), "#EXTM3U\r\n");

  control.Forget();
  control.Answer("IWMPMedia.get_sourceURL", 0, Answer(S_OK, true));
  ASSERT_EQ(Write(u"nourl.asx"), S_OK);
  EXPECT_EQ(Read(u"nourl.asx"), Fill(kAsxOpening, "nourl") + "</Asx>");
  control.Forget();
  control.Answer("IWMPMedia.get_sourceURL", 0, kRefused);
  ASSERT_EQ(Write(u"badurl.wpl"), S_OK);
  EXPECT_EQ(Read(u"badurl.wpl"), Fill(kWplOpening, "badurl") + kWplClosing);
}

TEST_F(PlaylistFileTest, FailuresAndWhatTheyLeaveOnDisk) {
  SetCurrent({u"a.mp3"});
  control.Answer("IWMPPlayer4.get_currentPlaylist", 0, kRefused);
  EXPECT_EQ(Write(u"none.asx"), kRefused);
  control.Forget();
  control.Answer("IWMPPlayer4.get_currentPlaylist", 0, Answer(S_OK, true));
  EXPECT_EQ(Write(u"none.asx"), E_FAIL);
  EXPECT_TRUE(DirectoryEmpty());

  // The count comes after the opening lines, which stay in the file.
  control.Forget();
  control.Answer("IWMPPlaylist.get_count", 0, kRefused);
  EXPECT_EQ(Write(u"partial.asx"), kRefused);
  EXPECT_EQ(Read(u"partial.asx"), Fill(kAsxOpening, "partial"));
  control.Forget();

  EXPECT_EQ(Write(u"no-such-directory/list.m3u"), E_FAIL);
  CWMP9AudioPlayer uncreated;
  EXPECT_EQ(uncreated.UpdateCurPlaylistToFile(Text(PathOf(u"x.m3u")).c_str()), E_FAIL);
  EXPECT_EQ(Read(u"x.m3u"), "<missing>");
}

TEST_F(PlaylistFileTest, AFileThatCannotBeFlushedFails) {
  if (!fs::exists("/dev/full"))
    GTEST_SKIP() << "needs /dev/full";
  fs::create_symlink("/dev/full", fs::path(PathOf(u"full.m3u")));
  SetCurrent({u"a.mp3"});
  EXPECT_EQ(Write(u"full.m3u"), E_FAIL);
}

// What the writer leaves unescaped the engine's reader still reads back
// to the same items ("&amp;" in a name is the one text it cannot tell
// from an escape, and M3U has no escapes); an empty list reads back empty.
TEST_F(PlaylistFileTest, WrittenListsReadBackToTheSameItems) {
  const std::vector<std::u16string> urls = {
      u"/music/Tom & Jerry.mp3",         u"/music/say \"hi\" now.wav",   u"/music/a\"b.ogg",
      u"/music/it's <live>.flac",        u"/music/caf\u00e9 \u20ac.mp3", u"/music/x&amp;y.mp3",
      u"http://radio.example/s?a=1&b=2",
  };
  for (const char16_t *name :
       {u"Party.asx", u"Party.WPL", u"Party.m3u", u"empty.asx", u"empty.wpl", u"empty.m3u"}) {
    SCOPED_TRACE(Utf8(name));
    const bool empty = name[0] == u'e';
    SetCurrent(empty ? std::vector<std::u16string>{} : urls);
    ASSERT_EQ(Write(name), S_OK);
    ASSERT_EQ(player->SetCurPlaylist(Text(PathOf(name)).c_str()), S_OK);
    std::vector<std::u16string> read, expected = empty ? std::vector<std::u16string>{} : urls;
    if (!empty && name[6] != u'm')
      expected[5] = u"/music/x&y.mp3";
    long count = -1;
    ASSERT_EQ(player->GetCurPlaylistCount(&count), S_OK);
    for (long index = 0; index < count; ++index) {
      tagMediaInfo info{};
      info.dwMask = INFO_SOURCEURL;
      ASSERT_EQ(player->GetCurPlaylistMusicInfo(index, &info), S_OK);
      read.push_back(test_support::U16(reinterpret_cast<const OLECHAR *>(info.szSourceURL)));
    }
    EXPECT_EQ(read, expected);
  }
}

} // namespace
