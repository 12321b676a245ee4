// Writing the current playlist to ASX, M3U and WPL files: the exact bytes
// of each format, the per-format URL limits, and what happens to the file
// on each failure.
#include "player/wmp9_audio_player.h"
#include "support/ole_text.h"
#include "support/proxied_player.h"

#include <atlbase.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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
// Each format's file of `title` holding `urls`, byte for byte.
std::string Asx(const std::string &title, const std::vector<std::string> &urls) {
  std::string text = Fill(kAsxOpening, title);
  for (const std::string &url : urls)
    text += "<Entry>\r\n<Ref href = \"" + url + "\"/>\r\n</Entry>\r\n";
  return text + "</Asx>";
}
std::string M3u(const std::vector<std::string> &urls) {
  std::string text = "#EXTM3U\r\n";
  for (const std::string &url : urls)
    text += "#EXTINF:\r\n" + url + "\r\n\r\n";
  return text;
}
std::string Wpl(const std::string &title, const std::vector<std::string> &urls) {
  std::string text = Fill(kWplOpening, title);
  for (const std::string &url : urls)
    text += "<media src=\"" + url + "\"/>\r\n";
  return text + kWplClosing;
}

class PlaylistFileTest : public CreatedPlayer {
protected:
  void SetUp() override {
    CreatedPlayer::SetUp();
    fs::create_directory(directory); // apart from the engine's own files
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
    const fs::path path(PathOf(name));
    return fs::exists(path) ? test_support::ReadFile(path.string()) : "<missing>";
  }
  bool DirectoryEmpty() { return fs::is_empty(directory); }

  const fs::path directory = folder.path() / "lists";
};

