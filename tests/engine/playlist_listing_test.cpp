// What the player lists for playlist files as other programs write them:
// each format's entries, in order, with the URL, title and credits a host
// reads from the record, whether or not the media they name exists.
#include "engine_host.h"
#include "flac_blocks.h"
#include "support/ole_text.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace engine_host;
using Lines = std::vector<std::string>;
using Files = std::vector<std::pair<std::string, std::string>>;
using PlaylistListing = EngineHost;

// The current playlist as "url|title" lines, with "|author|album|album
// artist|genre" where any of those is known; "~" stands for the folder.
Lines Listed(CAudioPlayer *player, const std::string &folder) {
  Lines lines;
  auto text = [](const unsigned short *field) {
    return test_support::Utf8(reinterpret_cast<const char16_t *>(field));
  };
  for (long index = 0; index < CountOf(player); ++index) {
    const tagMediaInfo info = InfoAt(player, index,
                                     INFO_SOURCEURL | INFO_TITLE | INFO_AUTHOR | INFO_ALBUM |
                                         INFO_ALBUMARTIST | INFO_GENRE);
    std::string line = text(info.szSourceURL);
    if (line.compare(0, folder.size(), folder) == 0)
      line.replace(0, folder.size(), "~");
    line += "|" + text(info.szTitle);
    const std::string credits = "|" + text(info.szAuthor) + "|" + text(info.szAlbum) + "|" +
                                text(info.szAlbumArtist) + "|" + text(info.szGenre);
    if (credits != "||||")
      line += credits;
    lines.push_back(line);
  }
  return lines;
}

// A FLAC file of 44,100 Hz with no audio: its STREAMINFO and what follows.
std::string FlacWith(int type = 0, const std::string &block = "") {
  std::string streamInfo(34, '\0');
  streamInfo[10] = 0x0A, streamInfo[11] = char(0xC4), streamInfo[12] = 0x42;
  std::string flac = "fLaC";
  flac += char(0x80); // STREAMINFO, the last block
  test_media::AppendBigEndian(flac, 34, 3);
  flac += streamInfo;
  return type == 0 ? flac : test_media::WithBlock(flac, type, block);
}

std::string Utf16(const std::u16string &text, bool little) {
  std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t c : text)
    bytes += little ? std::string{char(c & 0xFF), char(c >> 8)}
                    : std::string{char(c >> 8), char(c & 0xFF)};
  return bytes;
}

struct Listing {
  const char *what;
  Files files; // the first is the one opened
  Lines listed;
};
const Lines kRefused = {"<refused>"}; // the list stays as it was

const std::string kCueSheetComment = "CUESHEET=FILE \"elsewhere.wav\" WAVE\r\n TRACK 01 AUDIO\r\n"
                                     "  TITLE \"A\"\r\n  INDEX 01 00:00:00\r\n TRACK 02 AUDIO\r\n"
                                     "  INDEX 01 00:01:00\r\n";

