// Screen windows as subsurfaces on the host's own Wayland connection: a
// Wayland client draws only in surfaces of its own connection, so the
// library uses the host's, on an event queue of its own that the host's
// dispatching never runs. Nothing here waits on the compositor longer than
// kAnswerBound; a connection in error makes every call a no-op.
// First: the Windows headers make `interface` a keyword, which Wayland's
// headers name parameters with.
#include <wayland-client.h>

#include "wayland_screen.h"

#include <audioplayer_wayland.h>
#include <platform_screen.h>

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "window_registry.h"

namespace {

constexpr auto kAnswerBound = std::chrono::seconds(1);

// What the library binds on a host's connection.
struct Connection {
  wl_event_queue *queue = nullptr;
  wl_display *wrapper = nullptr; // the display as a proxy on `queue`
  wl_compositor *compositor = nullptr;
  wl_subcompositor *subcompositor = nullptr;
  wl_shm *shm = nullptr;
  bool usable = false;
};

struct Surface {
  wl_display *display = nullptr;
  wl_surface *surface = nullptr; // the host's, for a wrapper
  bool owned = true;
  // Made here: the subsurface role and the black buffer that maps it.
  wl_subsurface *subsurface = nullptr;
  wl_buffer *buffer = nullptr;
  int width = 0, height = 0;
  bool wanted = false, mapped = false;
  // A wrapper's: the host's full-screen request.
  AudioPlayerFullScreenRequest fullScreen = nullptr;
  void *context = nullptr;
  bool filling = false;
  std::function<void(int, int)> resized;
};

struct Screens {
  std::mutex mutex;
  std::unordered_map<wl_display *, Connection> connections;
  std::unordered_map<HWND, Surface> surfaces;
};

Screens &screens() {
  static Screens *const shared = new Screens(); // outlives the library's unload hook
  return *shared;
}

bool Alive(wl_display *display) {
  return wl_display_get_error(display) == 0;
}

// Reads the connection until `done` or the bound; the host's own thread
// may be reading it too, which the prepare/read protocol allows.
void Await(wl_display *display, wl_event_queue *queue, const bool &done) {
  const auto deadline = std::chrono::steady_clock::now() + kAnswerBound;
  while (!done && Alive(display)) {
    while (wl_display_prepare_read_queue(display, queue) != 0)
      if (wl_display_dispatch_queue_pending(display, queue) < 0)
        return;
    if (done) {
      wl_display_cancel_read(display);
      return;
    }
    wl_display_flush(display);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{wl_display_get_fd(display), POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, int(left.count())) <= 0) {
      wl_display_cancel_read(display);
      return;
    }
    if (wl_display_read_events(display) < 0 ||
        wl_display_dispatch_queue_pending(display, queue) < 0)
      return;
  }
}

void OnGlobal(void *data, wl_registry *registry, uint32_t name, const char *kind,
              uint32_t version) {
  auto *c = static_cast<Connection *>(data);
  if (std::strcmp(kind, wl_compositor_interface.name) == 0)
    c->compositor = static_cast<wl_compositor *>(
        wl_registry_bind(registry, name, &wl_compositor_interface, version < 4 ? version : 4));
  else if (std::strcmp(kind, wl_subcompositor_interface.name) == 0)
    c->subcompositor = static_cast<wl_subcompositor *>(
        wl_registry_bind(registry, name, &wl_subcompositor_interface, 1));
  else if (std::strcmp(kind, wl_shm_interface.name) == 0)
    c->shm = static_cast<wl_shm *>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
}

void OnGlobalRemoved(void *, wl_registry *, uint32_t) {}

const wl_registry_listener kRegistry = {OnGlobal, OnGlobalRemoved};

void OnSynced(void *data, wl_callback *, uint32_t) {
  *static_cast<bool *>(data) = true;
}

const wl_callback_listener kSynced = {OnSynced};

// The globals the library needs, bound once per connection. The caller
// holds the lock.
Connection *Bind(Screens &s, wl_display *display) {
  Connection &c = s.connections[display];
  if (c.queue == nullptr && Alive(display)) {
    c.queue = wl_display_create_queue(display);
    c.wrapper = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(c.wrapper), c.queue);
    wl_registry *registry = wl_display_get_registry(c.wrapper);
    wl_registry_add_listener(registry, &kRegistry, &c);
    bool done = false;
    wl_callback *sync = wl_display_sync(c.wrapper);
    wl_callback_add_listener(sync, &kSynced, &done);
    Await(display, c.queue, done);
    wl_callback_destroy(sync);
    wl_registry_destroy(registry);
    c.usable = done && c.compositor && c.subcompositor && c.shm;
  }
  return c.usable && Alive(display) ? &c : nullptr;
}

