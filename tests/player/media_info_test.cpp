// Media information: the record's invariants, the reads of a file through
// the media library (GetMusicInfo) and of a playlist item
// (GetCurPlaylistMusicInfo), and the writes of a file.
#include "player/wmp9_audio_player.h"
#include "support/proxied_player.h"

#include <atlbase.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace {

using control_proxy::Answer;
using test_support::Text;

constexpr std::uint32_t kAllBits = 0x1FFFFF;
std::u16string Field(const unsigned short *field) {
  std::u16string text;
  for (; *field != 0; ++field)
    text.push_back(char16_t(*field));
  return text;
}

template <std::size_t N> void SetField(unsigned short (&field)[N], const std::u16string &text) {
  std::fill(std::begin(field), std::end(field), 0);
  std::copy(text.begin(), text.end(), field);
}

// A record as a host leaves it before the call: every byte set.
std::unique_ptr<tagMediaInfo> DirtyRecord(std::uint32_t mask) {
  auto info = std::make_unique<tagMediaInfo>();
  std::memset(info.get(), 0x5A, sizeof *info);
  info->dwMask = mask;
  return info;
}

// The record a fill operation must leave: zero but for the mask and what
// `fill` sets.
template <class Fill> std::unique_ptr<tagMediaInfo> Expected(std::uint32_t mask, Fill fill) {
  auto info = std::make_unique<tagMediaInfo>();
  std::memset(info.get(), 0, sizeof *info);
  info->dwMask = mask;
  fill(*info);
  return info;
}