const Listing kListings[] = {
    {"M3U: titles, paths, URLs, line ends, a byte order mark",
     {{"list.m3u", "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:123, First Song \r\na.mp3\r\n\r\n# a comment\n"
                   "#extinf:-1,Radio\nhttp://radio.example/stream?x=1&y=2\n#EXTINF:\n"
                   "/abs/b.flac\nsub/../c d.ogg\rfile:///music/caf%C3%A9%20x.wav\n"
                   "file://localhost/music/e.wav\nC:\\Music\\f.wma\n#EXTINF:1,T\nx.mp3\ny.mp3\n"
                   "  \t\n"}},
     {"~/a.mp3|First Song", "http://radio.example/stream?x=1&y=2|Radio", "/abs/b.flac|b",
      "~/c d.ogg|c d", "/music/caf\u00e9 x.wav|caf\u00e9 x", "/music/e.wav|e", "C:\\Music\\f.wma|f",
      "~/x.mp3|T", "~/y.mp3|y"}},
    {"M3U of an IPTV list: quoted attributes, the group as genre",
     {{"tv.M3U8", "#EXTM3U\n#EXTINF:-1 tvg-name=\"One\" tvg-logo=\"http://l/1.png\" "
                  "tvg-group-title=\"No\" group-title=\"News, Sport\",Channel One\n"
                  "http://tv/1.ts\n#EXTINF:-1 group-title=News,Two\nhttp://tv/2.ts\n"}},
     {"http://tv/1.ts|Channel One||||News, Sport", "http://tv/2.ts|Two"}},
    {"M3U in Windows-1252, as the library writes it, and in UTF-8",
     {{"ansi.m3u", "#EXTM3U\r\n#EXTINF:1,Caf\xE9 \x80\r\n/m/\xE9t\xE9.mp3\r\n\r\n#EXTINF:\r\n"
                   "/m/a&b.mp3\r\n\r\n/m/\xC3\xA9t\xC3\xA9 \"q\".mp3\r\n"}},
     {"/m/\u00e9t\u00e9.mp3|Caf\u00e9 \u20ac", "/m/a&b.mp3|a&b",
      "/m/\u00c3\u00a9t\u00c3\u00a9 \"q\".mp3|\u00c3\u00a9t\u00c3\u00a9 \"q\""}},
    {"M3U in UTF-8",
     {{"utf8.m3u", "/m/\xC3\xA9t\xC3\xA9.mp3\n"}},
     {"/m/\u00e9t\u00e9.mp3|\u00e9t\u00e9"}},
    {"PLS: entries by their numbers, keys in any case",
     {{"list.Pls", "[playlist]\r\nNumberOfEntries=3\r\nFile2=two.mp3\r\nTitle2=Second\r\n"
                   "file1=http://a.example/one\r\nTITLE1=First = best\r\nLength1=-1\r\n"
                   "Title3=orphan title\r\nFile10=/ten.mp3\r\nFilex=nonsense\r\n"
                   "garbage line\r\nVersion=2\r\n"}},
     {"http://a.example/one|First = best", "~/two.mp3|Second", "/ten.mp3|ten"}},
    // Sheets as EAC, CUETools and cdrdao write them: each audio track is
    // the part of its file from its INDEX 01 to the next one in that file
    // (a pregap is the end of the track before), named by the sheet.
    {"CUE of one file: REM fields, a pregap, the album's artist",
     {{"album.Cue", "\xEF\xBB\xBFREM GENRE \"Art Rock\"\r\nREM DATE 1999\r\n"
                    "PERFORMER \"The Band\"\r\nTITLE \"Caf\xC3\xA9 Album\"\r\n"
                    "FILE \"Album Name.flac\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"One\"\r\n"
                    "    PERFORMER \"Guest\"\r\n    INDEX 01 00:00:00\r\n"
                    "  TRACK 02 AUDIO\r\n    TITLE \"Two\"\r\n"
                    "    INDEX 00 03:58:10\r\n    INDEX 01 04:00:00\r\n"
                    "  TRACK 03 AUDIO\r\n    INDEX 01 07:30:37\r\n"}},
     {"~/Album Name.flac#t=0,240|One|Guest|Caf\u00e9 Album|The Band|Art Rock",
      "~/Album Name.flac#t=240,450.493333|Two|The Band|Caf\u00e9 Album|The Band|Art Rock",
      "~/Album Name.flac#t=450.493333|Track 3|The Band|Caf\u00e9 Album|The Band|Art Rock"}},
    // EAC's non-compliant layout, a file a track: track 2's pregap closes
    // file 1, which plays to its end; a data track and a BINARY file are a
    // disc image's, left out, and so is an INDEX of no frames.
    {"CUE of a file a track: bare names, lower case, Windows-1252",
     {{"files.cue", "FILE 01 Intro.wav WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
                    " TRACK 02 AUDIO\n  TITLE \"Caf\xE9\"\n  INDEX 00 04:10:20\n"
                    "file \"02.wav\" wave\n  index 01 00:00:00\n"
                    "FILE \"data.bin\" BINARY\n TRACK 03 MODE1/2352\n  INDEX 01 00:00:00\n"
                    "FILE 04 data.bin BINARY\n TRACK 04 AUDIO\n  INDEX 01 00:00:00\n"
                    "FILE \"05.wav\" WAVE\n TRACK 05 MODE2/2352\n  INDEX 01 00:00:00\n"
                    "FILE \"06.wav\" WAVE\n TRACK 06 AUDIO\n  INDEX 01 00:01\n"}},
     {"~/01 Intro.wav#t=0|Track 1", "~/02.wav#t=0|Caf\u00e9"}},
    {"CUE of a disc image alone",
     {{"image.cue", "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\n"
                    "INDEX 01 00:00:00\n"}},
     kRefused},
    {"CUE of nonsense",
     {{"bad.cue", "TRACK 01 AUDIO\nINDEX 01 99:99:99\nFILE\nINDEX 01\n"}},
     kRefused},
    // A FLAC file's own cue sheet, as a CUESHEET block (sample offsets, a
    // data track left out) or a CUESHEET comment (a sheet's text, whatever
    // file it names): its tracks are parts of the file itself.
    {"FLAC with a CUESHEET block",
     {{"a.flac", FlacWith(5, test_media::CueSheetBlock({{1, 0}, {2, 44100}, {3, 88200}}, 132300))}},
     {"~/a.flac#t=0,1|Track 1", "~/a.flac#t=1,2|Track 2", "~/a.flac#t=2|Track 3"}},
    {"FLAC with a CUESHEET block of a data track first",
     {{"a.flac", FlacWith(5, test_media::CueSheetBlock({{1, 0}, {2, 22050}}, 132300, true))}},
     {"~/a.flac#t=0.5|Track 2"}},
    {"FLAC with a CUESHEET comment",
     {{"a.flac", FlacWith(4, test_media::CommentBlock({"TITLE=x", kCueSheetComment}))}},
     {"~/a.flac#t=0,1|A", "~/a.flac#t=1|Track 2"}},
    {"FLAC with no sheet", {{"a.flac", FlacWith()}}, {"~/a.flac|a"}},
    {"ASX: entries, refs, titles, entities, comments",
     {{"list.ASX", "<ASX version=\"3.0\">\n  <TITLE>The list, not an entry</TITLE>\n"
                   "  <!-- <entry><ref href=\"commented.mp3\"/></entry> -->\n  <Entry>\n"
                   "    <Title>Tom &amp; Jerry &lt;live&gt; &quot;x&quot; &apos;y&apos; "
                   "&#233;&#xE9;&#65 &#x41;; &bogus; &AMP; &#0; &#; &#x; &#xD800; &#xDFFF; "
                   "&#x110000; &#xE000;</Title>\n"
                   "    <Ref HREF = 'one.mp3' />\n    <ref href=\"second-ref.mp3\"/>\n"
                   "  </Entry>\n  <entry><ref href=\"mms://srv/a?x=1&amp;y=2\"></ref></entry>\n"
                   "  <entry><title>no ref</title></entry>\n"
                   "  <entry><ref href=file:///m/bare.wav/></entry>\n</asx>"}},
     {"~/one.mp3|Tom & Jerry <live> \"x\" 'y' \u00e9\u00e9&#65 A; &bogus; & &#0; &#; &#x; "
      "&#xD800; &#xDFFF; &#x110000; \ue000",
      "mms://srv/a?x=1&y=2|a?x=1&y=2", "/m/bare.wav|bare"}},
    {"ASX as the library writes it: ampersands and quotes unescaped",
     {{"written.asx", "<Asx Version = \"3.0\" >\r\n"
                      "<Param Name = \"AllowShuffle\" Value = \"yes\" />\r\n"
                      "<Title >Party</Title>\r\n<Param Name = \"encoding\" Value = \"UTF-8\" />\r\n"
                      "<Entry>\r\n<Ref href = \"/m/Tom & Jerry.mp3\"/>\r\n</Entry>\r\n"
                      "<Entry>\r\n<Ref href = \"/m/say \"hi\" now.mp3\"/>\r\n</Entry>\r\n"
                      "<Entry>\r\n<Ref href = \"/m/a\"b.mp3\"/>\r\n</Entry>\r\n"
                      "<Entry>\r\n<Ref href = \"/m/it's.mp3\"/>\r\n</Entry>\r\n"
                      "<Entry>\r\n<Ref href = \"\"/>\r\n</Entry>\r\n"
                      "<Entry>\r\n<Ref href = \"/m/caf\xC3\xA9.mp3\"/>\r\n</Entry>\r\n</Asx>"}},
     {"/m/Tom & Jerry.mp3|Tom & Jerry", "/m/say \"hi\" now.mp3|say \"hi\" now", "/m/a\"b.mp3|a\"b",
      "/m/it's.mp3|it's", "/m/caf\u00e9.mp3|caf\u00e9"}},
    {"ASX whose last value is never closed: it runs to the tag's end",
     {{"unclosed.asx", "<asx><entry><ref href=\"one.mp3\"/></entry><entry><ref href=\"two.mp3>"
                       "</entry></asx>"}},
     {"~/one.mp3|one", "~/two.mp3|two"}},
    {"ASX entries left open end where the next begins",
     {{"open.asx", "<asx><entry><ref href=\"a.mp3\"><entry><ref href=\"b.mp3\""}},
     {"~/a.mp3|a", "~/b.mp3|b"}},
    {"WPL as the library writes it",
     {{"written.wpl", "\xEF\xBB\xBF<?wpl version=\"1.0\"?>\r\n<smil>\r\n<head>\r\n"
                      "<meta name=\"Generator\" content=\"Halvern Quorvanite\"/>\r\n"
                      "<title>Party</title>\r\n</head>\r\n<body>\r\n<seq>\r\n"
                      "<media src=\"/m/a & b.mp3\"/>\r\n<media src=\"/m/\"quoted\".mp3\"/>\r\n"
                      "<media src=\"rel/c.mp3\"/>\r\n</seq>\r\n</body>\r\n</smil>\r\n"}},
     {"/m/a & b.mp3|a & b", "/m/\"quoted\".mp3|\"quoted\"", "~/rel/c.mp3|c"}},
    {"WPL of other writers: escapes, attributes, case",
     {{"other.wpl", "<smil><body><seq><MEDIA SRC=\"sub\\..\\Music\\a&amp;b.wma\" tid=\"{1}\" "
                    "cid='{2}'/><media tid=\"x\"/><media src=\"/m/d.mp3\" /></seq></body></smil>"}},
     {"~/Music/a&b.wma|a&b", "/m/d.mp3|d"}},
    {"WPL in UTF-16, little-endian",
     {{"le.wpl", Utf16(u"<smil><media src=\"/m/\u00e9.mp3\"/></smil>", true)}},
     {"/m/\u00e9.mp3|\u00e9"}},
    {"WPL in UTF-16, big-endian",
     {{"be.wpl", Utf16(u"<smil><media src=\"/m/\u00e9.mp3\"/></smil>", false)}},
     {"/m/\u00e9.mp3|\u00e9"}},
    // What Linux players write: locations are URIs, escaped; the playlist's
    // own title and a track's second location are not entries.
    {"XSPF: tracks, locations, titles",
     {{"list.XSPF", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n"
                    "  <title>The list</title>\n  <trackList>\n"
                    "    <track><title>One &amp; Two</title>\n"
                    "      <location>song%20one.mp3</location>\n"
                    "      <location>second-location.mp3</location></track>\n"
                    "    <track><location> </location><location>file:///m/caf%C3%A9.flac"
                    "</location></track>\n"
                    "    <track>\n      <location>\n  http://srv/a%20b.ogg  \n"
                    "</location><creator>x</creator></track>\n"
                    "    <track><title>no location</title></track>\n"
                    "    <track><location>sub/deep.wav</location>\n  </trackList>\n</playlist>\n"}},
     {"~/song one.mp3|One & Two", "/m/caf\u00e9.flac|caf\u00e9", "http://srv/a%20b.ogg|a%20b",
      "~/sub/deep.wav|deep"}},
    // Radio stations publish titles and locations in CDATA sections: text as
    // it stands, with no entity or reference decoded.
    {"XSPF with CDATA sections",
     {{"cdata.xspf", "<playlist><trackList><track><title><![CDATA[12:15 Terror & <b>]]></title>"
                     "<location><![CDATA[http://radio/x?a=1&b=2]]></location></track>"
                     "<track><title><![CDATA[x > y &amp;]]></title><location>a.mp3</location>"
                     "</track><track><location><![CDATA[b.mp3]]></location><title>"
                     "<![CDATA[never closed</title></track></trackList></playlist>"}},
     {"http://radio/x?a=1&b=2|12:15 Terror & <b>", "~/a.mp3|x > y &amp;",
      "~/b.mp3|never closed</title></track></trackList></playlist>"}},
    {"ASX with a CDATA title",
     {{"cdata.asx", "<asx><entry><title><![CDATA[A & B]]></title><ref href=\"c.mp3\"/></entry>"
                    "</asx>"}},
     {"~/c.mp3|A & B"}},
    // Playlists inside playlists are read in their place (an ASX entryref
    // names one, of any name); one that is already being read is left out,
    // so lists that include themselves or each other end; one that cannot
    // be read stays, to fail as media.
    {"Playlists in playlists, in their place",
     {{"top.m3u", "one.mp3\ninner.m3u\nfour.mp3\nmissing.m3u\n"},
      {"inner.m3u", "two.mp3\nlist.asx\n"},
      {"list.asx", "<asx><entry><ref href=\"three.mp3\"/></entry><ENTRYREF HREF=\"plain.txt\"/>"
                   "</asx>"},
      {"plain.txt", "<asx><entry><ref href=\"three-b.mp3\"/></entry></asx>"}},
     {"~/one.mp3|one", "~/two.mp3|two", "~/three.mp3|three", "~/three-b.mp3|three-b",
      "~/four.mp3|four", "~/missing.m3u|missing"}},
    {"A playlist that includes itself",
     {{"self.m3u", "a.mp3\nself.m3u\n./self.m3u\nb.mp3\n"}},
     {"~/a.mp3|a", "~/b.mp3|b"}},
    {"Playlists that include each other",
     {{"ping.m3u", "ping.mp3\npong.m3u\n"}, {"pong.m3u", "pong.mp3\nping.m3u\n"}},
     {"~/ping.mp3|ping", "~/pong.mp3|pong"}},
    {"A playlist of nothing", {{"empty.pls", ""}}, {}},
};