void Release(Connection &c) {
  if (c.compositor != nullptr)
    wl_compositor_destroy(c.compositor);
  if (c.subcompositor != nullptr)
    wl_subcompositor_destroy(c.subcompositor);
  if (c.shm != nullptr)
    wl_shm_destroy(c.shm);
  if (c.wrapper != nullptr)
    wl_proxy_wrapper_destroy(c.wrapper);
  if (c.queue != nullptr)
    wl_event_queue_destroy(c.queue);
}

// A black buffer of the size (zeroed memory is black in XRGB8888, which
// every compositor takes).
wl_buffer *BlackBuffer(wl_shm *shm, int width, int height) {
  const int stride = width * 4;
  const int fd = memfd_create("audioplayer-screen", MFD_CLOEXEC);
  if (fd < 0)
    return nullptr;
  wl_buffer *buffer = nullptr;
  if (ftruncate(fd, off_t(stride) * height) == 0) {
    wl_shm_pool *pool = wl_shm_create_pool(shm, fd, stride * height);
    buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
  }
  close(fd);
  return buffer;
}

// The window's parents up to the first one on Wayland, under the window
// table's lock: the wrapper at the top, or null when there is none.
HWND WrapperOf(Screens &s, HWND window) {
  platform::WindowTable &table = platform::window_table();
  std::lock_guard lock(table.mutex);
  for (HWND at = window; at != nullptr;) {
    auto found = s.surfaces.find(at);
    if (found != s.surfaces.end() && !found->second.owned)
      return at;
    auto w = table.windows.find(at);
    if (w == table.windows.end())
      return nullptr;
    at = w->second.parent;
  }
  return nullptr;
}

struct Spot {
  HWND parent = nullptr;
  RECT placement{};
  bool visible = false;
};

Spot SpotOf(HWND window) {
  Spot spot;
  GetWindowRect(window, &spot.placement);
  spot.visible = IsWindowVisible(window) != FALSE;
  platform::WindowTable &table = platform::window_table();
  std::lock_guard lock(table.mutex);
  if (auto w = table.windows.find(window); w != table.windows.end())
    spot.parent = w->second.parent;
  return spot;
}

constexpr int kDefaultWidth = 640, kDefaultHeight = 360;

// Gives the surface a buffer of its window's size (mapping it) or none
// (unmapping it, and what is drawn in it), and its place in the parent's.
void Update(Connection &c, Surface &surface, const Spot &spot) {
  const RECT &r = spot.placement;
  const int width = r.right - r.left > 0 ? int(r.right - r.left) : kDefaultWidth;
  const int height = r.bottom - r.top > 0 ? int(r.bottom - r.top) : kDefaultHeight;
  const bool map = surface.wanted && spot.visible;
  wl_subsurface_set_position(surface.subsurface, int(r.left), int(r.top));
  if (map && (!surface.mapped || width != surface.width || height != surface.height)) {
    wl_buffer *buffer = BlackBuffer(c.shm, width, height);
    wl_surface_attach(surface.surface, buffer, 0, 0);
    wl_surface_damage(surface.surface, 0, 0, width, height);
    if (surface.buffer != nullptr)
      wl_buffer_destroy(surface.buffer);
    surface.buffer = buffer;
  } else if (!map && surface.mapped) {
    wl_surface_attach(surface.surface, nullptr, 0, 0);
  }
  surface.mapped = map;
  surface.width = width;
  surface.height = height;
  wl_surface_commit(surface.surface);
}

// The parent's surface is committed too: a subsurface's place is part of
// its parent's state. The host's surface is the host's to commit.
void CommitParent(Screens &s, HWND parent) {
  auto found = s.surfaces.find(parent);
  if (found != s.surfaces.end() && found->second.owned)
    wl_surface_commit(found->second.surface);
}

void Flush(Connection &c, wl_display *display) {
  wl_display_dispatch_queue_pending(display, c.queue); // buffers' releases, unread
  wl_display_flush(display);
}

// Runs `change` on the window's surface, if it has one on a live
// connection, then tells its size to whoever follows it (outside the lock).
template <typename Edit> bool Change(HWND window, Edit change) {
  Screens &s = screens();
  const Spot spot = SpotOf(window);
  std::function<void(int, int)> resized;
  int width = 0, height = 0;
  {
    std::lock_guard lock(s.mutex);
    auto found = s.surfaces.find(window);
    if (found == s.surfaces.end())
      return WrapperOf(s, window) != nullptr;
    Surface &surface = found->second;
    Connection *c = Bind(s, surface.display);
    if (c == nullptr || !surface.owned)
      return true;
    const int before[] = {surface.width, surface.height};
    change(surface);
    Update(*c, surface, spot);
    CommitParent(s, spot.parent);
    Flush(*c, surface.display);
    if (surface.resized && (surface.width != before[0] || surface.height != before[1])) {
      resized = surface.resized;
      width = surface.width;
      height = surface.height;
    }
  }
  if (resized)
    resized(width, height);
  return true;
}

} // namespace

