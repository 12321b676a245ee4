// A Wayland compositor without a screen (weston's headless backend) for
// the test's process, and a host's connection to it with one surface: what
// a toolkit on Wayland hands the player.
#pragma once

// First: the Windows headers make `interface` a keyword.
#include <wayland-client.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace test_support {

class HeadlessCompositor {
public:
  explicit HeadlessCompositor(const std::string &folder) : socket_(folder + "/wayland-test") {
    ::mkdir(folder.c_str(), 0700); // as a runtime folder must be
    server_ = ::fork();
    if (server_ == 0) {
      ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
      ::execlp("weston", "weston", "--backend=headless-backend.so", "--socket=wayland-test",
               "--idle-time=0", "--log=/dev/null", static_cast<char *>(nullptr));
      ::_exit(127);
    }
    // Its socket appears once it listens; weston starts in well under this.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (server_ > 0 && display_ == nullptr && std::chrono::steady_clock::now() < deadline) {
      display_ = wl_display_connect(socket_.c_str());
      if (display_ == nullptr)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (display_ == nullptr)
      return;
    wl_registry *registry = wl_display_get_registry(display_);
    static const wl_registry_listener listener = {
        [](void *data, wl_registry *registry, uint32_t name, const char *kind, uint32_t) {
          if (std::strcmp(kind, wl_compositor_interface.name) == 0)
            *static_cast<wl_compositor **>(data) = static_cast<wl_compositor *>(
                wl_registry_bind(registry, name, &wl_compositor_interface, 1));
        },
        [](void *, wl_registry *, uint32_t) {}};
    wl_registry_add_listener(registry, &listener, &compositor_);
    wl_display_roundtrip(display_);
    wl_registry_destroy(registry);
    if (compositor_ != nullptr)
      surface_ = wl_compositor_create_surface(compositor_);
    wl_display_flush(display_);
  }
  ~HeadlessCompositor() {
    if (surface_ != nullptr)
      wl_surface_destroy(surface_);
    if (compositor_ != nullptr)
      wl_compositor_destroy(compositor_);
    if (display_ != nullptr)
      wl_display_disconnect(display_);
    Kill();
  }
  HeadlessCompositor(const HeadlessCompositor &) = delete;
  HeadlessCompositor &operator=(const HeadlessCompositor &) = delete;

  bool Running() const { return surface_ != nullptr; }
  wl_display *Display() const { return display_; }
  wl_surface *Surface() const { return surface_; }

  // The compositor goes away, as one that crashed or was restarted.
  void Kill() {
    if (server_ > 0) {
      ::kill(server_, SIGKILL);
      ::waitpid(server_, nullptr, 0);
      server_ = 0;
    }
  }

  // Reads what the compositor sent, as a host's main loop does; false once
  // the connection has failed.
  bool Dispatch() {
    wl_display_flush(display_);
    return wl_display_roundtrip(display_) >= 0;
  }

private:
  std::string socket_;
  pid_t server_ = 0;
  wl_display *display_ = nullptr;
  wl_compositor *compositor_ = nullptr;
  wl_surface *surface_ = nullptr;
};

} // namespace test_support
