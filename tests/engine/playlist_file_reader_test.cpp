#include "engine/playlist_files/playlist_file_reader.h"

#include "engine/playlist_files/flac_cue_sheet.h"

#include "engine/playlist_files/playlist_markup.h"
#include "engine/text/utf8_text.h"
#include "flac_blocks.h"
#include "generated_media.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using engine::ParsePlaylist;
using engine::PlaylistEntry;
using engine::PlaylistFormat;

// Entries as "url|title" lines, for readable comparisons.
std::vector<std::string> Flat(const std::vector<PlaylistEntry> &entries) {
  std::vector<std::string> flat;
  for (const PlaylistEntry &entry : entries)
    flat.push_back(engine::Utf8Of(entry.url) + "|" + engine::Utf8Of(entry.title));
  return flat;
}
using Lines = std::vector<std::string>;

std::vector<std::string> Parse(PlaylistFormat format, const std::string &bytes,
                               const std::u16string &base = u"/lists") {
  return Flat(ParsePlaylist(format, bytes, base));
}

TEST(PlaylistFileReader, FormatFollowsTheExtensionInAnyCase) {
  EXPECT_EQ(engine::PlaylistFormatOf(u"/a/b.m3u"), PlaylistFormat::M3U);
  EXPECT_EQ(engine::PlaylistFormatOf(u"/a/b.M3U8"), PlaylistFormat::M3U);
  EXPECT_EQ(engine::PlaylistFormatOf(u"b.Pls"), PlaylistFormat::PLS);
  EXPECT_EQ(engine::PlaylistFormatOf(u"C:\\x\\b.ASX"), PlaylistFormat::ASX);
  EXPECT_EQ(engine::PlaylistFormatOf(u"/a/b.wpl"), PlaylistFormat::WPL);
  EXPECT_EQ(engine::PlaylistFormatOf(u"/a/b.XSPF"), PlaylistFormat::XSPF);
  EXPECT_EQ(engine::PlaylistFormatOf(u"/a/b.Cue"), PlaylistFormat::CUE);
  EXPECT_EQ(engine::PlaylistFormatOf(u"/a/b.mp3"), PlaylistFormat::Unknown);
  EXPECT_EQ(engine::PlaylistFormatOf(u"/a.m3u/b"), PlaylistFormat::Unknown);
  EXPECT_EQ(engine::PlaylistFormatOf(u"m3u"), PlaylistFormat::Unknown);
}

