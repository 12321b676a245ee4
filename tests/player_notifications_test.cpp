// Host notifications: the control's events, raised through the scripted
// control, as the host's callback receives them.
#include "player_back_end_support.h"
#include "player_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using test_support::kRefused;
using test_support::Notification;
using Received = std::vector<Notification>;

class Notifications : public PlayerTest {
protected:
  void SetUp() override {
    PlayerTest::SetUp();
    ASSERT_EQ(CreatePlayer(), S_OK);
    list = control.setCurrentPlaylist(u"list", {u"a.mp3", u"b.mp3", u"c.mp3"});
  }
  Received Heard() { return test_support::TakeReceived(notifications); }
  scripted::PlaylistRef list;
};

long Identity(std::uintptr_t address) {
  return long(std::int32_t(std::uint32_t(address)));
}

TEST_F(Notifications, StateChangesCarryTheCurrentItemsIndex) {
  control.model().currentItem = 2;
  control.raisePlayStateChange(3);
  control.raisePlayStateChange(12);
  control.raisePlayStateChange(13);
  control.raisePlayStateChange(0);
  control.raiseOpenStateChange(21);
  control.raiseOpenStateChange(1);
  control.raiseOpenStateChange(22);
  control.raiseOpenStateChange(0);
  control.raiseOpenStateChange(-4);
  EXPECT_EQ(Heard(), (Received{{kCookie, 1, 3, 2},
                               {kCookie, 1, 12, 2},
                               {kCookie, 1, 0, 2},
                               {kCookie, 1, 0, 2},
                               {kCookie, 2, 21, 2},
                               {kCookie, 2, 1, 2},
                               {kCookie, 2, 0, 2},
                               {kCookie, 2, 0, 2},
                               {kCookie, 2, 0, 2}}));

  // An item that stands twice is reported at its first place.
  list->items.push_back(list->items[1]);
  control.model().currentItem = 3;
  control.raisePlayStateChange(3);
  EXPECT_EQ(Heard(), (Received{{kCookie, 1, 3, 1}}));
}

TEST_F(Notifications, NoIndexNoStateNotification) {
  // No current item.
  control.model().currentItem.reset();
  control.raisePlayStateChange(3);
  control.raiseOpenStateChange(13);
  // The playlist was cleared.
  control.model().currentItem = 0;
  ASSERT_EQ(player->ClearAllMusic(), S_OK);
  control.raisePlayStateChange(1);
  // The current item is not in the playlist the control now calls current.
  scripted::PlaylistRef shown = control.setCurrentPlaylist(u"list", {u"a.mp3"});
  scripted::PlaylistRef elsewhere = control.makePlaylist(u"other", {u"z.mp3"});
  control.onCall("IWMPControls.currentItem", [&] { control.model().currentPlaylist = shown; });
  control.onCall("IWMPPlayer4.get_currentPlaylist",
                 [&] { control.model().currentPlaylist = elsewhere; });
  control.raisePlayStateChange(3);
  control.raiseOpenStateChange(13);
  control.clearScript();
  // The lookup fails on its way.
  control.setCurrentPlaylist(u"list", {u"a.mp3"});
  for (const char *method :
       {"IWMPControls.currentItem", "IWMPPlayer4.get_currentPlaylist", "IWMPPlaylist.get_count",
        "IWMPPlaylist.get_Item", "IWMPMedia.get_isIdentical"}) {
    control.fail(method, kRefused);
    control.raisePlayStateChange(3);
    control.raiseOpenStateChange(13);
    control.clearScript();
  }
  EXPECT_EQ(Heard(), Received{});
  control.raisePlayStateChange(3);
  EXPECT_EQ(Heard(), (Received{{kCookie, 1, 3, 0}}));
}

TEST_F(Notifications, MediaErrorsNameTheirItemAndItsIndex) {
  long atOne = Identity(control.raiseMediaError(std::size_t(1)));
  long atZero = Identity(control.raiseMediaError(std::size_t(0)));
  // An item that is no longer in the current playlist.
  control.raiseMediaError(control.makeMedia(u"gone.mp3"));
  control.raiseMediaError(static_cast<IWMPMedia *>(nullptr));
  EXPECT_EQ(Heard(), (Received{{kCookie, 5, atOne, 1}, {kCookie, 5, atZero, 0}}));
  EXPECT_NE(atOne, 0);
}

TEST_F(Notifications, AHostCallingCallAudioProcIsHeardAsTheControlWouldBe) {
  control.model().currentItem = 1;
  player->CallAudioProc(CN_Reserved7, 5, 6);
  player->CallAudioProc(CN_Reserved0, -1, 2);
  player->CallAudioProc(CN_Reserved3, 5, 6);
  player->CallAudioProc(CN_Reserved6, 5, 6);
  player->CallAudioProc(CallNotify(10), 5, 6);
  player->CallAudioProc(CallNotify(-1), 5, 6);
  player->CallAudioProc(CN_PlayStateChange, 3, 99);
  player->CallAudioProc(CN_OpenStateChange, 30, 99);
  player->CallAudioProc(CN_Click, 1, 2);
  player->CallAudioProc(CN_CurrentPlaylistChange, 3, 4);
  player->CallAudioProc(CN_Error, 8, 9);
  player->CallAudioProc(CN_MediaError, 1234, 0); // no item of an event in delivery
  EXPECT_EQ(Heard(), (Received{{kCookie, 7, 5, 6},
                               {kCookie, 0, -1, 2},
                               {kCookie, 1, 3, 1},
                               {kCookie, 2, 0, 1},
                               {kCookie, 8, 1, 2},
                               {kCookie, 9, 3, 4},
                               {kCookie, 4, 8, 9}}));
}

TEST_F(Notifications, TheHostMayCallBackIntoThePlayerFromItsCallback) {
  // Stopping from inside the callback makes the control report the new
  // state at once, nested inside the first notification.
  control.onCall("IWMPControls.stop", [this] { control.raisePlayStateChange(1); });
  long indexSeen = -2;
  std::string mediaDuringCallback;
  notifications.reaction = [&](CallNotify code, long first, long) {
    if (code == CN_PlayStateChange && first == PS_Playing) {
      mediaDuringCallback = scripted::leakReport();
      player->GetPlaylistIndex(&indexSeen);
      player->Stop();
    }
  };
  control.model().currentItem = 2;
  control.raisePlayStateChange(3);
  EXPECT_EQ(Heard(), (Received{{kCookie, 1, 3, 2}, {kCookie, 1, 1, 2}}));
  EXPECT_EQ(indexSeen, 2);
  // The player holds no media item while the host runs.
  EXPECT_EQ(mediaDuringCallback.find("IWMPMedia:"), std::string::npos) << mediaDuringCallback;
  notifications.reaction = nullptr;

  // A notification nested inside the player's own lookup of the current
  // item does not disturb the one being built.
  control.clearScript();
  bool raised = false;
  control.onCall("IWMPControls.currentItem", [&] {
    if (!raised) {
      raised = true;
      control.raiseClick(1, 0, 10, 20);
      control.raiseCurrentPlaylistChange(3);
    }
  });
  control.raiseOpenStateChange(13);
  EXPECT_EQ(Heard(), (Received{{kCookie, 8, 10, 20}, {kCookie, 9, 3, 0}, {kCookie, 2, 13, 2}}));
}

} // namespace
