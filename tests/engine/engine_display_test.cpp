// The player's window on an X display (Xvfb), embedded in a host's own X11
// window as a GTK or Qt host embeds it: the visualisation is drawn there
// while a tone plays, full screen covers the screen and gives the place
// back, the display hides, and the host's window outlives the player.
#include "engine_host.h"
#include "virtual_display.h"

#include <audioplayer_x11.h>
#include <platform_screen.h>

namespace {

using namespace engine_host;

TEST(EngineDisplay, AnEmbeddedWindowShowsTheVisualisationFillsTheScreenAndHides) {
  test_support::TempFolder folder;
  UseFolder(folder);
  test_support::VirtualDisplay display;
  ASSERT_TRUE(display.Running()) << "Xvfb (scripts/setup installs it)";
  const std::string tone = folder.File("tone.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(tone, test_media::Kind::Wav, 30.0));

  const xcb_window_t host = display.HostWindow(400, 300);
  HWND parent = AudioPlayerWrapX11Window(host);
  ASSERT_NE(parent, nullptr);
  CAudioPlayer *player = PlayerIn(parent, {10, 20, 330, 260});
  ASSERT_NE(player, nullptr);
  ASSERT_GE(player->EnableVis(1), 0);
  const auto window = xcb_window_t(platform::ScreenWindow(player->GetPlayWindow()));
  ASSERT_NE(window, 0u);
  const test_support::VirtualDisplay::Place own{10, 20, 320, 240, host, true};
  EXPECT_EQ(display.PlaceOf(window), own);

  const std::size_t topLevels = display.TopLevels();
  ASSERT_GE(player->AppendMusic(Text(tone).c_str()), 0);
  ASSERT_GE(player->Play(), 0);
  EXPECT_TRUE(PumpUntil([&] { return display.Colours(window) > 50; }, 2))
      << "colours shown: " << display.Colours(window);

  // The host's layout moves it; full screen gives that place back.
  EXPECT_TRUE(MoveWindow(player->GetPlayWindow(), 30, 40, 200, 120, TRUE));
  const test_support::VirtualDisplay::Place moved{30, 40, 200, 120, host, true};
  EXPECT_EQ(display.PlaceOf(window), moved);
  ASSERT_GE(player->SetVisFullSrc(1), 0);
  const test_support::VirtualDisplay::Place full{0, 0, 800, 600, display.Root(), true};
  EXPECT_EQ(display.PlaceOf(window), full);
  ASSERT_GE(player->SetVisFullSrc(0), 0);
  EXPECT_EQ(display.PlaceOf(window), moved);
  EXPECT_TRUE(MoveWindow(player->GetPlayWindow(), 10, 20, 320, 240, TRUE));
  EXPECT_EQ(display.PlaceOf(window), own);

  ASSERT_GE(player->EnableVis(0), 0);
  EXPECT_FALSE(display.PlaceOf(window).viewable);
  ASSERT_GE(player->EnableVis(1), 0);
  EXPECT_TRUE(display.PlaceOf(window).viewable);
  EXPECT_TRUE(PumpUntil([&] { return display.Colours(window) > 50; }, 2))
      << "shown again: " << display.Colours(window);
  EXPECT_EQ(display.TopLevels(), topLevels) << "a window of the sink's own";

  // A video's own picture, not a visualisation: a green film shows green.
  const std::string film = folder.File("green.webm");
  std::string problem;
  ASSERT_TRUE(test_media::RunPipeline(
      "webmmux name=mux ! filesink location=\"" + film +
          "\" videotestsrc num-buffers=50 pattern=solid-color foreground-color=0xff00ff00 "
          "! video/x-raw,width=320,height=180 ! vp8enc ! mux. "
          "audiotestsrc num-buffers=86 ! vorbisenc ! mux.",
      "", &problem))
      << problem;
  ASSERT_GE(player->PlaySingleFile(Text(film).c_str()), 0);
  EXPECT_TRUE(PumpUntil(
      [&] {
        return (display.Centre(window) & 0xFF00FF) == 0 &&
               (display.Centre(window) & 0x00FF00) > 0xC000;
      },
      2))
      << std::hex << display.Centre(window);

  DestroyPlayer(player);
  EXPECT_EQ(engine::LiveObjects(), 0);
  EXPECT_EQ(display.PlaceOf(window).width, 0) << "the player's window is gone with it";
  EXPECT_TRUE(DestroyWindow(parent));
  EXPECT_EQ(display.PlaceOf(host).width, 400) << "the host's own window stays";
}

} // namespace