TEST(PlaylistFileReader, M3uTitlesPathsUrlsAndEncodings) {
  const std::string m3u = "\xEF\xBB\xBF#EXTM3U\r\n"
                          "#EXTINF:123, First Song \r\n"
                          "a.mp3\r\n"
                          "\r\n"
                          "# a comment\n"
                          "#extinf:-1,Radio\n"
                          "http://radio.example/stream?x=1&y=2\n"
                          "#EXTINF:\n"
                          "/abs/b.flac\n"
                          "sub/../c d.ogg\r"
                          "file:///music/caf%C3%A9%20x.wav\n"
                          "file://localhost/music/e.wav\n"
                          "C:\\Music\\f.wma\n"
                          "  \t\n";
  EXPECT_EQ(
      Parse(PlaylistFormat::M3U, m3u),
      (Lines{"/lists/a.mp3|First Song", "http://radio.example/stream?x=1&y=2|Radio", "/abs/b.flac|",
             "/lists/c d.ogg|", "/music/caf\u00e9 x.wav|", "/music/e.wav|", "C:\\Music\\f.wma|"}));
  // An IPTV list: the title follows the attributes, whose quoted values may
  // hold commas; the group is the entry's genre.
  const auto iptv =
      ParsePlaylist(PlaylistFormat::M3U,
                    "#EXTM3U\n#EXTINF:-1 tvg-name=\"One\" tvg-logo=\"http://l/1.png\" "
                    "group-title=\"News, Sport\",Channel One\nhttp://tv/1.ts\n",
                    u"/lists");
  EXPECT_EQ(Flat(iptv), (Lines{"http://tv/1.ts|Channel One"}));
  ASSERT_EQ(iptv.size(), 1u);
  EXPECT_EQ(iptv[0].attributes,
            (std::map<std::u16string, std::u16string>{{u"WM/Genre", u"News, Sport"}}));
  // A title line names only the entry that follows it.
  EXPECT_EQ(Parse(PlaylistFormat::M3U, "#EXTINF:1,T\nx.mp3\ny.mp3\n"),
            (Lines{"/lists/x.mp3|T", "/lists/y.mp3|"}));
  // Not UTF-8: the bytes are Windows-1252, as the library's own writer makes them.
  EXPECT_EQ(Parse(PlaylistFormat::M3U, "#EXTINF:1,Caf\xE9 \x80\n/m/\xE9t\xE9.mp3\n"),
            (Lines{"/m/\u00e9t\u00e9.mp3|Caf\u00e9 \u20ac"}));
  // UTF-8 without a byte order mark stays UTF-8.
  EXPECT_EQ(Parse(PlaylistFormat::M3U, "/m/\xC3\xA9t\xC3\xA9.mp3\n"),
            (Lines{"/m/\u00e9t\u00e9.mp3|"}));
  // With no folder to resolve against, relative entries stay relative.
  EXPECT_EQ(Parse(PlaylistFormat::M3U, "a.mp3", u""), (Lines{"a.mp3|"}));
  // The library's writer: #EXTINF: lines without title, an empty line after each.
  EXPECT_EQ(Parse(PlaylistFormat::M3U, "#EXTM3U\r\n#EXTINF:\r\n/m/a&b.mp3\r\n\r\n#EXTINF:\r\n/m/"
                                       "\"q\".mp3\r\n\r\n"),
            (Lines{"/m/a&b.mp3|", "/m/\"q\".mp3|"}));
}

TEST(PlaylistFileReader, PlsEntriesFollowTheirNumbers) {
  const std::string pls = "[playlist]\r\n"
                          "NumberOfEntries=3\r\n"
                          "File2=two.mp3\r\n"
                          "Title2=Second\r\n"
                          "file1=http://a.example/one\r\n"
                          "TITLE1=First = best\r\n"
                          "Length1=-1\r\n"
                          "Title3=orphan title\r\n"
                          "File10=/ten.mp3\r\n"
                          "Filex=nonsense\r\n"
                          "garbage line\r\n"
                          "Version=2\r\n";
  EXPECT_EQ(Parse(PlaylistFormat::PLS, pls),
            (Lines{"http://a.example/one|First = best", "/lists/two.mp3|Second", "/ten.mp3|"}));
}

