// Screen windows on a host's Wayland connection: the side of
// platform_screen.h for windows whose parents end at a host surface that
// AudioPlayerWrapWaylandSurface wrapped. Each such window is a subsurface
// of its parent's surface, black until something draws in it, placed as
// the window is and unmapped while hidden (which hides what is drawn in
// it). The calls answer false when the window is not on Wayland, so that
// the X11 side takes it.
#pragma once

#include <windows.h>

#include <functional>

namespace platform::wayland {

// The window's own wl_surface (the host's for the wrapper itself), made on
// the first call; 0 when it cannot be made. False: not on Wayland.
bool Surface(HWND window, unsigned long *surface);
// The host's wl_display; null when the window is not on Wayland.
void *DisplayOf(HWND window);
bool WantShown(HWND window, bool shown);
// Asks the host to fill the screen with its window or to give it back (a
// Wayland client cannot place itself).
bool FillScreen(HWND window, bool fill);
void FollowSize(HWND window, std::function<void(int width, int height)> resized);
bool VisibilityChanged(HWND window);
bool Moved(HWND window);
bool Destroyed(HWND window);

} // namespace platform::wayland
