// The saved playlist library: counting, naming and finding saved
// playlists, saving and overwriting them from the current playlist (with
// and without an undo), and removing media from the library.
#include "player/wmp9_audio_player.h"
#include "player_test_support.h"
#include "one_call_answer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using test_support::AnswerOneCall;
using test_support::kRefused;
using test_support::Text;

std::vector<std::u16string> Urls(const scripted::PlaylistRef &playlist) {
  std::vector<std::u16string> urls;
  for (auto &item : playlist->items)
    urls.push_back(item->url);
  return urls;
}

std::vector<std::u16string> SavedNames(scripted::Control &control) {
  std::vector<std::u16string> names;
  for (auto &playlist : control.model().savedPlaylists)
    names.push_back(playlist->name);
  return names;
}

class SavedPlaylistsTest : public PlayerTest {
protected:
  void SetUp() override {
    PlayerTest::SetUp();
    ASSERT_EQ(CreatePlayer(), S_OK);
  }

  // A host's name buffer: 425 units, every one set beforehand.
  struct NameBuffer {
    unsigned short units[425];
    NameBuffer() { std::fill(std::begin(units), std::end(units), 0xAAAA); }
    std::u16string text() const {
      std::u16string out;
      for (int i = 0; i < 425 && units[i] != 0; ++i)
        out.push_back(char16_t(units[i]));
      return out;
    }
    bool untouched() const {
      return std::all_of(std::begin(units), std::end(units), [](auto c) { return c == 0xAAAA; });
    }
  };
};

TEST_F(SavedPlaylistsTest, CountsAndNamesTheSavedPlaylistsInTheControlsOrder) {
  control.savePlaylist(u"Rock");
  control.savePlaylist(std::u16string(424, u'n'));
  std::u16string longName(500, u'x');
  longName[423] = u'L';
  control.savePlaylist(longName);

  long count = 0;
  EXPECT_EQ(player->GetPLCollectionCount(&count), S_OK);
  EXPECT_EQ(count, 3);

  NameBuffer rock, whole, cut;
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(0, rock.units), S_OK);
  EXPECT_EQ(rock.text(), u"Rock");
  EXPECT_EQ(rock.units[424], 0);
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(1, whole.units), S_OK);
  EXPECT_EQ(whole.text(), std::u16string(424, u'n'));
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(2, cut.units), S_OK);
  EXPECT_EQ(cut.text(), longName.substr(0, 424));
  EXPECT_EQ(cut.units[423], u'L');
  EXPECT_EQ(cut.units[424], 0);
}

TEST_F(SavedPlaylistsTest, AnIndexOutsideTheListLeavesTheBufferAlone) {
  control.savePlaylist(u"Rock");
  NameBuffer name;
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(1, name.units), E_INVALIDARG); // the control's
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(-1, name.units), E_INVALIDARG);
  EXPECT_TRUE(name.untouched());
}

