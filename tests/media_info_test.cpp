// Media information: the record's invariants, the reads of a file through
// the media library (GetMusicInfo) and of a playlist item
// (GetCurPlaylistMusicInfo), and the writes of a file.
#include "player/attribute_number.h"
#include "player/media_info_record.h"
#include "player/wmp9_audio_player.h"
#include "player_test_support.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

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

// ---- the record ------------------------------------------------------------

TEST(MediaInfoRecord, ResetKeepsOnlyTheMaskAndCutsKeepTheirLimits) {
  auto info = DirtyRecord(0x20001);
  EXPECT_EQ(ResetMediaInfo(info.get()), 0x20001u);
  EXPECT_TRUE(SameRecord(*info, *Expected(0x20001, [](tagMediaInfo &) {})));

  StoreFileType(info->szFileType, OLESTR("MPEG4"));
  EXPECT_EQ(Field(info->szFileType), u"MPE");
  StoreFileType(info->szFileType, OLESTR("w"));
  EXPECT_EQ(Field(info->szFileType), u"w");
  EXPECT_EQ(info->szFileType[3], 0);
}

TEST(MediaInfoRecord, AttributeNumbersReadLikeWcstolWith32BitLongs) {
  auto number = [](const std::u16string &text) {
    auto units = Text(text);
    return AttributeNumber(units.c_str());
  };
  EXPECT_EQ(number(u"128000"), 128000);
  EXPECT_EQ(number(u"128000 bps"), 128000);
  EXPECT_EQ(number(u" \t\n-42x"), -42);
  EXPECT_EQ(number(u"+7"), 7);
  EXPECT_EQ(number(u"abc"), 0);
  EXPECT_EQ(number(u"- 5"), 0);
  EXPECT_EQ(number(u""), 0);
  EXPECT_EQ(AttributeNumber(nullptr), 0);
  EXPECT_EQ(number(u"2147483647"), 2147483647);
  EXPECT_EQ(number(u"2147483648"), 2147483647);
  EXPECT_EQ(number(u"-2147483648"), INT32_MIN);
  EXPECT_EQ(number(u"-2147483649"), INT32_MIN);
  EXPECT_EQ(number(u"000000000000000000000000000031"), 31);
  EXPECT_EQ(number(u"99999999999999999999999999999999"), 2147483647);
}

TEST(MediaInfoRecord, AspectRatioIsReducedByEuclid) {
  EXPECT_EQ(ReducedRatio(640, 480), 160);
  EXPECT_EQ(ReducedRatio(1280, 720), 80);
  EXPECT_EQ(ReducedRatio(7, 0), 7);
  EXPECT_EQ(ReducedRatio(17, 5), 1);

  auto aspect = [](std::int32_t width, std::int32_t height) {
    tagMediaInfo info{};
    info.lWidth = width;
    info.lHeight = height;
    StoreAspectRatio(&info);
    return std::make_pair(info.lAspectX, info.lAspectY);
  };
  EXPECT_EQ(aspect(640, 480), std::make_pair(4, 3));
  EXPECT_EQ(aspect(1280, 720), std::make_pair(16, 9));
  EXPECT_EQ(aspect(720, 576), std::make_pair(5, 4));
  EXPECT_EQ(aspect(0, 480), std::make_pair(0, 0));
  EXPECT_EQ(aspect(640, 0), std::make_pair(0, 0));
  // The one quotient that leaves 32 bits wraps instead of trapping.
  EXPECT_EQ(aspect(INT32_MIN, -1), std::make_pair(INT32_MIN, 1));
}

// ---- through the player ------------------------------------------------------

class MediaInfoTest : public PlayerTest {
protected:
  const std::u16string kSong = u"C:\\Music\\song.wma";

  // The file kSong as the control knows it, with every attribute set.
  void RegisterSong() {
    scripted::MediaItem item;
    item.url = kSong;
    item.attributes = {
        {u"Title", u"Song Title"},   {u"Name", u"Song Name"},        {u"Album", u"The Album"},
        {u"Author", u"The Author"},  {u"AlbumArtist", u"Band"},      {u"SourceURL", kSong},
        {u"WM/Genre", u"Ambient"},   {u"WM/Composer", u"Composer"},  {u"TOC", u"1+96+15000"},
        {u"WMContentID", u"{id}"},   {u"FileType", u"wma"},          {u"FourCC", u"861293911"},
        {u"FormatTag", u"353"},      {u"VideoBitrate", u"  250000"}, {u"AudioBitrate", u"128000"},
        {u"Bitrate", u"378000 bps"}, {u"FrameRate", u"30"},          {u"Channels", u"2"}};
    item.duration = 215.5;
    item.imageWidth = 1280;
    item.imageHeight = 720;
    control.model().mediaFiles[kSong] = item;
  }

  long GetFile(tagMediaInfo *info) { return player->GetMusicInfo(Text(kSong).c_str(), info); }
};

TEST_F(MediaInfoTest, GetMusicInfoFillsTheEightFileFieldsAndZeroesTheRest) {
  ASSERT_EQ(CreatePlayer(), S_OK);
  RegisterSong();
  auto info = DirtyRecord(kAllBits);
  EXPECT_EQ(GetFile(info.get()), S_OK);
  auto expected = Expected(kAllBits, [&](tagMediaInfo &e) {
    SetField(e.szTitle, u"Song Title"); // "Title" for a file, not "Name"
    SetField(e.szAlbum, u"The Album");
    SetField(e.szAuthor, u"The Author");
    SetField(e.szAlbumArtist, u"Band");
    e.dDuration = 215.5;
    SetField(e.szSourceURL, kSong);
    SetField(e.szGenre, u"Ambient");
    SetField(e.szComposer, u"Composer");
  });
  EXPECT_TRUE(SameRecord(*info, *expected));
  // The file is in the library now.
  ASSERT_EQ(control.model().mediaLibrary.size(), 1u);
  EXPECT_EQ(control.model().mediaLibrary[0]->url, kSong);

  // A bit it does not honour alone: S_OK and a zero record.
  auto toc = DirtyRecord(INFO_TOC);
  EXPECT_EQ(GetFile(toc.get()), S_OK);
  EXPECT_TRUE(SameRecord(*toc, *Expected(INFO_TOC, [](tagMediaInfo &) {})));
}

