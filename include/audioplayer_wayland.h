// audioplayer on Linux: the player's window on a host's Wayland surface.
//
// A Wayland client draws only in surfaces of its own connection, and no
// client can place itself on the screen. A host whose toolkit runs on
// Wayland therefore hands the player its connection and the surface the
// picture goes in (its window's surface, or a subsurface of it), on the
// thread that makes the player:
//
//   GdkWindow *top = gtk_widget_get_window(window); // the realized toplevel
//   HWND parent = AudioPlayerWrapWaylandSurface(
//       gdk_wayland_display_get_wl_display(gdk_window_get_display(top)),
//       gdk_wayland_window_get_wl_surface(top), OnFullScreen, host);
//   RECT place = {x, y, x + width, y + height}; // the picture's area, in the surface
//   CAudioPlayer *player = CAudioPlayer::InitInstance(
//       status, nullptr, parent, &place, title, WS_CHILD | WS_VISIBLE, 0, callback, cookie);
//
// Qt gives the same two through its native interface:
//   QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
//   native->nativeResourceForWindow("display", nullptr)    // wl_display *
//   native->nativeResourceForWindow("surface", windowHandle) // wl_surface *
//
// The player's window is then a subsurface of that surface at its place
// (black until a picture is drawn), and everything works as on X11
// (audioplayer_x11.h): EnableVis(1) draws a video's picture or a
// visualisation of audio there, with GStreamer's Wayland sink; EnableVis
// with any other value hides it; MoveWindow(player->GetPlayWindow(), x, y,
// width, height, TRUE) moves it as the host's layout changes. A subsurface's
// place takes effect with its parent's next commit, which a toolkit makes
// when it redraws after a layout change.
//
// SetVisFullSrc(1) calls `fullScreen(context, 1)`: the host makes its own
// window full screen (gtk_window_fullscreen, QWindow::showFullScreen) and
// moves the player's window over the area the picture should cover, as a
// rule the whole surface; SetVisFullSrc(0) calls `fullScreen(context, 0)`
// and the host gives the window its place back. A null `fullScreen` leaves
// the host's window as it is. The request runs on the host's thread,
// inside SetVisFullSrc.
//
// The library uses the host's connection on an event queue of its own,
// waits on the compositor no more than a second at a time, and leaves
// nothing on the connection once the player and the wrapper are gone: the
// host keeps its connection and surface alive while the player lives, and
// after DestroyInstance gives the wrapper back with DestroyWindow(parent).
// A compositor that goes away costs the player its picture, with an error
// notification, and nothing else.
#pragma once

#include "audioplayer.h"

struct wl_display;
struct wl_surface;

// Asks the host to fill the screen with its window (fill 1) or to give
// the window back its place (fill 0).
typedef void (*AudioPlayerFullScreenRequest)(void *context, int fill);

// A window handle standing for the host's surface `surface` on its
// connection `display`, to be given to InitInstance as the parent; null
// (ERROR_INVALID_PARAMETER) when either is null.
extern "C" PLATFORM_HOST_API HWND
AudioPlayerWrapWaylandSurface(struct wl_display *display, struct wl_surface *surface,
                              AudioPlayerFullScreenRequest fullScreen, void *context);
