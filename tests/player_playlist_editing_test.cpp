// Editing the current playlist: append, insert, remove, move, clear and
// count, over the scripted control.
#include "player_back_end_support.h"
#include "player_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using test_support::kRefused;
using test_support::Text;
using test_support::Urls;
using Strings = std::vector<std::string>;

class PlaylistEditing : public PlayerTest {
protected:
  void SetUp() override {
    PlayerTest::SetUp();
    ASSERT_EQ(CreatePlayer(), S_OK);
    control.clearCalls();
  }
  // The current playlist as a fresh record of three items.
  scripted::PlaylistRef ThreeItems() {
    return control.setCurrentPlaylist(u"list", {u"a.mp3", u"b.mp3", u"c.mp3"});
  }
  long Append(const std::u16string &path) { return player->AppendMusic(Text(path).c_str()); }
  long Insert(const std::u16string &path, long index) {
    return player->InsertMusic(Text(path).c_str(), index);
  }
  // Hands the control a CD in drive D: holding `urls`.
  scripted::PlaylistRef InsertDisc(const std::vector<std::u16string> &urls) {
    scripted::PlaylistRef disc = control.makePlaylist(u"disc", urls);
    control.model().cdDrives.push_back({u"D:", disc});
    return disc;
  }
};

TEST_F(PlaylistEditing, PathsReachTheControlCutTo259Units) {
  std::u16string longPath(300, u'p');
  EXPECT_EQ(Append(longPath), S_OK);
  EXPECT_EQ(Insert(longPath, 0), S_OK);
  std::string cut(259, 'p');
  EXPECT_EQ(control.callsTo("IWMPMediaCollection.add").at(0).args, Strings{cut});
  auto made = control.callsTo("IWMPPlayer4.newMedia");
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0].args, Strings{cut});
  EXPECT_EQ(made[1].args, Strings{cut});
  std::u16string exact(259, u'q');
  EXPECT_EQ(Append(exact), S_OK);
  EXPECT_EQ(control.callsTo("IWMPPlayer4.newMedia").back().args, Strings{std::string(259, 'q')});
  // So do playlist paths and URLs.
  EXPECT_EQ(player->SetCurPlaylist(Text(longPath).c_str()), S_OK);
  EXPECT_EQ(control.callsTo("IWMPPlayer4.newPlaylist").at(0).args, (Strings{"", cut}));
}

TEST_F(PlaylistEditing, InsertAdmitsZeroToTheCount) {
  ThreeItems();
  EXPECT_EQ(Insert(u"end.mp3", 3), S_OK);
  EXPECT_EQ(Insert(u"start.mp3", 0), S_OK);
  EXPECT_EQ(Insert(u"mid.mp3", 2), S_OK);
  EXPECT_EQ(Urls(control.model().currentPlaylist),
            (Strings{"start.mp3", "a.mp3", "mid.mp3", "b.mp3", "c.mp3", "end.mp3"}));
  EXPECT_EQ(control.count("IWMPMediaCollection.add"), 0u);

  control.clearCalls();
  EXPECT_EQ(Insert(u"x.mp3", 7), E_FAIL);
  EXPECT_EQ(Insert(u"x.mp3", -1), E_FAIL);
  EXPECT_EQ(player->InsertMusic(nullptr, 0), E_FAIL);
  EXPECT_EQ(Insert(u"", 0), E_FAIL);
  EXPECT_EQ(control.count("IWMPPlayer4.newMedia"), 0u);
  EXPECT_EQ(control.count("IWMPPlaylist.insertItem"), 0u);
  EXPECT_EQ(control.model().currentPlaylist->items.size(), 6u);
}

TEST_F(PlaylistEditing, RemoveAdmitsTheCountAndLetsTheControlAnswerThere) {
  ThreeItems();
  EXPECT_EQ(player->RemoveMusic(1), S_OK);
  EXPECT_EQ(Urls(control.model().currentPlaylist), (Strings{"a.mp3", "c.mp3"}));

  control.clearCalls();
  EXPECT_EQ(player->RemoveMusic(-1), E_FAIL);
  EXPECT_EQ(player->RemoveMusic(3), E_FAIL);
  EXPECT_EQ(control.count("IWMPPlaylist.get_Item"), 0u);
  // The scripted control has no item at the count and says so.
  EXPECT_EQ(player->RemoveMusic(2), E_INVALIDARG);
  EXPECT_EQ(control.callsTo("IWMPPlaylist.get_Item").at(0).args, Strings{"2"});
  EXPECT_EQ(control.count("IWMPPlaylist.removeItem"), 0u);
  EXPECT_EQ(control.model().currentPlaylist->items.size(), 2u);
}

TEST_F(PlaylistEditing, MoveChecksBothIndexesFirst) {
  ThreeItems();
  EXPECT_EQ(player->MoveMusic(0, 2), S_OK);
  EXPECT_EQ(Urls(control.model().currentPlaylist), (Strings{"b.mp3", "c.mp3", "a.mp3"}));

  control.clearCalls();
  EXPECT_EQ(player->MoveMusic(0, 4), E_FAIL);
  EXPECT_EQ(player->MoveMusic(-1, 1), E_FAIL);
  EXPECT_EQ(player->MoveMusic(4, 0), E_FAIL);
  EXPECT_EQ(control.count("IWMPPlaylist.moveItem"), 0u);
  // The count passes the check; the control refuses it.
  EXPECT_EQ(player->MoveMusic(3, 0), E_INVALIDARG);
  EXPECT_EQ(control.callsTo("IWMPPlaylist.moveItem").at(0).args, (Strings{"3", "0"}));
  EXPECT_EQ(Urls(control.model().currentPlaylist), (Strings{"b.mp3", "c.mp3", "a.mp3"}));
}

TEST_F(PlaylistEditing, ClearAfterACdGoesBackToThePlaylistBeforeItOnce) {
  scripted::PlaylistRef list = ThreeItems();
  scripted::PlaylistRef disc = InsertDisc({u"track1.cda", u"track2.cda"});
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
