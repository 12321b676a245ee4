// audioplayer on Linux: the player's window on an X display.
//
// Where a display is available (DISPLAY names an X server; XWayland counts),
// the player's hosting window is a real X11 window, made when the player
// first needs it: a top-level one when InitInstance was given no parent, or
// a child of the parent's X11 window. It is shown while it is visible
// (WS_VISIBLE in the style given to InitInstance) and the player shows its
// display: EnableVis(1) shows the video of a video file, or for audio a
// visualisation; EnableVis with any other value hides it. SetVisFullSrc(1)
// makes it cover the screen, above every other window; SetVisFullSrc(0)
// gives it back its place and size.
//
// Without a display (no DISPLAY, and no Wayland surface wrapped) nothing is
// drawn and everything else behaves the same: the settings are kept and
// read back.
//
// A GTK or Qt host embeds the player in its own window by wrapping that
// window's X11 id as the parent handle, on the thread that makes the player:
//
//   GdkWindow *native = gtk_widget_get_window(area); // realized
//   gdk_window_ensure_native(native);
//   gdk_display_sync(gdk_window_get_display(native)); // on the server now
//   HWND parent = AudioPlayerWrapX11Window(GDK_WINDOW_XID(native));
//   RECT place = {0, 0, width, height};
//   CAudioPlayer *player = CAudioPlayer::InitInstance(
//       status, nullptr, parent, &place, title, WS_CHILD | WS_VISIBLE, 0, callback, cookie);
//
// (with Qt, QWidget::winId() gives the id). On a Wayland session a toolkit
// picks its Wayland backend, whose windows have no X11 id: such a host
// wraps its Wayland surface instead (audioplayer_wayland.h). When the host's layout gives
// the area another size, MoveWindow(player->GetPlayWindow(), 0, 0, width,
// height, TRUE) moves the player's window with it. The library's own connection
// to the display sees the host's window only once the host's connection has
// sent it to the server: until then the player shows nothing, and it tries
// again at the next EnableVis. The host keeps its window alive
// while the player lives, and after DestroyInstance gives the wrapper back
// with DestroyWindow(parent); the host's own window is never touched.
#pragma once

#include "audioplayer.h"

// A window handle standing for the host's X11 window `x11Window`, to be
// given to InitInstance as the parent; null for 0.
extern "C" PLATFORM_HOST_API HWND AudioPlayerWrapX11Window(unsigned long x11Window);
