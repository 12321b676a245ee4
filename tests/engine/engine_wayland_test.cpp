// The player's window on a host's Wayland surface (a headless weston): the
// host is asked to fill the screen and to give it back, and a compositor
// that goes away while the visualisation draws costs an error
// notification and the picture, not what plays, nor the next item.
#include "headless_compositor.h"

#include "engine_host.h"

#include <audioplayer_wayland.h>
#include <platform_screen.h>

namespace {

using namespace engine_host;

TEST(EngineWayland, TheHostFillsTheScreenAndAGoneCompositorCostsOnlyThePicture) {
  test_support::TempFolder folder;
  UseFolder(folder);
  received.clear();
  test_support::HeadlessCompositor compositor(folder.File("runtime"));
  ASSERT_TRUE(compositor.Running()) << "weston (scripts/setup installs it)";
  const std::string tone = folder.File("tone.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(tone, test_media::Kind::Wav, 30.0));

  std::vector<int> asked;
  const AudioPlayerFullScreenRequest request = [](void *context, int fill) {
    static_cast<std::vector<int> *>(context)->push_back(fill);
  };
  EXPECT_EQ(AudioPlayerWrapWaylandSurface(compositor.Display(), nullptr, request, &asked), nullptr);
  HWND parent =
      AudioPlayerWrapWaylandSurface(compositor.Display(), compositor.Surface(), request, &asked);
  ASSERT_NE(parent, nullptr);
  CAudioPlayer *player = PlayerIn(parent, {10, 20, 330, 260});
  ASSERT_NE(player, nullptr);
  ASSERT_GE(player->EnableVis(1), 0);
  EXPECT_NE(platform::ScreenWindow(player->GetPlayWindow()), 0u) << "a surface of its own";

  ASSERT_GE(player->AppendMusic(Text(tone).c_str()), 0);
  ASSERT_GE(player->Play(), 0);
  double at = 0;
  EXPECT_TRUE(PumpUntil([&] { return player->GetPos(&at) >= 0 && at > 1; }, 3));
  ASSERT_GE(player->SetVisFullSrc(1), 0);
  ASSERT_GE(player->SetVisFullSrc(1), 0);
  EXPECT_TRUE(MoveWindow(player->GetPlayWindow(), 0, 0, 1024, 640, TRUE));
  ASSERT_GE(player->SetVisFullSrc(0), 0);
  EXPECT_EQ(asked, (std::vector<int>{1, 0})) << "asked once each way";
  EXPECT_TRUE(compositor.Dispatch()) << "nothing the library sent was a protocol error";
  EXPECT_FALSE(HeardCode(CN_Error));

  compositor.Kill();
  EXPECT_FALSE(compositor.Dispatch());
  EXPECT_TRUE(PumpUntil([&] { return HeardCode(CN_Error); }, 3)) << "the picture lost, unheard";
  PlayState state = PS_Undefined;
  EXPECT_GE(player->GetPlayState(&state), 0);
  EXPECT_EQ(state, PS_Playing) << "what plays goes on";
  EXPECT_TRUE(MoveWindow(player->GetPlayWindow(), 5, 5, 200, 100, TRUE));
  ASSERT_GE(player->EnableVis(0), 0);
  ASSERT_GE(player->EnableVis(1), 0);
  ASSERT_GE(player->SetVisFullSrc(1), 0);

  // The next item opens without a picture rather than failing on it.
  received.clear();
  ASSERT_GE(player->PlaySingleFile(Text(tone).c_str()), 0);
  EXPECT_TRUE(PumpUntil([&] { return player->GetPos(&at) >= 0 && at > 0.5; }, 3));
  EXPECT_FALSE(HeardCode(CN_MediaError));

  DestroyPlayer(player);
  EXPECT_EQ(engine::LiveObjects(), 0);
  EXPECT_TRUE(DestroyWindow(parent));
}

} // namespace