// Sheets as EAC, CUETools and cdrdao write them: each audio track is the
// part of its file from its INDEX 01 to the next one in that file (a
// pregap is the end of the track before), named by the sheet.
TEST(PlaylistFileReader, CueSheetsGiveOneEntryPerAudioTrack) {
  // EAC, one file: UTF-8 with a byte-order mark, CRLF, REM fields, a pregap.
  const std::string single = "\xEF\xBB\xBFREM GENRE \"Art Rock\"\r\nREM DATE 1999\r\n"
                             "PERFORMER \"The Band\"\r\nTITLE \"Caf\xC3\xA9 Album\"\r\n"
                             "FILE \"Album Name.flac\" WAVE\r\n"
                             "  TRACK 01 AUDIO\r\n    TITLE \"One\"\r\n"
                             "    PERFORMER \"Guest\"\r\n    INDEX 01 00:00:00\r\n"
                             "  TRACK 02 AUDIO\r\n    TITLE \"Two\"\r\n"
                             "    INDEX 00 03:58:10\r\n    INDEX 01 04:00:00\r\n"
                             "  TRACK 03 AUDIO\r\n    INDEX 01 07:30:37\r\n";
  const auto entries = ParsePlaylist(PlaylistFormat::CUE, single, u"/music");
  EXPECT_EQ(Flat(entries), (Lines{"/music/Album Name.flac#t=0,240|One",
                                  "/music/Album Name.flac#t=240,450.493333|Two",
                                  "/music/Album Name.flac#t=450.493333|Track 3"}));
  ASSERT_EQ(entries.size(), 3u);
  using Attributes = std::map<std::u16string, std::u16string>;
  EXPECT_EQ(entries[0].attributes, (Attributes{{u"Title", u"One"},
                                               {u"Author", u"Guest"},
                                               {u"Album", u"Café Album"},
                                               {u"AlbumArtist", u"The Band"},
                                               {u"WM/Genre", u"Art Rock"},
                                               {u"WM/Year", u"1999"},
                                               {u"WM/TrackNumber", u"1"}}));
  EXPECT_EQ(entries[2].attributes.at(u"Author"), u"The Band"); // the album's artist

  // EAC's non-compliant layout, a file a track: track 2's pregap closes
  // file 1, which plays to its end; a data track and a BINARY file are a
  // disc image's, left out; bare names, lower-case keywords, Windows-1252.
  const std::string files = "FILE 01 Intro.wav WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
                            " TRACK 02 AUDIO\n  TITLE \"Caf\xE9\"\n  INDEX 00 04:10:20\n"
                            "file \"02.wav\" wave\n  index 01 00:00:00\n"
                            "FILE \"data.bin\" BINARY\n TRACK 03 MODE1/2352\n  INDEX 01 00:00:00\n"
                            "FILE \"04.wav\" WAVE\n TRACK 04 MODE2/2352\n  INDEX 01 00:00:00\n";
  EXPECT_EQ(Parse(PlaylistFormat::CUE, files, u"/m"),
            (Lines{"/m/01 Intro.wav#t=0|Track 1", "/m/02.wav#t=0|Café"}));
  // A sheet of a disc image alone, or of nothing, has no entries.
  EXPECT_EQ(
      Parse(PlaylistFormat::CUE, "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"),
      Lines{});
  EXPECT_EQ(Parse(PlaylistFormat::CUE, "TRACK 01 AUDIO\nINDEX 01 99:99:99\nFILE\nINDEX 01\n"),
            Lines{});
}

// A FLAC file's own cue sheet, as a CUESHEET block (sample offsets, a data
// track left out) or a CUESHEET comment (a sheet's text, whatever file it
// names): its tracks are parts of the file itself.
TEST(PlaylistFileReader, AFlacFilesOwnCueSheetGivesItsTracks) {
  std::string streamInfo(34, '\0');
  streamInfo[10] = 0x0A, streamInfo[11] = char(0xC4), streamInfo[12] = 0x42; // 44,100 Hz
  std::string flac = "fLaC";
  flac += char(0x80); // STREAMINFO, the last block
  test_media::AppendBigEndian(flac, 34, 3);
  flac += streamInfo;
  auto tracks = [](const std::string &bytes) {
    auto entries = engine::ParseEmbeddedCueSheet(bytes, u"/m/a.flac");
    return entries ? Flat(*entries) : Lines{"none"};
  };
  EXPECT_EQ(tracks(test_media::WithBlock(
                flac, 5, test_media::CueSheetBlock({{1, 0}, {2, 44100}, {3, 88200}}, 132300))),
            (Lines{"/m/a.flac#t=0,1|Track 1", "/m/a.flac#t=1,2|Track 2", "/m/a.flac#t=2|Track 3"}));
  EXPECT_EQ(tracks(test_media::WithBlock(
                flac, 5, test_media::CueSheetBlock({{1, 0}, {2, 22050}}, 132300, true))),
            Lines{"/m/a.flac#t=0.5|Track 2"});
  const std::string sheet = "CUESHEET=FILE \"elsewhere.wav\" WAVE\r\n TRACK 01 AUDIO\r\n"
                            "  TITLE \"A\"\r\n  INDEX 01 00:00:00\r\n TRACK 02 AUDIO\r\n"
                            "  INDEX 01 00:01:00\r\n";
  EXPECT_EQ(tracks(test_media::WithBlock(flac, 4, test_media::CommentBlock({"TITLE=x", sheet}))),
            (Lines{"/m/a.flac#t=0,1|A", "/m/a.flac#t=1|Track 2"}));
  // No sheet, no FLAC, or metadata cut short: not a list of tracks.
  EXPECT_EQ(tracks(flac), Lines{"none"});
  EXPECT_EQ(tracks("RIFF" + flac), Lines{"none"});
  const std::string whole =
      test_media::WithBlock(flac, 5, test_media::CueSheetBlock({{1, 0}, {2, 44100}}, 88200));
  for (std::size_t cut = 0; cut < whole.size(); cut += 7)
    EXPECT_EQ(tracks(whole.substr(0, cut)), Lines{"none"}) << cut;
}