TEST_F(SavedPlaylistsTest, GetPlaylistNumByNameCountsWhatTheControlFinds) {
  control.savePlaylist(u"Rock");
  control.savePlaylist(u"Jazz");
  control.savePlaylist(u"Rock");
  long count = 0;
  EXPECT_EQ(player->GetPlaylistNumByName(Text(u"Rock").c_str(), &count), S_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(player->GetPlaylistNumByName(Text(u"Blues").c_str(), &count), S_OK);
  EXPECT_EQ(count, 0);

  std::u16string longName(300, u'r');
  control.savePlaylist(longName.substr(0, 259));
  EXPECT_EQ(player->GetPlaylistNumByName(Text(longName).c_str(), &count), S_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(control.callsTo("IWMPPlaylistCollection.getByName").back().args[0],
            scripted::utf8(longName.substr(0, 259)));
}

TEST_F(SavedPlaylistsTest, SaveCurPlaylistCopiesTheCurrentItemsUnderTheCutName) {
  control.setCurrentPlaylist(u"Now", {u"a.mp3", u"b.mp3"});
  EXPECT_EQ(player->SaveCurPlaylist(Text(u"Mix").c_str()), S_OK);
  ASSERT_EQ(control.model().savedPlaylists.size(), 1u);
  auto saved = control.model().savedPlaylists[0];
  EXPECT_EQ(saved->name, u"Mix");
  EXPECT_EQ(Urls(saved), (std::vector<std::u16string>{u"a.mp3", u"b.mp3"}));
  EXPECT_EQ(control.model().currentPlaylist->items.size(), 2u);

  // The name is not looked up first; an empty playlist saves as one.
  control.setCurrentPlaylist(u"Empty", {});
  std::u16string longName(300, u'm');
  EXPECT_EQ(player->SaveCurPlaylist(Text(longName).c_str()), S_OK);
  EXPECT_EQ(player->SaveCurPlaylist(Text(u"Mix").c_str()), S_OK);
  EXPECT_EQ(SavedNames(control),
            (std::vector<std::u16string>{u"Mix", longName.substr(0, 259), u"Mix"}));
  EXPECT_TRUE(control.model().savedPlaylists[1]->items.empty());
}

TEST_F(SavedPlaylistsTest, AFailedSaveLeavesNoPlaylistBehind) {
  control.savePlaylist(u"Keep");
  control.setCurrentPlaylist(u"Now", {u"a.mp3", u"b.mp3", u"c.mp3"});

  // Failing midway: the first item was appended already.
  AnswerOneCall(control, "IWMPPlaylist.get_Item", 2, {kRefused}); // item 1
  EXPECT_EQ(player->SaveCurPlaylist(Text(u"Mix").c_str()), kRefused);
  EXPECT_EQ(control.count("IWMPPlaylist.appendItem"), 1u);
  EXPECT_EQ(control.count("IWMPPlaylistCollection.remove"), 1u);
  EXPECT_EQ(SavedNames(control), std::vector<std::u16string>{u"Keep"});
}

TEST_F(SavedPlaylistsTest, UpdatePlaylistbyIndexOverwritesAndHasNoUndo) {
  auto old = control.savePlaylist(u"Old", {u"x.mp3", u"y.mp3"});
  auto other = control.savePlaylist(u"Other", {u"z.mp3"});
  control.setCurrentPlaylist(u"Now", {u"a.mp3", u"b.mp3", u"c.mp3"});
  EXPECT_EQ(player->UpdatePlaylistbyIndex(0), S_OK);
  EXPECT_EQ(old->name, u"Old");
  EXPECT_EQ(Urls(old), (std::vector<std::u16string>{u"a.mp3", u"b.mp3", u"c.mp3"}));
  EXPECT_EQ(Urls(other), std::vector<std::u16string>{u"z.mp3"});

  // Past the end: the control refuses and nothing is cleared.
  control.clearCalls();
  EXPECT_EQ(player->UpdatePlaylistbyIndex(2), E_INVALIDARG);
  EXPECT_EQ(control.count("IWMPPlaylist.clear"), 0u);

  // Failing midway keeps what was copied so far.
  AnswerOneCall(control, "IWMPPlaylist.get_Item", 2, {kRefused}); // item 1
  EXPECT_EQ(player->UpdatePlaylistbyIndex(1), kRefused);
  EXPECT_EQ(Urls(other), std::vector<std::u16string>{u"a.mp3"});
  EXPECT_EQ(SavedNames(control), (std::vector<std::u16string>{u"Old", u"Other"}));
  EXPECT_EQ(control.count("IWMPPlaylistCollection.remove"), 0u);

  control.clearScript();
  control.giveNull("IWMPPlaylist.get_Item");
  EXPECT_EQ(player->UpdatePlaylistbyIndex(1), E_FAIL);
  EXPECT_TRUE(other->items.empty());
}

TEST_F(SavedPlaylistsTest, DeleteItemFromCollectionAddsThenRemovesWithTheFile) {
  EXPECT_EQ(player->DeleteItemFromCollection(Text(u"C:\\Music\\new.mp3").c_str()), S_OK);
  EXPECT_TRUE(control.model().mediaLibrary.empty());
  auto removes = control.callsTo("IWMPMediaCollection.remove");
  ASSERT_EQ(removes.size(), 1u);
  EXPECT_EQ(removes[0].args, (std::vector<std::string>{"C:\\Music\\new.mp3", "-1"}));

  std::u16string longPath(300, u'p');
  EXPECT_EQ(player->DeleteItemFromCollection(Text(longPath).c_str()), S_OK);
  EXPECT_EQ(control.callsTo("IWMPMediaCollection.add").back().args[0],
            scripted::utf8(longPath.substr(0, 259)));
}

} // namespace
