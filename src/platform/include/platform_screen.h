// The screen side of a window, inside the library. Where an X display is
// available (DISPLAY names one; XWayland counts), a window asked for its
// screen window gets an X11 window of its own: a child of its parent's X11
// window (or of the host's window that AudioPlayerWrapX11Window wrapped),
// else a top-level one. The X11 window is shown while its owner wants it
// shown and the window is visible (WS_VISIBLE), and goes with the window.
// Without a display every call answers 0 and nothing is drawn.
#pragma once

#include <windows.h>

#include <functional>

namespace platform {

// The X11 window id (or the wl_surface), made on the first call; 0
// without a display.
unsigned long ScreenWindow(HWND window);
// On a host's Wayland surface (audioplayer_wayland.h) the screen window is
// a wl_surface of the host's connection: that connection; null on X11.
void *WaylandDisplayOf(HWND window);
// Tells `resized` the screen window's size each time it changes (on the
// thread that moved it), until set again or the window goes: for a sink
// that cannot see its window's size (Wayland's). X11's sinks need not.
void FollowSize(HWND window, std::function<void(int width, int height)> resized);
// Whether its owner wants the screen window shown (the window's own
// visibility still decides).
void WantShown(HWND window, bool shown);
// Covers the whole screen with it, or gives it back its own place and size.
void FillScreen(HWND window, bool fill);

} // namespace platform
