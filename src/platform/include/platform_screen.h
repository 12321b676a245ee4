// The screen side of a window, inside the library. Where an X display is
// available (DISPLAY names one; XWayland counts), a window asked for its
// screen window gets an X11 window of its own: a child of its parent's X11
// window (or of the host's window that AudioPlayerWrapX11Window wrapped),
// else a top-level one. The X11 window is shown while its owner wants it
// shown and the window is visible (WS_VISIBLE), and goes with the window.
// Without a display every call answers 0 and nothing is drawn.
#pragma once

#include <windows.h>

namespace platform {

// The X11 window id, made on the first call; 0 without a display.
unsigned long ScreenWindow(HWND window);
// Whether its owner wants the screen window shown (the window's own
// visibility still decides).
void WantShown(HWND window, bool shown);
// Covers the whole screen with it, or gives it back its own place and size.
void FillScreen(HWND window, bool fill);

} // namespace platform