// Each format's bytes: chosen by its extension in any case (the last dot
// starts it; no file is made for any other), titled by the name before it
// and after the last backslash (a folder's on Windows, part of the name on
// Linux),
// holding the URLs it can (ANSI and UTF-8 take a byte an ASCII character,
// plus the NUL: M3U to 519 ANSI bytes, WPL to 259 characters, ASX to 779
// UTF-8 bytes), its text in UTF-8 (ASX, WPL) or the ANSI code page (M3U),
// nothing escaped, and replacing the file that was there.
TEST_F(PlaylistFileTest, EachFormatsBytes) {
  SetCurrent({u"a.mp3"});
  for (std::u16string other : {u"list.xml", u"list", u"list.asxx", u"list.as", u"list.m3u8"})
    EXPECT_EQ(Write(other), E_FAIL);
  EXPECT_TRUE(DirectoryEmpty());

  std::u16string ansi519(519, u'a'), ansi520(520, u'b'), wpl259(259, u'c'), wpl260(260, u'd');
  std::u16string utf779(779, u'e'), utf780(780, u'f'), long600(600, u'g');
  const std::vector<std::u16string> lengths = {ansi519, ansi520, wpl259, wpl260,
                                               utf779,  utf780,  long600};
  auto s = [](const std::u16string &text) { return Utf8(text); };
  // U+00E9 is one byte in Windows-1252 and two in UTF-8; U+65E5 has no
  // Windows-1252 byte and becomes the default character.
  std::u16string wide300(300, u'\u00e9'); // 301 ANSI bytes, 601 UTF-8 bytes
  std::u16string wide400(400, u'\u00e9'); // 401 ANSI bytes, 801 UTF-8 bytes
  const std::vector<std::u16string> accents = {u"C:\\Music\\Caf\u00e9 \u65e5.mp3", wide300,
                                               wide400};
  const std::string cafe = "C:\\Music\\Caf\xC3\xA9 \xE6\x97\xA5.mp3";
  const std::string markup = "http://host/get?a=1&b=\"2\"<3>";
  const std::vector<std::u16string> a = {u"a.mp3"}, marked = {u"http://host/get?a=1&b=\"2\"<3>"};
  const std::vector<std::u16string> party = {u"C:\\Music\\a.mp3", u"C:\\Music\\b.wma"};
  const std::vector<std::string> partyBytes = {"C:\\Music\\a.mp3", "C:\\Music\\b.wma"};
  fs::create_directory(directory / "Lists");
  const struct {
    std::vector<std::u16string> urls;
    std::u16string name;
    std::string bytes;
  } cases[] = {
      {a, u"lower.asx", Asx("lower", {"a.mp3"})},
      {a, u"Mixed.Asx", Asx("Mixed", {"a.mp3"})},
      {a, u"UPPER.ASX", Asx("UPPER", {"a.mp3"})},
      {a, u"x.M3u", M3u({"a.mp3"})},
      {a, u"my.party.wpl", Wpl("my.party", {"a.mp3"})},
      {a, u".asx", Asx("", {"a.mp3"})},
      {party, u"Lists\\Party.asx", Asx("Party", partyBytes)},
      {party, u"Party.m3u", M3u(partyBytes)},
      {party, u"Party.wpl", Wpl("Party", partyBytes)},
      {lengths, u"long.asx",
       Asx("long", {s(ansi519), s(ansi520), s(wpl259), s(wpl260), s(utf779), s(long600)})},
      {lengths, u"long.m3u", M3u({s(ansi519), s(wpl259), s(wpl260)})},
      {lengths, u"long.wpl", Wpl("long", {s(wpl259)})},
      {accents, u"F\u00eate.asx", Asx("F\xC3\xAAte", {cafe, s(wide300)})},
      {accents, u"F\u00eate.m3u",
       M3u({"C:\\Music\\Caf\xE9 ?.mp3", std::string(300, '\xE9'), std::string(400, '\xE9')})},
      {accents, u"F\u00eate.wpl", Wpl("F\xC3\xAAte", {cafe})},
      {marked, u"amp&\"q\".asx", Asx("amp&\"q\"", {markup})},
      {marked, u"amp.m3u", M3u({markup})},
      {marked, u"amp&.wpl", Wpl("amp&", {markup})},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(Utf8(c.name));
    std::ofstream(fs::path(PathOf(c.name)), std::ios::binary) << std::string(4000, 'z');
    SetCurrent(c.urls);
    ASSERT_EQ(Write(c.name), S_OK);
    EXPECT_EQ(Read(c.name), c.bytes);
  }
  // Nothing in the control changed.
  long count = -1;
  EXPECT_EQ(player->GetCurPlaylistCount(&count), S_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(player->GetPLCollectionCount(&count), S_OK);
  EXPECT_EQ(count, 0);
}

TEST_F(PlaylistFileTest, ItemsTheControlCannotGiveAreLeftOutAndEmptyURLsKept) {
  SetCurrent({u"a.mp3", u"b.mp3", u"c.mp3"});
  control.Answer("IWMPMedia.get_sourceURL", 2, Answer::Text(u"")); // item 1
  control.Answer("IWMPPlaylist.get_Item", 3, kRefused);            // item 2
  ASSERT_EQ(Write(u"gaps.m3u"), S_OK);
  EXPECT_EQ(Read(u"gaps.m3u"), M3u({"a.mp3", ""}));

  // With no item left, each format's fixed lines alone.
  control.Forget();
  control.Answer("IWMPPlaylist.get_Item", 0, Answer(S_OK, true));
  ASSERT_EQ(Write(u"noitems.m3u"), S_OK);
  EXPECT_EQ(Read(u"noitems.m3u"), M3u({}));

  control.Forget();
  control.Answer("IWMPMedia.get_sourceURL", 0, Answer(S_OK, true));
  ASSERT_EQ(Write(u"nourl.asx"), S_OK);
  EXPECT_EQ(Read(u"nourl.asx"), Asx("nourl", {}));
  control.Forget();
  control.Answer("IWMPMedia.get_sourceURL", 0, kRefused);
  ASSERT_EQ(Write(u"badurl.wpl"), S_OK);
  EXPECT_EQ(Read(u"badurl.wpl"), Wpl("badurl", {}));
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

} // namespace
