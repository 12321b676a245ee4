// The player's display on the screen. The hosting window's X11 side is
// shown unless the host made the display invisible, covers the screen in
// full-screen mode, and holds the picture: a video's, or a visualisation of
// audio. Nothing is made while the hosting window is hidden, and nothing
// at all without a display.
#include "engine/engine.h"

#include <platform_screen.h>

namespace engine {

void Engine::SetHostWindow(HWND window) {
  if (hostWindow_ != nullptr && hostWindow_ != window) {
    platform::FollowSize(hostWindow_, nullptr);
    platform::WantShown(hostWindow_, false);
    session_.ShowPicture({}, false);
  }
  hostWindow_ = window;
  ShowDisplay();
}

void Engine::SetFullScreen(bool on) {
  display_.fullScreen = on;
  ShowDisplay();
}

void Engine::SetUiMode(std::u16string mode) {
  display_.uiMode = std::move(mode);
  ShowDisplay();
}

void Engine::ShowDisplay() {
  if (hostWindow_ == nullptr)
    return;
  const bool shown = display_.uiMode != u"invisible";
  const unsigned long window =
      shown && IsWindowVisible(hostWindow_) ? platform::ScreenWindow(hostWindow_) : 0;
  if (window == 0) {
    platform::WantShown(hostWindow_, false);
    session_.ShowPicture({}, false);
    return;
  }
  platform::FillScreen(hostWindow_, display_.fullScreen);
  platform::WantShown(hostWindow_, true);
  // Only a Wayland sink is told its size; an X11 sink follows its window.
  PicturePlace place{window, platform::WaylandDisplayOf(hostWindow_)};
  if (RECT rect{}; place.waylandDisplay && GetWindowRect(hostWindow_, &rect)) {
    place.width = int(rect.right - rect.left);
    place.height = int(rect.bottom - rect.top);
  }
  session_.ShowPicture(place, true);
  platform::FollowSize(hostWindow_,
                       [this](int width, int height) { session_.ResizePicture(width, height); });
}

} // namespace engine
