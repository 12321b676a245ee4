// Playback settings over the scripted control: the values each flag and
// state becomes on its way to the control and back.
#include "player_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class Transport : public PlayerTest {
protected:
  void SetUp() override {
    PlayerTest::SetUp();
    ASSERT_EQ(CreatePlayer(), S_OK);
    control.clearCalls();
  }
  // The single argument of the only call of `method` since the last clear.
  std::string OnlyArgument(const std::string &method) {
    auto calls = control.callsTo(method);
    EXPECT_EQ(calls.size(), 1u) << method << "\n" << control.callLog();
    return calls.empty() || calls[0].args.empty() ? "<none>" : calls[0].args.back();
  }
};

TEST_F(Transport, PositionIsSoughtOnlyWithinTheCurrentItem) {
  double seconds = -1;
  EXPECT_EQ(player->SetPos(0.0), E_FAIL); // no current item
  scripted::PlaylistRef list = control.setCurrentPlaylist(u"list", {u"a.mp3"});
  list->items[0]->duration = 200;
  control.model().position = 17.25;
  EXPECT_EQ(player->GetPos(&seconds), S_OK);
  EXPECT_EQ(seconds, 17.25);

  EXPECT_EQ(player->SetPos(200.001), E_FAIL);
  EXPECT_EQ(control.count("IWMPControls.put_currentPosition"), 0u);
  EXPECT_EQ(player->SetPos(200.0), S_OK);
  EXPECT_EQ(OnlyArgument("IWMPControls.put_currentPosition"), "200");
}

TEST_F(Transport, PlayStateIsTheControlsNumberWhenItIsOne) {
  PlayState state = PS_Ready;
  const std::vector<std::pair<long, PlayState>> table = {{0, PS_Undefined},  {1, PS_Stopped},
                                                         {3, PS_Playing},    {12, PS_Last},
                                                         {13, PS_Undefined}, {-1, PS_Undefined}};
  for (auto [value, expected] : table) {
    control.model().playState = value;
    EXPECT_EQ(player->GetPlayState(&state), S_OK) << value;
    EXPECT_EQ(state, expected) << value;
  }
}

TEST_F(Transport, FlagsGoToTheControlAsItsBooleans) {
  const std::vector<std::pair<int, std::string>> anyNonZero = {
      {1, "-1"}, {0, "0"}, {2, "-1"}, {-1, "-1"}};
  for (auto &[flag, sent] : anyNonZero) {
    control.clearCalls();
    player->SetMute(flag);
    player->SetVisFullSrc(flag);
    player->EnableErrorDialogs(flag);
    EXPECT_EQ(OnlyArgument("IWMPSettings.put_mute"), sent) << flag;
    EXPECT_EQ(OnlyArgument("IWMPPlayer4.put_fullScreen"), sent) << flag;
    EXPECT_EQ(OnlyArgument("IWMPSettings.put_enableErrorDialogs"), sent) << flag;
  }
  // The modes take exactly 1 as true, else the flag's low 16 bits.
  const std::vector<std::pair<int, std::string>> modes = {
      {1, "-1"}, {0, "0"}, {2, "2"}, {-1, "-1"}, {0x10002, "2"}, {0x18000, "-32768"}};
  for (auto &[flag, sent] : modes) {
    control.clearCalls();
    player->SetLoop(flag);
    player->SetShuffle(flag);
    auto calls = control.callsTo("IWMPSettings.setMode");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].args, (Strings{"loop", sent})) << flag;
    EXPECT_EQ(calls[1].args, (Strings{"shuffle", sent})) << flag;
  }
  // Display mode: "none" for exactly 1, "invisible" for anything else.
  for (auto [flag, mode] : std::vector<std::pair<int, std::string>>{
           {1, "none"}, {0, "invisible"}, {2, "invisible"}, {-1, "invisible"}}) {
    control.clearCalls();
    player->EnableVis(flag);
    EXPECT_EQ(OnlyArgument("IWMPPlayer4.put_uiMode"), mode) << flag;
  }
}

// A true flag reads back as 1, not as the control's -1; a missing variable
// is refused. (False, failures and the calls made are in the operation table.)
TEST_F(Transport, FlagsReadBackAsOne) {
  control.model().mute = control.model().fullScreen = true;
  control.model().modes[u"loop"] = control.model().modes[u"shuffle"] = true;
  for (auto get : {&CAudioPlayer::GetMute, &CAudioPlayer::GetVisFullSrc, &CAudioPlayer::GetLoop,
                   &CAudioPlayer::GetShuffle}) {
    int flag = 7;
    EXPECT_EQ((player->*get)(&flag), S_OK);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ((player->*get)(nullptr), E_FAIL);
  }
  EXPECT_EQ(player->GetVol(nullptr), E_FAIL);
}

} // namespace
