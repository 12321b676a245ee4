// Switching to a CD and back (a clear returns to the playlist before it),
// the current item's index, and finding an item's index in the current
// playlist, over the scripted control.
#include "player_back_end_support.h"
#include "player_test_support.h"
#include "one_call_answer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using test_support::CurrentPlaylistItem;
using test_support::kRefused;
using test_support::Text;
using Strings = std::vector<std::string>;

class PlaylistSelection : public PlayerTest {
protected:
  void SetUp() override {
    PlayerTest::SetUp();
    ASSERT_EQ(CreatePlayer(), S_OK);
    control.clearCalls();
  }
  CWMP9AudioPlayer *backEnd() { return static_cast<CWMP9AudioPlayer *>(player); }
  scripted::PlaylistRef FourItems() {
    return control.setCurrentPlaylist(u"list", {u"a.mp3", u"b.mp3", u"c.mp3", u"d.mp3"});
  }
  scripted::PlaylistRef InsertDisc(const std::u16string &drive) {
    scripted::PlaylistRef disc = control.makePlaylist(u"disc " + drive, {u"t1.cda", u"t2.cda"});
    control.model().cdDrives.push_back({drive, disc});
    return disc;
  }
  long SetCdrom(const std::u16string &drive) {
    return player->SetCdromToCurPlaylist(Text(drive).c_str());
  }
  long Index() {
    long index = 1234;
    long status = player->GetPlaylistIndex(&index);
    return SUCCEEDED(status) ? index : status;
  }
};

TEST_F(PlaylistSelection, TwoCdsInARowThenClearReturnToThePlaylistBeforeTheFirst) {
  scripted::PlaylistRef before = FourItems();
  scripted::PlaylistRef first = InsertDisc(u"D:");
  scripted::PlaylistRef second = InsertDisc(u"E:");
  EXPECT_EQ(SetCdrom(u"D:"), S_OK);
  EXPECT_EQ(control.model().currentPlaylist, first);
  EXPECT_EQ(SetCdrom(u"E:"), S_OK);
  EXPECT_EQ(control.model().currentPlaylist, second);
  EXPECT_EQ(control.count("IWMPPlayer4.get_currentPlaylist"), 1u); // saved once only
  EXPECT_EQ(control.callsTo("IWMPCdromCollection.getByDriveSpecifier").at(1).args, Strings{"E:"});

  EXPECT_EQ(player->ClearAllMusic(), S_OK);
  EXPECT_EQ(control.model().currentPlaylist, before);
  EXPECT_TRUE(before->items.empty());
  EXPECT_EQ(first->items.size(), 2u);
  EXPECT_EQ(second->items.size(), 2u);
}

TEST_F(PlaylistSelection, TheCurrentItemsIndexIsItsFirstPlaceInThePlaylist) {
  EXPECT_EQ(Index(), E_FAIL); // empty playlist
  scripted::PlaylistRef list = FourItems();
  EXPECT_EQ(Index(), 0);
  control.model().currentItem = 3;
  EXPECT_EQ(Index(), 3);
  // The same item at 2 and 5: the current item is the one at 5.
  scripted::Media twice = control.makeMedia(u"twice.mp3");
  list->items.insert(list->items.begin() + 2, twice);
  list->items.push_back(twice);
  control.model().currentItem = 5;
  EXPECT_EQ(Index(), 2);
  // No current item.
  control.model().currentItem.reset();
  long index = 9;
  EXPECT_EQ(player->GetPlaylistIndex(&index), E_FAIL);
  EXPECT_EQ(index, -1);
  control.model().currentItem = 0;
  control.fail("IWMPControls.currentItem", kRefused);
  index = 9;
  EXPECT_EQ(player->GetPlaylistIndex(&index), kRefused);
  EXPECT_EQ(index, -1);
}

TEST_F(PlaylistSelection, FindMediaIndexTakesTheFirstIdenticalItem) {
  scripted::PlaylistRef list = FourItems();
  list->items.push_back(list->items[1]);
  CComPtr<IWMPMedia> second = CurrentPlaylistItem(4); // the item at 1 and 4
  CComPtr<IWMPMedia> last = CurrentPlaylistItem(3);
  long index = 77;
  EXPECT_EQ(backEnd()->FindMediaIndex(second, &index), S_OK);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(backEnd()->FindMediaIndex(last, &index), S_OK);
  EXPECT_EQ(index, 3);
  control.clearCalls();
  EXPECT_EQ(backEnd()->FindMediaIndex(nullptr, &index), E_FAIL);
  EXPECT_EQ(index, -1);
  EXPECT_TRUE(control.calls().empty());

  // An item no longer in the playlist.
  list->items.erase(list->items.begin() + 3);
  index = 77;
  EXPECT_EQ(backEnd()->FindMediaIndex(last, &index), E_FAIL);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(control.count("IWMPPlaylist.get_Item"), 4u);

  // A failed identity test is no match, whatever the control answered.
  control.fail("IWMPMedia.get_isIdentical", kRefused);
  index = 77;
  EXPECT_EQ(backEnd()->FindMediaIndex(second, &index), E_FAIL);
  EXPECT_EQ(index, -1);
  control.clearScript();

  // A failed fetch ends the search with its status.
  test_support::AnswerOneCall(control, "IWMPPlaylist.get_Item", 2, {kRefused}); // item 1
  index = 77;
  EXPECT_EQ(backEnd()->FindMediaIndex(last, &index), kRefused);
  EXPECT_EQ(index, -1);
}

TEST_F(PlaylistSelection, ClearAfterACdGoesBackToThePlaylistBeforeItOnce) {
  scripted::PlaylistRef list = FourItems();
  scripted::PlaylistRef disc = InsertDisc(u"D:");
  ASSERT_EQ(player->SetCdromToCurPlaylist(Text(u"D:").c_str()), S_OK);
  ASSERT_EQ(control.model().currentPlaylist, disc);

  // The restore fails: the CD stays put aside for the next clear.
  control.clearCalls();
  control.fail("IWMPPlayer4.put_currentPlaylist", kRefused);
  EXPECT_EQ(player->ClearAllMusic(), kRefused);
  EXPECT_EQ(control.count("IWMPPlaylist.clear"), 0u);
  control.clearScript();

  EXPECT_EQ(player->ClearAllMusic(), S_OK);
  EXPECT_EQ(control.model().currentPlaylist, list);
  EXPECT_TRUE(list->items.empty());
  EXPECT_EQ(disc->items.size(), 2u);

  // Once back, a clear empties whatever is current without switching.
  scripted::PlaylistRef other = control.setCurrentPlaylist(u"other", {u"z.mp3"});
  control.clearCalls();
  EXPECT_EQ(player->ClearAllMusic(), S_OK);
  EXPECT_EQ(control.model().currentPlaylist, other);
  EXPECT_TRUE(other->items.empty());
  EXPECT_EQ(control.callsTo("IWMPPlayer4.put_currentPlaylist").at(0).args, Strings{"other"});
}

} // namespace