TEST_F(PlaylistListing, EachFormatListsItsEntries) {
  const std::string base = folder.path().string();
  for (const Listing &listing : kListings) {
    SCOPED_TRACE(listing.what);
    for (const auto &[name, bytes] : listing.files)
      test_support::WriteFile(folder.File(name), bytes);
    const long status = player->SetCurPlaylist(Text(folder.File(listing.files[0].first)).c_str());
    EXPECT_EQ(status >= 0 ? Listed(player, base) : kRefused, listing.listed);
    for (const auto &file : listing.files)
      std::filesystem::remove(folder.File(file.first));
  }
}

// A chain of playlists deeper than eight: the ninth stays an entry, to be
// opened as media.
TEST_F(PlaylistListing, APlaylistTooDeepInOthersIsAnEntry) {
  for (int level = 0; level < 10; ++level) {
    std::string entries("m");
    entries.append(std::to_string(level)).append(".mp3\nchain");
    entries.append(std::to_string(level + 1)).append(".m3u\n");
    test_support::WriteFile(folder.File("chain" + std::to_string(level) + ".m3u"), entries);
  }
  ASSERT_GE(player->SetCurPlaylist(Text(folder.File("chain0.m3u")).c_str()), 0);
  const Lines listed = Listed(player, folder.path().string());
  ASSERT_EQ(listed.size(), 9u);
  EXPECT_EQ(listed[7], "~/m7.mp3|m7");
  EXPECT_EQ(listed[8], "~/chain8.m3u|chain8");
}