TEST(PlaylistFileReader, AsxEntriesRefsTitlesAndEntities) {
  const std::string asx = "<ASX version=\"3.0\">\n"
                          "  <TITLE>The list, not an entry</TITLE>\n"
                          "  <!-- <entry><ref href=\"commented.mp3\"/></entry> -->\n"
                          "  <Entry>\n"
                          "    <Title>Tom &amp; Jerry &lt;live&gt; &quot;x&quot; &apos;y&apos; "
                          "&#233;&#xE9;</Title>\n"
                          "    <Ref HREF = 'one.mp3' />\n"
                          "    <ref href=\"second-ref.mp3\"/>\n"
                          "  </Entry>\n"
                          "  <entry><ref href=\"mms://srv/a?x=1&amp;y=2\"></ref></entry>\n"
                          "  <entry><title>no ref</title></entry>\n"
                          "  <entry><ref href=file:///m/bare.wav/></entry>\n"
                          "</asx>";
  EXPECT_EQ(Parse(PlaylistFormat::ASX, asx),
            (Lines{"/lists/one.mp3|Tom & Jerry <live> \"x\" 'y' \u00e9\u00e9",
                   "mms://srv/a?x=1&y=2|", "/m/bare.wav|"}));
  // An entry's further refs are its alternatives, in order.
  const auto entries = ParsePlaylist(PlaylistFormat::ASX, asx, u"/lists");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].alternatives, (std::vector<std::u16string>{u"/lists/second-ref.mp3"}));
  EXPECT_TRUE(entries[1].alternatives.empty());

  // What the library's writer makes: unescaped ampersands and quotes.
  const std::string written = "<Asx Version = \"3.0\" >\r\n"
                              "<Param Name = \"AllowShuffle\" Value = \"yes\" />\r\n"
                              "<Title >Party</Title>\r\n"
                              "<Param Name = \"encoding\" Value = \"UTF-8\" />\r\n"
                              "<Entry>\r\n<Ref href = \"/m/Tom & Jerry.mp3\"/>\r\n</Entry>\r\n"
                              "<Entry>\r\n<Ref href = \"/m/say \"hi\" now.mp3\"/>\r\n</Entry>\r\n"
                              "<Entry>\r\n<Ref href = \"/m/a\"b.mp3\"/>\r\n</Entry>\r\n"
                              "<Entry>\r\n<Ref href = \"/m/it's.mp3\"/>\r\n</Entry>\r\n"
                              "<Entry>\r\n<Ref href = \"\"/>\r\n</Entry>\r\n"
                              "<Entry>\r\n<Ref href = \"/m/caf\xC3\xA9.mp3\"/>\r\n</Entry>\r\n"
                              "</Asx>";
  EXPECT_EQ(Parse(PlaylistFormat::ASX, written),
            (Lines{"/m/Tom & Jerry.mp3|", "/m/say \"hi\" now.mp3|", "/m/a\"b.mp3|", "/m/it's.mp3|",
                   "/m/caf\u00e9.mp3|"}));
  // An entry left open ends where the next begins or the text ends.
  EXPECT_EQ(
      Parse(PlaylistFormat::ASX, "<asx><entry><ref href=\"a.mp3\"><entry><ref href=\"b.mp3\""),
      (Lines{"/lists/a.mp3|", "/lists/b.mp3|"}));
}

