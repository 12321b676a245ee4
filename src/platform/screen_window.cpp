// Screen windows on an X display, through XCB rather than Xlib: XCB has no
// process-wide error handler to take from a GTK or Qt host, and a display
// that goes away puts the connection in error instead of ending the
// process. One connection for the library, used under its own lock; no
// window procedure runs with it held.
#include <audioplayer_x11.h>
#include <platform_screen.h>
#include <windows.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "utf8.h"
#include "wayland_screen.h"
#include "window_registry.h"

namespace {

struct Screen {
  xcb_window_t id = 0;
  bool owned = true;   // made here; a wrapped host window is not
  bool wanted = false; // its owner wants it shown
  bool mapped = false;
  bool filling = false;
  xcb_window_t parent = 0; // the X11 parent it has when not filling the screen
};

struct Display {
  std::mutex mutex;
  bool tried = false;
  xcb_connection_t *connection = nullptr;
  xcb_screen_t *screen = nullptr;
  xcb_atom_t protocols = 0, deleteWindow = 0, name = 0, utf8 = 0;
  std::unordered_map<HWND, Screen> windows;
};

Display &display() {
  static Display *const shared = new Display(); // outlives the library's unload hook
  return *shared;
}

xcb_atom_t Atom(xcb_connection_t *connection, const char *name) {
  xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : 0;
  std::free(reply);
  return atom;
}

// The connection, opened on first use; null without a display. The caller
// holds the lock.
xcb_connection_t *Connect(Display &d) {
  if (!d.tried) {
    d.tried = true;
    const char *name = std::getenv("DISPLAY");
    if (name != nullptr && *name != 0) {
      int number = 0;
      xcb_connection_t *connection = xcb_connect(name, &number);
      if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
      } else {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (; it.rem > 0 && number > 0; --number)
          xcb_screen_next(&it);
        d.connection = connection;
        d.screen = it.data;
        d.protocols = Atom(connection, "WM_PROTOCOLS");
        d.deleteWindow = Atom(connection, "WM_DELETE_WINDOW");
        d.name = Atom(connection, "_NET_WM_NAME");
        d.utf8 = Atom(connection, "UTF8_STRING");
      }
    }
  }
  if (d.connection != nullptr && xcb_connection_has_error(d.connection))
    return nullptr; // the display went away: nothing more is drawn
  return d.connection;
}

// Sends what was asked and waits until the server has done it (one round
// trip), so that a host's own connection sees it when the call returns;
// drops what the server sent unasked (a window manager's close request,
// which the player does not act on).
void Flush(xcb_connection_t *connection) {
  std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  while (xcb_generic_event_t *event = xcb_poll_for_event(connection))
    std::free(event);
}

// What the window table says of a window: its parent, place, title and
// whether it and its parents are visible.
struct Record {
  HWND parent = nullptr;
  RECT placement{};
  std::u16string text;
  bool visible = false;
  bool found = false;
};

Record Read(HWND window) {
  Record record;
  RECT rect{};
  if (!GetWindowRect(window, &rect))
    return record;
  record.found = true;
  record.placement = rect;
  record.visible = IsWindowVisible(window) != FALSE;
  platform::WindowTable &table = platform::window_table();
  std::lock_guard lock(table.mutex);
  auto found = table.windows.find(window);
  if (found != table.windows.end()) {
    record.parent = found->second.parent;
    record.text = found->second.text;
  }
  return record;
}

struct Spot {
  int x = 0, y = 0, width = 0, height = 0;
};

// A window with no size of its own is given one a picture can be seen in.
constexpr int kDefaultWidth = 640, kDefaultHeight = 360;

// Where the window table's record puts an X11 window: a child at its place
// in its parent, a top-level one wherever the window manager puts it.
Spot SpotOf(const Record &record, bool child) {
  const RECT &rect = record.placement;
  Spot spot;
  spot.x = child ? int(rect.left) : 0;
  spot.y = child ? int(rect.top) : 0;
  spot.width = rect.right - rect.left > 0 ? int(rect.right - rect.left) : kDefaultWidth;
  spot.height = rect.bottom - rect.top > 0 ? int(rect.bottom - rect.top) : kDefaultHeight;
  return spot;
}

