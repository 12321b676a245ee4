// An X server without a screen (Xvfb) for the test's process: it picks a
// free display number, DISPLAY names it while the object lives, and a
// connection of the test's own reads back what the player drew.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace test_support {

class VirtualDisplay {
public:
  VirtualDisplay() {
    int pipe[2];
    if (::pipe(pipe) != 0)
      return;
    server_ = ::fork();
    if (server_ == 0) {
      ::close(pipe[0]);
      const std::string fd = std::to_string(pipe[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten",
               "tcp", "-noreset", static_cast<char *>(nullptr));
      ::_exit(127);
    }
    ::close(pipe[1]);
    std::string number;
    char c;
    while (server_ > 0 && ::read(pipe[0], &c, 1) == 1 && c != '\n')
      number += c;
    ::close(pipe[0]);
    if (number.empty())
      return;
    name_ = ":" + number;
    ::setenv("DISPLAY", name_.c_str(), 1);
    connection_ = xcb_connect(name_.c_str(), nullptr);
    if (xcb_connection_has_error(connection_))
      return;
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
  }
  ~VirtualDisplay() {
    if (connection_)
      xcb_disconnect(connection_);
    ::unsetenv("DISPLAY");
    if (server_ > 0) {
      ::kill(server_, SIGTERM);
      ::waitpid(server_, nullptr, 0);
    }
  }
  VirtualDisplay(const VirtualDisplay &) = delete;
  VirtualDisplay &operator=(const VirtualDisplay &) = delete;

  bool Running() const { return screen_ != nullptr; }
  xcb_connection_t *Connection() const { return connection_; }
  xcb_window_t Root() const { return screen_->root; }

  // A mapped top-level window of the test's, standing for a host's own.
  xcb_window_t HostWindow(int width, int height) {
    const xcb_window_t id = xcb_generate_id(connection_);
    const std::uint32_t values[] = {screen_->white_pixel};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, id, screen_->root, 0, 0,
                      std::uint16_t(width), std::uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen_->root_visual, XCB_CW_BACK_PIXEL, values);
    xcb_map_window(connection_, id);
    xcb_flush(connection_);
    return id;
  }

  struct Place {
    int x = -1, y = -1, width = 0, height = 0;
    xcb_window_t parent = 0;
    bool viewable = false;
    bool operator==(const Place &) const = default;
  };
  Place PlaceOf(xcb_window_t window) const {
    Place place;
    if (auto *geometry =
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr)) {
      place = {geometry->x, geometry->y, geometry->width, geometry->height};
      std::free(geometry);
    }
    if (auto *tree =
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr)) {
      place.parent = tree->parent;
      std::free(tree);
    }
    if (auto *attributes = xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, window), nullptr)) {
      place.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
      std::free(attributes);
    }
    return place;
  }

  // The top-level windows: a picture sink that opened a window of its own
  // adds one.
  std::size_t TopLevels() const {
    auto *tree =
        xcb_query_tree_reply(connection_, xcb_query_tree(connection_, screen_->root), nullptr);
    const std::size_t count = tree ? tree->children_len : 0;
    std::free(tree);
    return count;
  }

  // How many colours the window shows, sampled every fourth pixel each way:
  // 1 for a window of one colour, 0 when it cannot be read.
  std::size_t Colours(xcb_window_t window) const {
    const Place place = PlaceOf(window);
    if (!place.viewable)
      return 0;
    auto *image = xcb_get_image_reply(connection_,
                                      xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                                                    0, 0, std::uint16_t(place.width),
                                                    std::uint16_t(place.height), ~0u),
                                      nullptr);
    if (image == nullptr)
      return 0;
    const auto *pixels = reinterpret_cast<const std::uint32_t *>(xcb_get_image_data(image));
    const int count = xcb_get_image_data_length(image) / 4;
    std::set<std::uint32_t> seen;
    for (int y = 0; y < place.height; y += 4)
      for (int x = 0; x < place.width; x += 4)
        if (y * place.width + x < count)
          seen.insert(pixels[y * place.width + x] & 0xFFFFFF);
    std::free(image);
    return seen.size();
  }

  // The colour (0xRRGGBB) at the window's centre; 0 when it cannot be read.
  std::uint32_t Centre(xcb_window_t window) const {
    const Place place = PlaceOf(window);
    auto *image = xcb_get_image_reply(connection_,
                                      xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                                                    std::int16_t(place.width / 2),
                                                    std::int16_t(place.height / 2), 1, 1, ~0u),
                                      nullptr);
    if (image == nullptr)
      return 0;
    std::uint32_t pixel = 0;
    if (xcb_get_image_data_length(image) >= 4)
      pixel = *reinterpret_cast<const std::uint32_t *>(xcb_get_image_data(image)) & 0xFFFFFF;
    std::free(image);
    return pixel;
  }

private:
  pid_t server_ = -1;
  std::string name_;
  xcb_connection_t *connection_ = nullptr;
  xcb_screen_t *screen_ = nullptr;
};

} // namespace test_support