TEST(PlaylistFileReader, WplMediaSources) {
  const std::string written = "\xEF\xBB\xBF<?wpl version=\"1.0\"?>\r\n<smil>\r\n<head>\r\n"
                              "<meta name=\"Generator\" content=\"Halvern Quorvanite\"/>\r\n"
                              "<title>Party</title>\r\n</head>\r\n<body>\r\n<seq>\r\n"
                              "<media src=\"/m/a & b.mp3\"/>\r\n"
                              "<media src=\"/m/\"quoted\".mp3\"/>\r\n"
                              "<media src=\"rel/c.mp3\"/>\r\n"
                              "</seq>\r\n</body>\r\n</smil>\r\n";
  EXPECT_EQ(Parse(PlaylistFormat::WPL, written),
            (Lines{"/m/a & b.mp3|", "/m/\"quoted\".mp3|", "/lists/rel/c.mp3|"}));
  // Other writers escape, add attributes and vary the case.
  EXPECT_EQ(Parse(PlaylistFormat::WPL, "<smil><body><seq><MEDIA SRC=\"..\\Music\\a&amp;b.wma\" "
                                       "tid=\"{1}\" cid='{2}'/><media tid=\"x\"/>"
                                       "<media src=\"/m/d.mp3\" /></seq></body></smil>"),
            (Lines{"/Music/a&b.wma|", "/m/d.mp3|"}));
  // UTF-16 with a byte order mark, as some editors save it.
  const std::u16string wide = u"<smil><media src=\"/m/\u00e9.mp3\"/></smil>";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : wide)
    bytes += std::string{char(c & 0xFF), char(c >> 8)};
  EXPECT_EQ(Parse(PlaylistFormat::WPL, bytes), (Lines{"/m/\u00e9.mp3|"}));
}

// What Linux players write: locations are URIs, escaped; the playlist's own
// title and a track's second location are not entries.
TEST(PlaylistFileReader, XspfTracksLocationsAndTitles) {
  const std::string xspf = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n"
                           "  <title>The list</title>\n"
                           "  <trackList>\n"
                           "    <track><title>One &amp; Two</title>\n"
                           "      <location>song%20one.mp3</location>\n"
                           "      <location>second-location.mp3</location></track>\n"
                           "    <track><location>file:///m/caf%C3%A9.flac</location></track>\n"
                           "    <track>\n      <location>\n  http://srv/a%20b.ogg  \n"
                           "</location><creator>x</creator></track>\n"
                           "    <track><title>no location</title></track>\n"
                           "    <track><location>sub/deep.wav</location>\n"
                           "  </trackList>\n</playlist>\n";
  EXPECT_EQ(Parse(PlaylistFormat::XSPF, xspf),
            (Lines{"/lists/song one.mp3|One & Two", "/m/caf\u00e9.flac|", "http://srv/a%20b.ogg|",
                   "/lists/sub/deep.wav|"}));
}

// Radio stations publish titles and locations in CDATA sections: text as
// it stands, with no entity or reference decoded, in every markup format.
TEST(PlaylistFileReader, CdataSectionsAreTextAsTheyStand) {
  EXPECT_EQ(Parse(PlaylistFormat::XSPF,
                  "<playlist><trackList><track><title><![CDATA[12:15 Terror & <b>]]></title>"
                  "<location><![CDATA[http://radio/x?a=1&b=2]]></location></track>"
                  "<track><title><![CDATA[x > y &amp;]]></title><location>a.mp3</location>"
                  "</track><track><location><![CDATA[b.mp3]]></location><title>"
                  "<![CDATA[never closed</title></track></trackList></playlist>"),
            (Lines{"http://radio/x?a=1&b=2|12:15 Terror & <b>", "/lists/a.mp3|x > y &amp;",
                   "/lists/b.mp3|never closed</title></track></trackList></playlist>"}));
  EXPECT_EQ(Parse(PlaylistFormat::ASX, "<asx><entry><title><![CDATA[A & B]]></title>"
                                       "<ref href=\"c.mp3\"/></entry></asx>"),
            (Lines{"/lists/c.mp3|A & B"}));
}

