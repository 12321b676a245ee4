// A host's view: a player from InitInstance, driven only through the public
// interface, with the control's events reaching the host's callback.
#include "player_back_end_support.h"
#include "player_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using test_support::Notification;
using test_support::Text;
using Received = std::vector<Notification>;

class EndToEnd : public PlayerTest {
protected:
  Received Heard() { return test_support::TakeReceived(notifications); }
  long Append(const std::u16string &path) { return player->AppendMusic(Text(path).c_str()); }
  long Index() {
    long index = -2;
    player->GetPlaylistIndex(&index);
    return index;
  }
};

TEST_F(EndToEnd, APlayedPlaylistIsReportedItemByItem) {
  ASSERT_EQ(CreatePlayer(), S_OK);
  ASSERT_NE(player, nullptr);
  EXPECT_EQ(player->GetCurrentPlayerVer(), WV_WMP9);

  ASSERT_EQ(Append(u"C:\\music\\one.mp3"), S_OK);
  ASSERT_EQ(Append(u"C:\\music\\two.mp3"), S_OK);
  ASSERT_EQ(player->InsertMusic(Text(u"C:\\music\\zero.mp3").c_str(), 0), S_OK);
  long count = 0;
  ASSERT_EQ(player->GetCurPlaylistCount(&count), S_OK);
  EXPECT_EQ(count, 3);

  ASSERT_EQ(player->Play(), S_OK);
  PlayState state = PS_Undefined;
  ASSERT_EQ(player->GetPlayState(&state), S_OK);
  EXPECT_EQ(state, PS_Playing);
  control.raiseOpenStateChange(13);
  control.raisePlayStateChange(3);
  EXPECT_EQ(Heard(), (Received{{kCookie, 2, 13, 0}, {kCookie, 1, 3, 0}}));

  ASSERT_EQ(player->NextTrack(), S_OK);
  EXPECT_EQ(Index(), 1);
  control.raisePlayStateChange(3);
  ASSERT_EQ(player->PlaylistIndex(2), S_OK);
  control.raisePlayStateChange(3);
  ASSERT_EQ(player->MoveMusic(2, 0), S_OK); // the playing item moves to the front
  control.raisePlayStateChange(8);
  EXPECT_EQ(Heard(), (Received{{kCookie, 1, 3, 1}, {kCookie, 1, 3, 2}, {kCookie, 1, 8, 0}}));

  ASSERT_EQ(player->SetPlayListIndex(1), S_OK);
  std::uintptr_t failed = control.raiseMediaError(std::size_t(1));
  control.raiseError();
  control.raiseClick(1, 0, 100, 50);
  control.raiseCurrentPlaylistChange(1);
  EXPECT_EQ(Heard(), (Received{{kCookie, 5, long(std::int32_t(std::uint32_t(failed))), 1},
                               {kCookie, 4, 0, 0},
                               {kCookie, 8, 100, 50},
                               {kCookie, 9, 1, 0}}));

  // Emptied, the playlist has no item to report a state for.
  ASSERT_EQ(player->ClearAllMusic(), S_OK);
  control.raisePlayStateChange(1);
  EXPECT_EQ(Heard(), Received{});
}

TEST_F(EndToEnd, PlayingASingleFileIsHeardAtIndexZero) {
  ASSERT_EQ(CreatePlayer(), S_OK);
  ASSERT_EQ(Append(u"old.mp3"), S_OK);
  ASSERT_EQ(Append(u"older.mp3"), S_OK);
  ASSERT_EQ(player->PlaySingleFile(Text(u"C:\\music\\song.mp3").c_str()), S_OK);
  control.raisePlayStateChange(3);
  EXPECT_EQ(Heard(), (Received{{kCookie, 1, 3, 0}}));
  long count = 0;
  ASSERT_EQ(player->GetCurPlaylistCount(&count), S_OK);
  EXPECT_EQ(count, 1);

  // A host that stops from inside its callback hears the stop nested in it.
  control.onCall("IWMPControls.stop", [this] { control.raisePlayStateChange(1); });
  notifications.reaction = [this](CallNotify code, long first, long) {
    if (code == CN_PlayStateChange && first == PS_Playing)
      player->Stop();
  };
  control.raisePlayStateChange(3);
  EXPECT_EQ(Heard(), (Received{{kCookie, 1, 3, 0}, {kCookie, 1, 1, 0}}));
  notifications.reaction = nullptr;
}

TEST_F(EndToEnd, ACdPlaysAndClearingReturnsToTheFiles) {
  scripted::PlaylistRef disc = control.makePlaylist(u"disc", {u"cd1", u"cd2", u"cd3"});
  control.model().cdDrives.push_back({u"D:", disc});
  ASSERT_EQ(CreatePlayer(), S_OK);
  ASSERT_EQ(Append(u"file.mp3"), S_OK);
  ASSERT_EQ(player->SetCdromToCurPlaylist(Text(u"d:").c_str()), S_OK);
  ASSERT_EQ(player->PlaylistIndex(2), S_OK);
  control.raisePlayStateChange(3);
  EXPECT_EQ(Heard(), (Received{{kCookie, 1, 3, 2}}));

  ASSERT_EQ(player->ClearAllMusic(), S_OK);
  long count = -1;
  ASSERT_EQ(player->GetCurPlaylistCount(&count), S_OK);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(disc->items.size(), 3u);
  ASSERT_EQ(Append(u"next.mp3"), S_OK);
  ASSERT_EQ(player->Play(), S_OK);
  control.raisePlayStateChange(3);
  EXPECT_EQ(Heard(), (Received{{kCookie, 1, 3, 0}}));
}

TEST_F(EndToEnd, SettingsReadBackAsTheHostSetThem) {
  ASSERT_EQ(CreatePlayer(), S_OK);
  int flag = -1;
  long volume = -1;
  ASSERT_EQ(player->SetVol(35), S_OK);
  ASSERT_EQ(player->GetVol(&volume), S_OK);
  EXPECT_EQ(volume, 35);
  ASSERT_EQ(player->SetMute(1), S_OK);
  ASSERT_EQ(player->GetMute(&flag), S_OK);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(player->SetLoop(1), S_OK);
  ASSERT_EQ(player->GetLoop(&flag), S_OK);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(player->SetShuffle(0), S_OK);
  ASSERT_EQ(player->GetShuffle(&flag), S_OK);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(player->SetVisFullSrc(1), S_OK);
  ASSERT_EQ(player->GetVisFullSrc(&flag), S_OK);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(player->IsSupportSetRate(), -1);
  EXPECT_EQ(player->SetRate(1.5), S_OK);
}

} // namespace
