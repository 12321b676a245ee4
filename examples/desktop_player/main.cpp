// A GTK 3 host: what a Linux desktop application does with the player. The
// window shows the title and artist of what plays, previous, play/pause and
// next, a position slider, the volume, and the player's picture (a video,
// or a visualisation of audio) in an area of its own window; with the
// picture off, the track's cover beside the controls. Everything
// runs on GTK's thread, in GLib's main loop: the player's notifications
// arrive through the thread's message descriptor (audioplayer_mainloop.h),
// and the loop sleeps while nothing happens.
//   desktop_player [--exit-at-end] FILE_OR_PLAYLIST...
// Keys: space play/pause, n next, p previous, v picture on/off, f full
// screen on/off, q quit, typed in the window or on standard input.
// --exit-at-end quits when the playlist has ended.
// On a Wayland session the picture is a subsurface of the window's own
// surface; on X11 (XWayland included) it is in the area's own X11 window.
#include <gdk/gdkwayland.h>
#include <gdk/gdkx.h>

#include <audioplayer.h>
#include <audioplayer_mainloop.h>
#include <audioplayer_picture.h>
#include <audioplayer_wayland.h>
#include <audioplayer_x11.h>

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kPictureWidth = 480, kPictureHeight = 270; // at the least

struct App {
  CAudioPlayer *player = nullptr;
  HWND parent = nullptr; // the picture area's X11 window, or the window's Wayland surface, wrapped
  bool wayland = false;
  GtkWidget *window = nullptr, *label = nullptr, *position = nullptr, *area = nullptr;
  GtkWidget *buttons = nullptr;
  GtkWidget *cover = nullptr; // the track's picture, while the player draws none
  bool hasCover = false;
  guint ticker = 0;    // moves the position slider while playing
  bool moving = false; // the slider is being set by the program
  bool picture = true; // EnableVis(1)
  bool fullScreen = false;
  bool exitAtEnd = false;
  int status = 0;
};
App app;

std::vector<unsigned short> Utf16(const char *text) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::vector<WCHAR> wide(units > 0 ? units : 1);
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), units);
  return {wide.begin(), wide.end()};
}

std::string Utf8(const unsigned short *text) {
  const auto *wide = reinterpret_cast<const WCHAR *>(text);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? bytes : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), bytes, nullptr, nullptr);
  return out.c_str();
}

// Where the player's window goes: the whole of the area's own X11 window,
// or on Wayland the area's place in the window's surface.
RECT PictureArea() {
  GtkAllocation size;
  gtk_widget_get_allocation(app.area, &size);
  double x = 0, y = 0;
  if (app.wayland) {
    GdkWindow *at = gtk_widget_get_window(app.area);
    for (GdkWindow *top = gdk_window_get_toplevel(at); at != top; at = gdk_window_get_parent(at))
      gdk_window_coords_to_parent(at, x, y, &x, &y);
  }
  const int left = int(x), top = int(y);
  return RECT{left, top, left + size.width, top + size.height};
}

void PlacePlayer() {
  if (app.player == nullptr)
    return;
  const RECT place = PictureArea();
  MoveWindow(app.player->GetPlayWindow(), place.left, place.top, place.right - place.left,
             place.bottom - place.top, TRUE);
  gtk_widget_queue_draw(app.window); // commits the surface, which places a subsurface
}

// On Wayland the player asks: the window fills the screen, and the
// picture the window.
void OnFullScreen(void *, int fill) {
  for (GtkWidget *other : {app.label, app.buttons, app.position})
    gtk_widget_set_visible(other, !fill);
  fill ? gtk_window_fullscreen(GTK_WINDOW(app.window))
       : gtk_window_unfullscreen(GTK_WINDOW(app.window));
}

void ShowCover() {
  gtk_widget_set_visible(app.cover, app.hasCover && !app.picture);
}

constexpr int kCoverSize = 48;

// The item's picture (audioplayer_picture.h), scaled for the controls' row.
void LoadCover(const unsigned short *source) {
  AudioPlayerPicture picture{};
  GdkPixbuf *pixbuf = nullptr;
  if (AudioPlayerPictureOf(source, &picture) == 0)
    pixbuf = gdk_pixbuf_new_from_file_at_scale(Utf8(picture.path).c_str(), kCoverSize, kCoverSize,
                                               TRUE, nullptr);
  app.hasCover = pixbuf != nullptr;
  gtk_image_set_from_pixbuf(GTK_IMAGE(app.cover), pixbuf);
  if (pixbuf != nullptr)
    g_object_unref(pixbuf);
  ShowCover();
}

// The title and artist of the item at `index`, its cover, and the slider's range.
void Describe(long index) {
  tagMediaInfo info{};
  info.dwMask = INFO_TITLE | INFO_AUTHOR | INFO_DURATION | INFO_SOURCEURL;
  if (app.player->GetCurPlaylistMusicInfo(index, &info) < 0)
    return;
  std::string text = Utf8(info.szTitle);
  if (info.szAuthor[0] != 0)
    text += " \u2014 " + Utf8(info.szAuthor);
  gtk_label_set_text(GTK_LABEL(app.label), text.c_str());
  LoadCover(info.szSourceURL);
  app.moving = true;
  gtk_range_set_range(GTK_RANGE(app.position), 0, info.dDuration > 0 ? info.dDuration : 1);
  app.moving = false;
}