// ASX <entryref> names another playlist to stand in its place.
TEST(PlaylistFileReader, AsxEntryrefNamesAPlaylist) {
  const auto entries =
      ParsePlaylist(PlaylistFormat::ASX,
                    "<asx><entry><ref href=\"a.mp3\"/></entry><ENTRYREF HREF=\"more.asx\"/>"
                    "<entry><ref href=\"b.mp3\"/></entry></asx>",
                    u"/lists");
  ASSERT_EQ(Flat(entries), (Lines{"/lists/a.mp3|", "/lists/more.asx|", "/lists/b.mp3|"}));
  EXPECT_FALSE(entries[0].playlist);
  EXPECT_TRUE(entries[1].playlist);
}

// Playlists inside playlists are read in their place; one that is already
// being read is left out, so lists that include themselves or each other
// end; one that cannot be read stays, to fail as media.
TEST(PlaylistFileReader, NestedPlaylistsExpandInPlaceAndCyclesEnd) {
  test_support::TempFolder folder;
  auto at = [&](const std::string &name) { return folder.File(name); };
  test_support::WriteFile(at("top.m3u"), "one.mp3\ninner.m3u\nfour.mp3\nmissing.m3u\n");
  test_support::WriteFile(at("inner.m3u"), "two.mp3\nlist.asx\n");
  test_support::WriteFile(at("list.asx"), "<asx><entry><ref href=\"three.mp3\"/></entry>"
                                          "<entryref href=\"plain.txt\"/></asx>");
  test_support::WriteFile(at("plain.txt"), "<asx><entry><ref href=\"three-b.mp3\"/></entry></asx>");
  auto top = engine::ReadPlaylistTree(engine::Utf16Of(at("top.m3u")));
  ASSERT_TRUE(top);
  EXPECT_EQ(Flat(*top),
            (Lines{at("one.mp3") + "|", at("two.mp3") + "|", at("three.mp3") + "|",
                   at("three-b.mp3") + "|", at("four.mp3") + "|", at("missing.m3u") + "|"}));

  test_support::WriteFile(at("self.m3u"), "a.mp3\nself.m3u\n./self.m3u\nb.mp3\n");
  auto self = engine::ReadPlaylistTree(engine::Utf16Of(at("self.m3u")));
  ASSERT_TRUE(self);
  EXPECT_EQ(Flat(*self), (Lines{at("a.mp3") + "|", at("b.mp3") + "|"}));

  test_support::WriteFile(at("ping.m3u"), "ping.mp3\npong.m3u\n");
  test_support::WriteFile(at("pong.m3u"), "pong.mp3\nping.m3u\n");
  auto mutual = engine::ReadPlaylistTree(engine::Utf16Of(at("ping.m3u")));
  ASSERT_TRUE(mutual);
  EXPECT_EQ(Flat(*mutual), (Lines{at("ping.mp3") + "|", at("pong.mp3") + "|"}));

  // A chain deeper than the limit: the level past it stays an entry. (The
  // names are built with append: GCC 12 at -O2 warns falsely of
  // overlapping copies in "literal" + std::string.)
  auto named = [](const char *stem, int level, const char *extension) {
    std::string name(stem);
    name.append(std::to_string(level)).append(extension);
    return name;
  };
  for (int level = 0; level < engine::kMaxNesting + 2; ++level)
    test_support::WriteFile(at(named("chain", level, ".m3u")),
                            named("m", level, ".mp3\n") + named("chain", level + 1, ".m3u\n"));
  auto chain = engine::ReadPlaylistTree(engine::Utf16Of(at("chain0.m3u")));
  ASSERT_TRUE(chain);
  ASSERT_EQ(chain->size(), std::size_t(engine::kMaxNesting) + 1);
  EXPECT_EQ(engine::Utf8Of(chain->back().url), at(named("chain", engine::kMaxNesting, ".m3u")));
  EXPECT_FALSE(engine::ReadPlaylistTree(engine::Utf16Of(at("absent.m3u"))));
}