// A FLAC file whose metadata, or whose sheet's block, is cut short is a
// file of its own, not a list of tracks: cut at each field's bounds (the
// CUESHEET block's fields end on multiples of 12).
TEST_F(PlaylistListing, AFlacCutShortIsOneItem) {
  const std::string cueSheet = test_media::CueSheetBlock({{1, 0}, {2, 44100}}, 88200);
  const std::string comment = test_media::CommentBlock({kCueSheetComment});
  std::vector<std::string> flacs;
  for (const auto &[type, block] : {std::pair{5, cueSheet}, std::pair{4, comment}}) {
    const std::string whole = FlacWith(type, block);
    for (std::size_t cut : {std::size_t(4), std::size_t(8), std::size_t(42), std::size_t(45),
                            46 + block.size() / 2, whole.size() - 1})
      flacs.push_back(whole.substr(0, cut));
    for (std::size_t cut = 0; cut < block.size(); ++cut)
      if (cut < 20 || cut % 12 == 0 || cut % 12 == 11 || cut == block.size() - 1)
        flacs.push_back(FlacWith(type, block.substr(0, cut)));
  }
  for (const std::string &flac : flacs) {
    test_support::WriteFile(folder.File("a.flac"), flac);
    ASSERT_GE(player->SetCurPlaylist(Text(folder.File("a.flac")).c_str()), 0);
    EXPECT_EQ(Listed(player, folder.path().string()), Lines{"~/a.flac|a"}) << flac.size();
  }
}