gboolean Tick(gpointer) {
  double seconds = 0;
  if (app.player->GetPos(&seconds) >= 0) {
    app.moving = true;
    gtk_range_set_value(GTK_RANGE(app.position), seconds);
    app.moving = false;
  }
  return G_SOURCE_CONTINUE;
}

// Runs inside DispatchMessageW, on GTK's thread.
long CALLBACK OnNotify(long /*cookie*/, CallNotify code, long first, long second) {
  if (code == CN_MediaError || code == CN_Error)
    app.status = 1;
  if (code != CN_PlayStateChange)
    return 0;
  const bool playing = first == PS_Playing;
  if (playing && app.ticker == 0)
    app.ticker = g_timeout_add(500, Tick, nullptr);
  else if (!playing && first != PS_Transitioning && app.ticker != 0)
    g_source_remove(std::exchange(app.ticker, 0));
  if (playing)
    Describe(second);
  if (first == PS_Stopped && app.exitAtEnd)
    gtk_main_quit();
  return 0;
}

gboolean OnMessages(int, GIOCondition, gpointer) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&message);
  return G_SOURCE_CONTINUE;
}

void PlayPause() {
  PlayState state = PS_Undefined;
  app.player->GetPlayState(&state);
  state == PS_Playing  ? app.player->Pause()
  : state == PS_Paused ? app.player->Resume()
                       : app.player->Play();
}

void TogglePicture() {
  app.picture = !app.picture;
  app.player->EnableVis(app.picture ? 1 : 0);
  ShowCover();
}

void ToggleFullScreen() {
  app.fullScreen = !app.fullScreen;
  app.player->SetVisFullSrc(app.fullScreen ? 1 : 0);
}

bool Act(guint key) {
  switch (key) {
  case GDK_KEY_space:
    PlayPause();
    return true;
  case GDK_KEY_n:
    app.player->NextTrack();
    return true;
  case GDK_KEY_p:
    app.player->PrevTrack();
    return true;
  case GDK_KEY_v:
    TogglePicture();
    return true;
  case GDK_KEY_f:
    ToggleFullScreen();
    return true;
  case GDK_KEY_q:
    gtk_main_quit();
    return true;
  default:
    return false;
  }
}

gboolean OnKey(GtkWidget *, GdkEventKey *event, gpointer) {
  return Act(event->keyval);
}