void Place(xcb_connection_t *connection, xcb_window_t id, const Spot &spot) {
  const std::uint32_t values[] = {std::uint32_t(spot.x), std::uint32_t(spot.y),
                                  std::uint32_t(spot.width), std::uint32_t(spot.height)};
  xcb_configure_window(connection, id,
                       XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                           XCB_CONFIG_WINDOW_HEIGHT,
                       values);
}

// Maps or unmaps as the owner's wish and the window's visibility say.
void Update(xcb_connection_t *connection, Screen &screen, bool visible) {
  const bool map = screen.wanted && visible;
  if (map == screen.mapped || !screen.owned)
    return;
  if (map)
    xcb_map_window(connection, screen.id);
  else
    xcb_unmap_window(connection, screen.id);
  screen.mapped = map;
}

// Maps or unmaps a window's X11 side, if it has one, as its owner's wish
// (changed to `wanted`, when given) and its visibility say.
void Reconsider(HWND window, std::optional<bool> wanted) {
  const bool visible = IsWindowVisible(window) != FALSE;
  Display &d = display();
  std::lock_guard lock(d.mutex);
  auto found = d.windows.find(window);
  xcb_connection_t *connection = found == d.windows.end() ? nullptr : Connect(d);
  if (connection == nullptr)
    return;
  if (wanted)
    found->second.wanted = *wanted;
  Update(connection, found->second, visible);
  Flush(connection);
}

} // namespace

namespace platform {

unsigned long ScreenWindow(HWND window) {
  if (unsigned long surface = 0; wayland::Surface(window, &surface))
    return surface;
  const Record record = Read(window);
  if (!record.found)
    return 0;
  // The parent's first, made outside the lock: it reads the table too.
  const xcb_window_t parent = record.parent ? xcb_window_t(ScreenWindow(record.parent)) : 0;
  Display &d = display();
  std::lock_guard lock(d.mutex);
  xcb_connection_t *connection = Connect(d);
  if (connection == nullptr)
    return 0;
  auto found = d.windows.find(window);
  if (found != d.windows.end())
    return found->second.id;
  Screen screen;
  screen.id = xcb_generate_id(connection);
  screen.parent = parent ? parent : d.screen->root;
  const Spot spot = SpotOf(record, parent != 0);
  // The screen's own visual and colormap, whatever the parent's (GTK's
  // windows have a visual of their own): the picture's sink draws in that
  // visual, and a child of another visual must name its colormap and border.
  const std::uint32_t values[] = {d.screen->black_pixel, d.screen->black_pixel,
                                  d.screen->default_colormap};
  const xcb_void_cookie_t made = xcb_create_window_checked(
      connection, d.screen->root_depth, screen.id, screen.parent, std::int16_t(spot.x),
      std::int16_t(spot.y), std::uint16_t(spot.width), std::uint16_t(spot.height), 0,
      XCB_WINDOW_CLASS_INPUT_OUTPUT, d.screen->root_visual,
      XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_COLORMAP, values);
  // A parent the host's own connection has not sent to the server yet
  // fails: nothing is kept, and the next request tries again.
  if (xcb_generic_error_t *error = xcb_request_check(connection, made)) {
    std::free(error);
    return 0;
  }
  if (!parent) {
    std::string title;
    platform::Utf16ToUtf8(record.text.data(), record.text.size(), false, &title);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, screen.id, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, std::uint32_t(title.size()), title.data());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, screen.id, d.name, d.utf8, 8,
                        std::uint32_t(title.size()), title.data());
    // Closing it from the window manager must not end the host's
    // connection, and with it the host: the request is asked for and
    // dropped.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, screen.id, d.protocols, XCB_ATOM_ATOM,
                        32, 1, &d.deleteWindow);
  }
  d.windows.emplace(window, screen);
  Flush(connection);
  return screen.id;
}

void *WaylandDisplayOf(HWND window) {
  return wayland::DisplayOf(window);
}

void FollowSize(HWND window, std::function<void(int width, int height)> resized) {
  wayland::FollowSize(window, std::move(resized)); // an X11 sink follows its window itself
}