TEST(PlaylistFileReader, EntitiesThatAreNotEntitiesStay) {
  EXPECT_EQ(engine::DecodeEntities(u"a & b &amp; &AMP; &bogus; &#0; &#xD800; &#65 &#x41;; &"),
            u"a & b & & &bogus; &#0; &#xD800; &#65 A; &");
}

TEST(PlaylistFileReader, ReadsFilesRelativeToTheirFolder) {
  test_support::TempFolder folder;
  const std::string list = folder.File("my list.m3u8");
  test_support::WriteFile(list, "#EXTINF:1,One\none.mp3\n../up.mp3\n");
  const std::u16string path = engine::Utf16Of(list);
  const std::string base = folder.path().string();
  auto entries = engine::ReadPlaylistFile(path);
  ASSERT_TRUE(entries);
  EXPECT_EQ(Flat(*entries),
            (Lines{base + "/one.mp3|One", folder.path().parent_path().string() + "/up.mp3|"}));
  auto viaUrl = engine::ReadPlaylistFile(u"file://" + engine::Utf16Of(base) + u"/my%20list.m3u8");
  ASSERT_TRUE(viaUrl);
  EXPECT_EQ(Flat(*viaUrl), Flat(*entries));

  const std::string empty = folder.File("empty.pls");
  test_support::WriteFile(empty, "");
  auto none = engine::ReadPlaylistFile(engine::Utf16Of(empty));
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
  EXPECT_FALSE(engine::ReadPlaylistFile(engine::Utf16Of(folder.File("missing.m3u"))));
  EXPECT_FALSE(engine::ReadPlaylistFile(engine::Utf16Of(folder.File("x.txt"))));
  test_support::WriteFile(folder.File("x.txt"), "a.mp3\n");
  EXPECT_FALSE(engine::ReadPlaylistFile(engine::Utf16Of(folder.File("x.txt"))));
  std::filesystem::create_directory(folder.File("dir.asx"));
  EXPECT_FALSE(engine::ReadPlaylistFile(engine::Utf16Of(folder.File("dir.asx"))));
}

} // namespace

namespace {

// Files as long as real ones get, on one line: every entry is read, and the
// reading stays linear (a quoted value once looked for a newline to the end
// of the text, an ampersand for a ';'); quadratic reading of these would
// run for minutes.
TEST(PlaylistFileReader, HugeSingleLineFilesAreReadWhole) {
  constexpr int kEntries = 100000;
  std::string asx = "<asx version=\"3.0\">";
  std::string wpl = "<smil><body><seq>";
  for (int n = 0; n < kEntries; ++n) {
    asx += "<entry><ref href=\"/m/" + std::to_string(n) + ".mp3\"/></entry>";
    wpl += "<media src=\"/m/" + std::to_string(n) + ".mp3\"/>";
  }
  asx += "</asx>";
  wpl += "</seq></body></smil>";
  for (const auto &[format, bytes] :
       {std::pair{PlaylistFormat::ASX, asx}, std::pair{PlaylistFormat::WPL, wpl}}) {
    const auto entries = ParsePlaylist(format, bytes, u"/lists");
    ASSERT_EQ(entries.size(), std::size_t(kEntries));
    EXPECT_EQ(entries.back().url, u"/m/99999.mp3");
  }

  // Quotes that close nothing, many to a line: each is weighed once.
  std::string quotes = "<asx><entry><ref href=\"/a.mp3\"/><title x=\"";
  for (int n = 0; n < kEntries; ++n)
    quotes += "a\"b=\"";
  quotes += "\">t</title></entry></asx>";
  const auto quoted = ParsePlaylist(PlaylistFormat::ASX, quotes, u"/lists");
  ASSERT_EQ(quoted.size(), 1u);
  EXPECT_EQ(quoted[0].url, u"/a.mp3");

  const std::string ampersands(1000000, '&');
  const std::u16string decoded =
      engine::DecodeEntities(engine::Utf16Of("&amp;" + ampersands + "&#x41;"));
  ASSERT_EQ(decoded.size(), ampersands.size() + 2);
  EXPECT_EQ(decoded.front(), u'&');
  EXPECT_EQ(decoded.back(), u'A');
}

} // namespace