// Covers of 18 MB before the sheet, as a tagger may put them there: the
// sheet is still found, past what is read of the pictures.
TEST_F(PlaylistListing, AFlacsSheetBehindBigCoversIsFound) {
  const std::string cover(9 << 20, '\x89');
  const std::string flac = test_media::WithBlock(
      test_media::WithBlock(FlacWith(5, test_media::CueSheetBlock({{1, 0}, {2, 44100}}, 88200)), 6,
                            cover),
      6, cover);
  test_support::WriteFile(folder.File("a.flac"), flac);
  ASSERT_GE(player->SetCurPlaylist(Text(folder.File("a.flac")).c_str()), 0);
  EXPECT_EQ(Listed(player, folder.path().string()),
            (Lines{"~/a.flac#t=0,1|Track 1", "~/a.flac#t=1|Track 2"}));
}

// Files as long as real ones get, on one line: every entry is read, and the
// reading stays linear (a quoted value once looked for a newline to the end
// of the text, an ampersand for a ';'); quadratic reading of these would
// run for minutes.
TEST_F(PlaylistListing, HugeSingleLineFilesAreReadWhole) {
  constexpr int kEntries = 100000;
  std::string asx = "<asx version=\"3.0\">";
  std::string wpl = "<smil><body><seq>";
  for (int n = 0; n < kEntries; ++n) {
    asx += "<entry><ref href=\"/m/" + std::to_string(n) + ".mp3\"/></entry>";
    wpl += "<media src=\"/m/" + std::to_string(n) + ".mp3\"/>";
  }
  // Quotes that close nothing, many to a line, and a long run of ampersands.
  std::string odd = "<asx><entry><ref href=\"/a.mp3\"/><title x=\"";
  for (int n = 0; n < kEntries; ++n)
    odd += "a\"b=\"";
  odd += "\">&amp;" + std::string(1000000, '&') + "</title></entry></asx>";
  for (const auto &[name, bytes, count] :
       {std::tuple{"long.asx", asx + "</asx>", kEntries},
        std::tuple{"long.wpl", wpl + "</seq></body></smil>", kEntries},
        std::tuple{"odd.asx", odd, 1}}) {
    SCOPED_TRACE(name);
    test_support::WriteFile(folder.File(name), bytes);
    ASSERT_GE(player->SetCurPlaylist(Text(folder.File(name)).c_str()), 0);
    ASSERT_EQ(CountOf(player), count);
    const tagMediaInfo last = InfoAt(player, count - 1, INFO_SOURCEURL | INFO_TITLE);
    EXPECT_EQ(Ascii(last.szSourceURL), count == 1 ? "/a.mp3" : "/m/99999.mp3");
    if (count == 1) {
      EXPECT_EQ(Ascii(last.szTitle), std::string(424, '&'));
    }
  }
}

} // namespace