TEST_F(MediaInfoTest, MaskZeroZeroesTheRecordWithoutAskingTheControl) {
  ASSERT_EQ(CreatePlayer(), S_OK);
  control.setCurrentPlaylist(u"Now", {kSong});
  control.clearCalls();
  auto file = DirtyRecord(0);
  auto item = DirtyRecord(0);
  EXPECT_EQ(GetFile(file.get()), S_OK);
  EXPECT_EQ(player->GetCurPlaylistMusicInfo(0, item.get()), S_OK);
  auto zero = Expected(0, [](tagMediaInfo &) {});
  EXPECT_TRUE(SameRecord(*file, *zero));
  EXPECT_TRUE(SameRecord(*item, *zero));
  EXPECT_EQ(player->SetCurPlaylistMusicInfo(0, file.get()), S_OK); // nothing to write
  EXPECT_TRUE(control.calls().empty()) << control.callLog();

  auto none = DirtyRecord(INFO_TITLE);
  EXPECT_EQ(player->GetMusicInfo(nullptr, none.get()), E_FAIL);
  EXPECT_EQ(player->GetMusicInfo(Text(u"").c_str(), none.get()), E_FAIL);
  EXPECT_EQ(none->szTitle[0], 0x5A5A); // refused before the record is touched
}

TEST_F(MediaInfoTest, TextArrivesCutTo424UnitsAndTheFileTypeTo3) {
  ASSERT_EQ(CreatePlayer(), S_OK);
  std::u16string longTitle(500, u'x');
  longTitle[423] = u'L';
  longTitle[424] = u'C';
  RegisterSong();
  control.model().mediaFiles[kSong].attributes[u"Title"] = longTitle;
  control.model().mediaFiles[kSong].attributes[u"Name"] = longTitle;
  control.model().mediaFiles[kSong].attributes[u"FileType"] = u"MPEG4";
  control.setCurrentPlaylist(u"Now", {kSong});

  auto file = DirtyRecord(INFO_TITLE);
  EXPECT_EQ(GetFile(file.get()), S_OK);
  EXPECT_EQ(Field(file->szTitle), longTitle.substr(0, 424));
  EXPECT_EQ(file->szTitle[423], u'L');
  EXPECT_EQ(file->szTitle[424], 0);

  auto item = DirtyRecord(INFO_TITLE | INFO_FILETYPE);
  EXPECT_EQ(player->GetCurPlaylistMusicInfo(0, item.get()), S_OK);
  EXPECT_EQ(Field(item->szTitle), longTitle.substr(0, 424));
  EXPECT_EQ(Field(item->szFileType), u"MPE");
}

TEST_F(MediaInfoTest, GetCurPlaylistMusicInfoFillsAll21FieldsInOrder) {
  ASSERT_EQ(CreatePlayer(), S_OK);
  RegisterSong();
  control.setCurrentPlaylist(u"Now", {u"C:\\Music\\other.mp3", kSong});
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
  ASSERT_EQ(CreatePlayer(), S_OK);
  RegisterSong();
  auto path = Text(kSong);
  const std::pair<InfoType, std::u16string> writable[] = {
      {INFO_TITLE, u"Title"},          {INFO_ALBUM, u"Album"},
      {INFO_AUTHOR, u"Author"},        {INFO_GENRE, u"WM/Genre"},
      {INFO_COMPOSER, u"WM/Composer"}, {INFO_ALBUMARTIST, u"AlbumArtist"}};
  for (auto &[type, name] : writable) {
    std::u16string value = u"new " + name;
    EXPECT_EQ(player->SetMusicInfo(path.c_str(), Text(value).c_str(), type), S_OK);
    ASSERT_EQ(control.model().mediaLibrary.size(), 1u);
    EXPECT_EQ(control.model().mediaLibrary[0]->attributes[name], value);
  }
  // A null value is written as an empty one.
  EXPECT_EQ(player->SetMusicInfo(path.c_str(), nullptr, INFO_GENRE), S_OK);
  EXPECT_EQ(control.model().mediaLibrary[0]->attributes[u"WM/Genre"], u"");

  // Other attributes: nothing written, the lookup's status.
  control.clearCalls();
  EXPECT_EQ(player->SetMusicInfo(path.c_str(), Text(u"x").c_str(), INFO_SOURCEURL), S_OK);
  EXPECT_EQ(player->SetMusicInfo(path.c_str(), Text(u"x").c_str(), INFO_DURATION), S_OK);
  EXPECT_EQ(control.count("IWMPMedia.isReadOnlyItem"), 0u);
  EXPECT_EQ(control.count("IWMPMedia.setItemInfo"), 0u);
  EXPECT_EQ(control.model().mediaLibrary[0]->attributes[u"SourceURL"], kSong);

  // A read-only attribute is left as it is, and that is a success.
  control.model().mediaLibrary[0]->readOnly.insert(u"Album");
  EXPECT_EQ(player->SetMusicInfo(path.c_str(), Text(u"x").c_str(), INFO_ALBUM), S_OK);
  EXPECT_EQ(control.model().mediaLibrary[0]->attributes[u"Album"], u"new Album");
  EXPECT_EQ(control.count("IWMPMedia.setItemInfo"), 0u);
}

} // namespace