namespace platform::wayland {

bool Surface(HWND window, unsigned long *id) {
  Screens &s = screens();
  const Spot spot = SpotOf(window);
  {
    std::lock_guard lock(s.mutex);
    if (WrapperOf(s, window) == nullptr)
      return false;
    if (auto found = s.surfaces.find(window); found != s.surfaces.end()) {
      *id = reinterpret_cast<unsigned long>(found->second.surface);
      return true;
    }
  }
  // The parent's first, outside the lock, as on X11.
  unsigned long parent = 0;
  if (spot.parent == nullptr || !Surface(spot.parent, &parent) || parent == 0) {
    *id = 0;
    return true;
  }
  std::lock_guard lock(s.mutex);
  const HWND top = WrapperOf(s, window);
  wl_display *display = s.surfaces[top].display;
  Connection *c = Bind(s, display);
  if (c == nullptr) {
    *id = 0;
    return true;
  }
  ::Surface surface;
  surface.display = display;
  surface.surface = wl_compositor_create_surface(c->compositor);
  wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(surface.surface), c->queue);
  surface.subsurface = wl_subcompositor_get_subsurface(c->subcompositor, surface.surface,
                                                       reinterpret_cast<wl_surface *>(parent));
  // Drawn as soon as committed, not with the host's next frame.
  wl_subsurface_set_desync(surface.subsurface);
  Update(*c, surface, spot);
  CommitParent(s, spot.parent);
  Flush(*c, display);
  *id = reinterpret_cast<unsigned long>(surface.surface);
  s.surfaces.emplace(window, std::move(surface));
  return true;
}

void *DisplayOf(HWND window) {
  Screens &s = screens();
  std::lock_guard lock(s.mutex);
  const HWND top = WrapperOf(s, window);
  return top ? s.surfaces[top].display : nullptr;
}

bool WantShown(HWND window, bool shown) {
  unsigned long id = 0;
  if (shown && !Surface(window, &id))
    return false;
  return Change(window, [&](::Surface &surface) { surface.wanted = shown; });
}

bool FillScreen(HWND window, bool fill) {
  Screens &s = screens();
  AudioPlayerFullScreenRequest request = nullptr;
  void *context = nullptr;
  {
    std::lock_guard lock(s.mutex);
    const HWND top = WrapperOf(s, window);
    if (top == nullptr)
      return false;
    ::Surface &wrapper = s.surfaces[top];
    if (wrapper.filling == fill || !Alive(wrapper.display))
      return true;
    wrapper.filling = fill;
    request = wrapper.fullScreen;
    context = wrapper.context;
  }
  // The host's layout answers, with MoveWindow; outside the lock.
  if (request != nullptr)
    request(context, fill ? 1 : 0);
  return true;
}

void FollowSize(HWND window, std::function<void(int, int)> resized) {
  Screens &s = screens();
  std::lock_guard lock(s.mutex);
  if (auto found = s.surfaces.find(window); found != s.surfaces.end())
    found->second.resized = std::move(resized);
}

bool VisibilityChanged(HWND window) {
  return Change(window, [](::Surface &) {});
}

bool Moved(HWND window) {
  return Change(window, [](::Surface &) {});
}

bool Destroyed(HWND window) {
  Screens &s = screens();
  std::lock_guard lock(s.mutex);
  auto found = s.surfaces.find(window);
  if (found == s.surfaces.end())
    return WrapperOf(s, window) != nullptr;
  ::Surface &surface = found->second;
  if (surface.owned) {
    wl_subsurface_destroy(surface.subsurface);
    wl_surface_destroy(surface.surface);
    if (surface.buffer != nullptr)
      wl_buffer_destroy(surface.buffer);
    if (auto c = s.connections.find(surface.display); c != s.connections.end() && c->second.usable)
      Flush(c->second, surface.display);
  }
  wl_display *display = surface.display;
  s.surfaces.erase(found);
  for (const auto &[other, rest] : s.surfaces)
    if (rest.display == display)
      return true;
  // The host may close its connection once the last of its wrappers has
  // gone: nothing of the library's is left on it.
  if (auto c = s.connections.find(display); c != s.connections.end()) {
    Release(c->second);
    s.connections.erase(c);
  }
  return true;
}

} // namespace platform::wayland

extern "C" {

HWND AudioPlayerWrapWaylandSurface(wl_display *display, wl_surface *surface,
                                   AudioPlayerFullScreenRequest fullScreen, void *context) {
  if (display == nullptr || surface == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HWND window = platform::host_window_stand_in();
  if (window == nullptr)
    return nullptr;
  Screens &s = screens();
  std::lock_guard lock(s.mutex);
  ::Surface wrapper;
  wrapper.display = display;
  wrapper.surface = surface;
  wrapper.owned = false;
  wrapper.fullScreen = fullScreen;
  wrapper.context = context;
  s.surfaces.emplace(window, std::move(wrapper));
  return window;
}

} // extern "C"