// The same keys as characters on standard input, for a session without a
// keyboard (a headless compositor's); its end changes nothing.
gboolean OnInput(int fd, GIOCondition, gpointer) {
  char keys[64];
  const ssize_t got = read(fd, keys, sizeof keys);
  for (ssize_t i = 0; i < got; ++i)
    Act(keys[i] == ' ' ? GDK_KEY_space : guint(keys[i]));
  return got > 0 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

GtkWidget *Button(const char *label, void (*action)()) {
  GtkWidget *button = gtk_button_new_with_label(label);
  g_signal_connect(button, "clicked", G_CALLBACK(+[](GtkButton *, gpointer run) {
                     reinterpret_cast<void (*)()>(run)();
                   }),
                   reinterpret_cast<gpointer>(action));
  gtk_widget_set_can_focus(button, FALSE); // the keys stay the window's
  return button;
}

void BuildWindow() {
  app.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(app.window), "desktop_player");
  g_signal_connect(app.window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  g_signal_connect(app.window, "key-press-event", G_CALLBACK(OnKey), nullptr);
  GtkWidget *column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_container_add(GTK_CONTAINER(app.window), column);

  app.label = gtk_label_new("");
  gtk_box_pack_start(GTK_BOX(column), app.label, FALSE, FALSE, 0);
  // The player draws over this area, and its window follows the area.
  GtkWidget *area = app.area = gtk_drawing_area_new();
  gtk_widget_set_size_request(area, kPictureWidth, kPictureHeight);
  gtk_widget_set_vexpand(area, TRUE);
  g_signal_connect(area, "size-allocate",
                   G_CALLBACK(+[](GtkWidget *, GdkRectangle *, gpointer) { PlacePlayer(); }),
                   nullptr);
  // Black where the player's window is hidden.
  g_signal_connect(area, "draw", G_CALLBACK(+[](GtkWidget *, cairo_t *cr, gpointer) {
                     cairo_set_source_rgb(cr, 0, 0, 0);
                     cairo_paint(cr);
                     return gboolean(TRUE);
                   }),
                   nullptr);
  gtk_box_pack_start(GTK_BOX(column), area, TRUE, TRUE, 0);

  GtkWidget *buttons = app.buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  app.cover = gtk_image_new();
  gtk_box_pack_start(GTK_BOX(buttons), app.cover, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(buttons), Button("Previous", [] { app.player->PrevTrack(); }), FALSE,
                     FALSE, 0);
  gtk_box_pack_start(GTK_BOX(buttons), Button("Play/Pause", PlayPause), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(buttons), Button("Next", [] { app.player->NextTrack(); }), FALSE,
                     FALSE, 0);
  gtk_box_pack_start(GTK_BOX(buttons), Button("Picture", TogglePicture), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(buttons), Button("Full screen", ToggleFullScreen), FALSE, FALSE, 0);
  GtkWidget *volume = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
  gtk_range_set_value(GTK_RANGE(volume), 100);
  gtk_widget_set_size_request(volume, 120, -1);
  gtk_widget_set_can_focus(volume, FALSE);
  g_signal_connect(volume, "value-changed", G_CALLBACK(+[](GtkRange *range, gpointer) {
                     app.player->SetVol(long(gtk_range_get_value(range)));
                   }),
                   nullptr);
  gtk_box_pack_end(GTK_BOX(buttons), volume, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), buttons, FALSE, FALSE, 0);

  app.position = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 1, 1);
  gtk_scale_set_draw_value(GTK_SCALE(app.position), FALSE);
  gtk_widget_set_can_focus(app.position, FALSE);
  g_signal_connect(app.position, "value-changed", G_CALLBACK(+[](GtkRange *range, gpointer) {
                     if (!app.moving)
                       app.player->SetPos(gtk_range_get_value(range));
                   }),
                   nullptr);
  gtk_box_pack_start(GTK_BOX(column), app.position, FALSE, FALSE, 0);

  gtk_widget_show_all(app.window);
  ShowCover();
  if (app.wayland) {
    // The window's own surface, as the player's parent.
    GdkWindow *top = gtk_widget_get_window(app.window);
    app.parent = AudioPlayerWrapWaylandSurface(
        gdk_wayland_display_get_wl_display(gdk_window_get_display(top)),
        gdk_wayland_window_get_wl_surface(top), OnFullScreen, nullptr);
    return;
  }
  // A native X11 window for the area, as the player's parent.
  GdkWindow *native = gtk_widget_get_window(area);
  gdk_window_ensure_native(native);
  gdk_display_sync(gdk_window_get_display(native)); // the player's connection must see it
  app.parent = AudioPlayerWrapX11Window(GDK_WINDOW_XID(native));
}

bool IsPlaylist(const char *path) {
  const char *dot = std::strrchr(path, '.');
  for (const char *extension : {".m3u", ".m3u8", ".pls", ".asx", ".wpl", ".xspf", ".cue"})
    if (dot != nullptr && g_ascii_strcasecmp(dot, extension) == 0)
      return true;
  return false;
}

} // namespace

int main(int argc, char **argv) {
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "desktop_player: no display (WAYLAND_DISPLAY or DISPLAY)\n");
    return 1;
  }
  GdkDisplay *display = gdk_display_get_default();
  app.wayland = GDK_IS_WAYLAND_DISPLAY(display);
  if (!app.wayland && !GDK_IS_X11_DISPLAY(display)) {
    std::fprintf(stderr, "desktop_player: draws on Wayland or X11 only\n");
    return 1;
  }
  std::vector<const char *> items;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--exit-at-end") == 0)
      app.exitAtEnd = true;
    else
      items.push_back(argv[i]);
  }
  if (items.empty()) {
    std::fprintf(stderr, "usage: desktop_player [--exit-at-end] FILE_OR_PLAYLIST...\n");
    return 2;
  }
  BuildWindow();
  long status = 0;
  RECT place = PictureArea();
  app.player = CAudioPlayer::InitInstance(status, nullptr, app.parent, &place, nullptr,
                                          WS_CHILD | WS_VISIBLE, 0, &OnNotify, 0);
  if (app.player == nullptr) {
    std::fprintf(stderr, "desktop_player: no player: status 0x%08lX\n", status & 0xFFFFFFFFL);
    return 1;
  }
  g_unix_fd_add(AudioPlayerMessageFd(), G_IO_IN, OnMessages, nullptr);
  g_unix_fd_add(STDIN_FILENO, G_IO_IN, OnInput, nullptr);
  app.player->EnableVis(1);
  gtk_widget_queue_draw(app.window);
  for (const char *item : items) {
    const auto path = Utf16(item);
    status = items.size() == 1 && IsPlaylist(item) ? app.player->SetCurPlaylist(path.data())
                                                   : app.player->AppendMusic(path.data());
    if (status < 0)
      std::fprintf(stderr, "desktop_player: cannot add %s: status 0x%08lX\n", item,
                   status & 0xFFFFFFFFL);
  }
  app.player->Play();
  gtk_main();

  HWND window = app.player->GetPlayWindow();
  CAudioPlayer::DestroyInstance(app.player);
  DestroyWindow(window);
  DestroyWindow(app.parent); // the wrapper; GTK's window is GTK's
  return app.status;
}