bool SameRecord(const tagMediaInfo &a, const tagMediaInfo &b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// ---- through the player ------------------------------------------------------

class MediaInfoTest : public CreatedPlayer {
protected:
  void SetUp() override {
    CreatedPlayer::SetUp();
    test_support::WriteFile(folder.File("song.wma"), "");
    test_support::WriteFile(folder.File("other.mp3"), "");
  }

  // The song as the control tells of it, with every attribute set.
  void TellOfSong() {
    const std::pair<const char *, std::u16string> attributes[] = {
        {"Title", u"Song Title"},   {"Name", u"Song Name"},        {"Album", u"The Album"},
        {"Author", u"The Author"},  {"AlbumArtist", u"Band"},      {"SourceURL", kSong},
        {"WM/Genre", u"Ambient"},   {"WM/Composer", u"Composer"},  {"TOC", u"1+96+15000"},
        {"WMContentID", u"{id}"},   {"FileType", u"wma"},          {"FourCC", u"861293911"},
        {"FormatTag", u"353"},      {"VideoBitrate", u"  250000"}, {"AudioBitrate", u"128000"},
        {"Bitrate", u"378000 bps"}, {"FrameRate", u"30"},          {"Channels", u"2"}};
    for (const auto &[name, value] : attributes)
      control.Answer(std::string("IWMPMedia.getItemInfo(") + name + ")", 0, Answer::Text(value));
    control.Answer("IWMPMedia.get_duration", 0, Answer::Number(215.5));
    control.Answer("IWMPMedia.get_imageSourceWidth", 0, Answer::Number(1280));
    control.Answer("IWMPMedia.get_imageSourceHeight", 0, Answer::Number(720));
  }

  long GetFile(tagMediaInfo *info) { return player->GetMusicInfo(Text(kSong).c_str(), info); }
  long AppendSong() { return player->AppendMusic(Text(kSong).c_str()); }

  // The media library's length, from the engine itself.
  long LibraryCount() {
    CComPtr<IWMPPlayer4> engine;
    engine.Attach(control.Engine());
    CComPtr<IWMPMediaCollection> library;
    CComPtr<IWMPPlaylist> all;
    long count = -1;
    if (SUCCEEDED(engine->get_mediaCollection(&library)) && SUCCEEDED(library->getAll(&all)))
      all->get_count(&count);
    return count;
  }

  const std::u16string kSong = Path("song.wma");
};

TEST_F(MediaInfoTest, MaskZeroZeroesTheRecordWithoutAskingTheControl) {
  ASSERT_EQ(AppendSong(), S_OK);
  control.ClearCalls();
  auto file = DirtyRecord(0);
  auto item = DirtyRecord(0);
  EXPECT_EQ(GetFile(file.get()), S_OK);
  EXPECT_EQ(player->GetCurPlaylistMusicInfo(0, item.get()), S_OK);
  auto zero = Expected(0, [](tagMediaInfo &) {});
  EXPECT_TRUE(SameRecord(*file, *zero));
  EXPECT_TRUE(SameRecord(*item, *zero));
  EXPECT_EQ(player->SetCurPlaylistMusicInfo(0, file.get()), S_OK); // nothing to write
  EXPECT_TRUE(control.Calls().empty()) << control.Log();

  auto none = DirtyRecord(INFO_TITLE);
  EXPECT_EQ(player->GetMusicInfo(nullptr, none.get()), E_FAIL);
  EXPECT_EQ(player->GetMusicInfo(Text(u"").c_str(), none.get()), E_FAIL);
  EXPECT_EQ(none->szTitle[0], 0x5A5A); // refused before the record is touched
}

TEST_F(MediaInfoTest, GetCurPlaylistMusicInfoFillsAll21FieldsInOrder) {
  ASSERT_EQ(player->AppendMusic(Text(Path("other.mp3")).c_str()), S_OK);
  ASSERT_EQ(AppendSong(), S_OK);
  TellOfSong();
  auto info = DirtyRecord(kAllBits);
  EXPECT_EQ(player->GetCurPlaylistMusicInfo(1, info.get()), S_OK);
  auto expected = Expected(kAllBits, [&](tagMediaInfo &e) {
    SetField(e.szTitle, u"Song Name"); // "Name" for a playlist item
    SetField(e.szAlbum, u"The Album");
    SetField(e.szAuthor, u"The Author");
    SetField(e.szSourceURL, kSong);
    SetField(e.szGenre, u"Ambient");
    e.dDuration = 215.5;
    SetField(e.szComposer, u"Composer");
    SetField(e.szTOC, u"1+96+15000");
    SetField(e.szAlbumArtist, u"Band");
    SetField(e.szContentID, u"{id}");
    SetField(e.szFileType, u"wma");
    e.lWidth = 1280;
    e.lHeight = 720;
    SetField(e.szVideoCodec, u"Windows Media Video 9");
    SetField(e.szAudioCodec, u"Windows Media Audio");
    e.lVideoBitrate = 250000;
    e.lAudioBitrate = 128000;
    e.lAspectX = 16;
    e.lAspectY = 9;
    e.lBitrate = 378000;
    e.lFrameRate = 30;
    e.lChannels = 2;
  });
  EXPECT_TRUE(SameRecord(*info, *expected));
}

TEST_F(MediaInfoTest, SetMusicInfoWritesTheSixFileAttributesUnlessReadOnly) {
  auto path = Text(kSong);
  auto read = [&](std::uint32_t mask) {
    auto info = DirtyRecord(mask);
    EXPECT_EQ(GetFile(info.get()), S_OK);
    return info;
  };
  using Field16 = unsigned short(tagMediaInfo::*)[425];
  const std::tuple<InfoType, std::u16string, Field16> writable[] = {
      {INFO_TITLE, u"new Title", &tagMediaInfo::szTitle},
      {INFO_ALBUM, u"new Album", &tagMediaInfo::szAlbum},
      {INFO_AUTHOR, u"new Author", &tagMediaInfo::szAuthor},
      {INFO_GENRE, u"new Genre", &tagMediaInfo::szGenre},
      {INFO_COMPOSER, u"new Composer", &tagMediaInfo::szComposer},
      {INFO_ALBUMARTIST, u"new Band", &tagMediaInfo::szAlbumArtist}};
  for (const auto &[type, value, field] : writable)
    EXPECT_EQ(player->SetMusicInfo(path.c_str(), Text(value).c_str(), type), S_OK) << type;
  auto info = read(kAllBits);
  for (const auto &[type, value, field] : writable)
    EXPECT_EQ(Field((*info).*field), value) << type;
  EXPECT_EQ(LibraryCount(), 1);
  // A null value is written as an empty one.
  EXPECT_EQ(player->SetMusicInfo(path.c_str(), nullptr, INFO_GENRE), S_OK);
  EXPECT_EQ(Field(read(INFO_GENRE)->szGenre), u"");

  // Other attributes: nothing written, the lookup's status.
  control.ClearCalls();
  EXPECT_EQ(player->SetMusicInfo(path.c_str(), Text(u"x").c_str(), INFO_SOURCEURL), S_OK);
  EXPECT_EQ(player->SetMusicInfo(path.c_str(), Text(u"x").c_str(), INFO_DURATION), S_OK);
  EXPECT_EQ(control.Count("IWMPMedia.isReadOnlyItem"), 0u);
  EXPECT_EQ(control.Count("IWMPMedia.setItemInfo"), 0u);
  EXPECT_EQ(Field(read(INFO_SOURCEURL)->szSourceURL), kSong);

  // A read-only attribute is left as it is, and that is a success.
  control.ClearCalls();
  control.Answer("IWMPMedia.isReadOnlyItem(Album)", 0, Answer::Number(-1));
  EXPECT_EQ(player->SetMusicInfo(path.c_str(), Text(u"x").c_str(), INFO_ALBUM), S_OK);
  EXPECT_EQ(control.Count("IWMPMedia.setItemInfo"), 0u);
  EXPECT_EQ(Field(read(INFO_ALBUM)->szAlbum), u"new Album");
}

// How an item's attribute texts become the record's names and numbers: the
// codec names by the exact text of their keys (the video key is the decimal
// number of the four-character code, read like wcstol), the numbers like
// wcstol with 32-bit longs, the aspect ratio reduced from the image size.
TEST_F(MediaInfoTest, AttributeTextsBecomeNamesAndNumbers) {
  ASSERT_EQ(AppendSong(), S_OK);
  auto item = [&](const char *attribute, const std::u16string &text, std::uint32_t mask) {
    control.Forget();
    control.Answer(std::string("IWMPMedia.getItemInfo(") + attribute + ")", 0, Answer::Text(text));
    auto info = DirtyRecord(mask);
    EXPECT_EQ(player->GetCurPlaylistMusicInfo(0, info.get()), S_OK) << attribute;
    return info;
  };
  // A few of the names (the first and last of each table among them), and
  // what is no key.
  struct Name {
    const char *attribute;
    std::u16string text, name;
  };
  const Name names[] = {{"FormatTag", u"355", u"Windows Media Audio Lossless"},
                        {"FormatTag", u"85", u"MPEG Layer-3"},
                        {"FormatTag", u"7", u"CCITT u-Law"},
                        {"FormatTag", u"", u""}, // no tag is no name
                        {"FormatTag", u"085", u"Other"},
                        {"FormatTag", u"0x55", u"Other"},
                        {"FormatTag", u" 85", u"Other"},
                        {"FormatTag", u"85 ", u"Other"},
                        {"FormatTag", u"3550", u"Other"},
                        {"FourCC", u"827739479", u"Windows Media Video 7"},
                        {"FourCC", u"1347833175", u"Windows Media Video 9"},
                        {"FourCC", u"1096174935", u"Windows Media Video 9 Advanced Profile"},
                        {"FourCC", u"  +861293911kbps", u"Windows Media Video 9"},
                        {"FourCC", u"859066445", u"Other"}, // MP43
                        {"FourCC", u"WMV3", u"Other"},      // letters are no number
                        {"FourCC", u"-1", u"Other"},
                        {"FourCC", u"99999999999", u"Other"},
                        {"FourCC", u"", u""}};
  for (const Name &row : names) {
    const bool audio = row.attribute == std::string("FormatTag");
    auto info = item(row.attribute, row.text, audio ? INFO_AUDIOCODEC : INFO_VIDEOCODEC);
    EXPECT_EQ(Field(audio ? info->szAudioCodec : info->szVideoCodec), row.name) << row.attribute;
  }
  const std::pair<std::u16string, std::int32_t> numbers[] = {
      {u"128000", 128000},
      {u"128000 bps", 128000},
      {u" \t\n-42x", -42},
      {u"+7", 7},
      {u"abc", 0},
      {u"- 5", 0},
      {u"", 0},
      {u"2147483647", 2147483647},
      {u"2147483648", 2147483647},
      {u"-2147483648", INT32_MIN},
      {u"-2147483649", INT32_MIN},
      {u"00000000000000000031", 31},
      {u"99999999999999999999999999999999", 2147483647}};
  for (const auto &[text, number] : numbers)
    EXPECT_EQ(item("AudioBitrate", text, INFO_AUDIOBITRATE)->lAudioBitrate, number);
  const std::tuple<double, double, std::int32_t, std::int32_t> sizes[] = {
      {640, 480, 4, 3},
      {1280, 720, 16, 9},
      {720, 576, 5, 4},
      {7, 0, 0, 0},
      {17, 5, 17, 5},
      {0, 480, 0, 0},
      {640, 0, 0, 0},
      // The one quotient that leaves 32 bits wraps instead of trapping.
      {INT32_MIN, -1, INT32_MIN, 1}};
  for (const auto &[width, height, x, y] : sizes) {
    control.Forget();
    control.Answer("IWMPMedia.get_imageSourceWidth", 0, Answer::Number(width));
    control.Answer("IWMPMedia.get_imageSourceHeight", 0, Answer::Number(height));
    auto info = DirtyRecord(INFO_ASPECTRATIO);
    EXPECT_EQ(player->GetCurPlaylistMusicInfo(0, info.get()), S_OK);
    EXPECT_EQ(std::make_pair(info->lAspectX, info->lAspectY), std::make_pair(x, y))
        << width << "x" << height;
  }
}

} // namespace
