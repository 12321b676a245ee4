// Playback settings over the engine: the values each flag and state becomes
// on its way to the control and back, the position's bound, and the
// position a replay of the current item puts back.
#include "support/proxied_player.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using control_proxy::Answer;
using Strings = std::vector<std::string>;

using Transport = CreatedPlayer;

// The item's very end may be sought, and nothing past it.
TEST_F(Transport, PositionIsSoughtOnlyWithinTheCurrentItem) {
  AppendFiles({"a.wav"});
  control.Answer("IWMPMedia.get_duration", 0, Answer::Number(200));
  control.Answer("IWMPControls.put_currentPosition", 0, S_OK);
  control.ClearCalls();
  EXPECT_EQ(player->SetPos(200.001), E_FAIL);
  EXPECT_EQ(player->SetPos(200.0), S_OK);
  EXPECT_EQ(control.CallsTo("IWMPControls.put_currentPosition"),
            Strings{"IWMPControls.put_currentPosition(200)"});
}

// Playing the current item again starts it from its beginning, then puts
// back the position it had.
TEST_F(Transport, PlayCurrentPutsThePositionBack) {
  AppendFiles({"a.wav"});
  ASSERT_EQ(player->SetPlayListIndex(0), S_OK);
  control.Answer("IWMPControls.get_currentPosition", 0, Answer::Number(12.5));
  for (const char *method : {"IWMPControls.playItem", "IWMPControls.put_currentPosition"})
    control.Answer(method, 0, S_OK);
  control.ClearCalls();
  EXPECT_EQ(player->PlayCurrent(), S_OK);
  EXPECT_EQ(control.CallsTo("IWMPControls.put_currentPosition"),
            Strings{"IWMPControls.put_currentPosition(12.5)"});
}

TEST_F(Transport, PlayStateIsTheControlsNumberWhenItIsOne) {
  const std::vector<std::pair<long, PlayState>> table = {{0, PS_Undefined},  {1, PS_Stopped},
                                                         {3, PS_Playing},    {12, PS_Last},
                                                         {13, PS_Undefined}, {-1, PS_Undefined}};
  for (auto [value, expected] : table) {
    control.Forget();
    control.Answer("IWMPPlayer4.get_playState", 0, Answer::Number(double(value)));
    PlayState state = PS_Ready;
    EXPECT_EQ(player->GetPlayState(&state), S_OK) << value;
    EXPECT_EQ(state, expected) << value;
  }
}

TEST_F(Transport, FlagsGoToTheControlAsItsBooleans) {
  const std::vector<std::pair<int, std::string>> anyNonZero = {
      {1, "-1"}, {0, "0"}, {2, "-1"}, {-1, "-1"}};
  for (auto &[flag, sent] : anyNonZero) {
    control.ClearCalls();
    player->SetMute(flag);
    player->SetVisFullSrc(flag);
    player->EnableErrorDialogs(flag);
    EXPECT_EQ(control.Calls(), (Strings{"IWMPSettings.put_mute(" + sent + ")",
                                        "IWMPPlayer4.put_fullScreen(" + sent + ")",
                                        "IWMPSettings.put_enableErrorDialogs(" + sent + ")"}))
        << flag;
  }
  // The modes take exactly 1 as true, else the flag's low 16 bits.
  const std::vector<std::pair<int, std::string>> modes = {
      {1, "-1"}, {0, "0"}, {2, "2"}, {-1, "-1"}, {0x10002, "2"}, {0x18000, "-32768"}};
  for (auto &[flag, sent] : modes) {
    control.ClearCalls();
    player->SetLoop(flag);
    player->SetShuffle(flag);
    EXPECT_EQ(control.Calls(), (Strings{"IWMPSettings.setMode(loop, " + sent + ")",
                                        "IWMPSettings.setMode(shuffle, " + sent + ")"}))
        << flag;
  }
  // Display mode: "none" for exactly 1, "invisible" for anything else.
  for (auto [flag, mode] : std::vector<std::pair<int, std::string>>{
           {1, "none"}, {0, "invisible"}, {2, "invisible"}, {-1, "invisible"}}) {
    control.ClearCalls();
    player->EnableVis(flag);
    EXPECT_EQ(control.Calls(), Strings{"IWMPPlayer4.put_uiMode(" + mode + ")"}) << flag;
  }
}

// A true flag reads back as 1, whatever true value the control gives.
TEST_F(Transport, FlagsReadBackAsOne) {
  for (const char *method :
       {"IWMPSettings.get_mute", "IWMPPlayer4.get_fullScreen", "IWMPSettings.getMode"})
    control.Answer(method, 0, Answer::Number(-1));
  for (auto get : {&CAudioPlayer::GetMute, &CAudioPlayer::GetVisFullSrc, &CAudioPlayer::GetLoop,
                   &CAudioPlayer::GetShuffle}) {
    int flag = 7;
    EXPECT_EQ((player->*get)(&flag), S_OK);
    EXPECT_EQ(flag, 1);
  }
  // And the engine's own true, after a setting.
  ASSERT_EQ(player->SetMute(1), S_OK);
  control.Forget();
  int mute = 7;
  EXPECT_EQ(player->GetMute(&mute), S_OK);
  EXPECT_EQ(mute, 1);
}

} // namespace