void WantShown(HWND window, bool shown) {
  if (wayland::WantShown(window, shown))
    return;
  // Hiding makes nothing; showing makes the X11 window if need be.
  if (!shown || ScreenWindow(window) != 0)
    Reconsider(window, shown);
}

void FillScreen(HWND window, bool fill) {
  if (wayland::FillScreen(window, fill))
    return;
  const Record record = Read(window);
  Display &d = display();
  std::lock_guard lock(d.mutex);
  auto found = d.windows.find(window);
  if (found == d.windows.end() || !found->second.owned || found->second.filling == fill)
    return;
  xcb_connection_t *connection = Connect(d);
  if (connection == nullptr)
    return;
  Screen &screen = found->second;
  // Above every other window, placed by no window manager: unmapped while
  // it moves between parents, then shown again as it was.
  const bool mapped = screen.mapped;
  if (mapped)
    xcb_unmap_window(connection, screen.id);
  const std::uint32_t redirect[] = {fill ? 1u : 0u};
  xcb_change_window_attributes(connection, screen.id, XCB_CW_OVERRIDE_REDIRECT, redirect);
  const bool child = screen.parent != d.screen->root;
  if (fill) {
    if (child)
      xcb_reparent_window(connection, screen.id, d.screen->root, 0, 0);
    Place(connection, screen.id, {0, 0, d.screen->width_in_pixels, d.screen->height_in_pixels});
  } else {
    const Spot spot = SpotOf(record, child);
    if (child)
      xcb_reparent_window(connection, screen.id, screen.parent, std::int16_t(spot.x),
                          std::int16_t(spot.y));
    Place(connection, screen.id, spot);
  }
  screen.filling = fill;
  if (mapped) {
    xcb_map_window(connection, screen.id);
    const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(connection, screen.id, XCB_CONFIG_WINDOW_STACK_MODE, above);
  }
  Flush(connection);
}

HWND host_window_stand_in() {
  static const ATOM kind = [] {
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    info.lpfnWndProc = DefWindowProcW;
    info.lpszClassName = u"AudioPlayerHostWindow";
    return RegisterClassExW(&info);
  }();
  if (kind == 0)
    return nullptr;
  return CreateWindowExW(0, u"AudioPlayerHostWindow", u"", WS_VISIBLE, 0, 0, 0, 0, nullptr, nullptr,
                         nullptr, nullptr);
}

void screen_visibility_changed(HWND window) {
  if (wayland::VisibilityChanged(window))
    return;
  Reconsider(window, std::nullopt);
}

void screen_window_moved(HWND window) {
  if (wayland::Moved(window))
    return;
  const Record record = Read(window);
  Display &d = display();
  std::lock_guard lock(d.mutex);
  auto found = d.windows.find(window);
  // Full screen keeps the screen; the new place is taken when it ends.
  if (found == d.windows.end() || !found->second.owned || found->second.filling)
    return;
  xcb_connection_t *connection = Connect(d);
  if (connection == nullptr)
    return;
  Place(connection, found->second.id, SpotOf(record, found->second.parent != d.screen->root));
  Flush(connection);
}

void screen_window_destroyed(HWND window) {
  if (wayland::Destroyed(window))
    return;
  Display &d = display();
  std::lock_guard lock(d.mutex);
  auto found = d.windows.find(window);
  if (found == d.windows.end())
    return;
  if (xcb_connection_t *connection = Connect(d); connection && found->second.owned) {
    xcb_destroy_window(connection, found->second.id);
    Flush(connection);
  }
  d.windows.erase(found);
}

} // namespace platform

extern "C" {

HWND AudioPlayerWrapX11Window(unsigned long x11Window) {
  if (x11Window == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HWND window = platform::host_window_stand_in();
  if (window == nullptr)
    return nullptr;
  Display &d = display();
  std::lock_guard lock(d.mutex);
  Screen screen;
  screen.id = xcb_window_t(x11Window);
  screen.owned = false;
  d.windows.emplace(window, screen);
  return window;
}

} // extern "C"
