#include "mpris.h"

#include <gio/gio.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>
#include <utility>

namespace {

constexpr const char *kPath = "/org/mpris/MediaPlayer2";
constexpr const char *kRoot = "org.mpris.MediaPlayer2";
constexpr const char *kPlayer = "org.mpris.MediaPlayer2.Player";

constexpr const char *kInterfaces = R"(<node>
  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek"><arg direction="in" name="Offset" type="x"/></method>
    <method name="SetPosition">
      <arg direction="in" name="TrackId" type="o"/>
      <arg direction="in" name="Position" type="x"/>
    </method>
    <method name="OpenUri"><arg direction="in" name="Uri" type="s"/></method>
    <signal name="Seeked"><arg name="Position" type="x"/></signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="LoopStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="read"/>
    <property name="Shuffle" type="b" access="read"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Volume" type="d" access="readwrite"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
</node>)";

std::string TrackPath(long index) {
  return index < 0 ? "/org/mpris/MediaPlayer2/TrackList/NoTrack"
                   : "/org/mpris/MediaPlayer2/track/" + std::to_string(index);
}

GVariant *Metadata(const MprisState &state) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&builder, "{sv}", "mpris:trackid",
                        g_variant_new_object_path(TrackPath(state.index).c_str()));
  if (state.index >= 0) {
    g_variant_builder_add(&builder, "{sv}", "xesam:title",
                          g_variant_new_string(state.title.c_str()));
    const char *artists[] = {state.artist.c_str(), nullptr};
    if (!state.artist.empty())
      g_variant_builder_add(&builder, "{sv}", "xesam:artist", g_variant_new_strv(artists, 1));
    if (!state.album.empty())
      g_variant_builder_add(&builder, "{sv}", "xesam:album",
                            g_variant_new_string(state.album.c_str()));
    if (!state.url.empty())
      g_variant_builder_add(&builder, "{sv}", "xesam:url", g_variant_new_string(state.url.c_str()));
    g_variant_builder_add(&builder, "{sv}", "mpris:length",
                          g_variant_new_int64(gint64(state.length * 1e6)));
  }
  return g_variant_builder_end(&builder);
}

// The player's properties that change as it plays.
GVariant *PlayerProperty(const MprisState &state, const char *name) {
  if (std::strcmp(name, "PlaybackStatus") == 0)
    return g_variant_new_string(state.status.c_str());
  if (std::strcmp(name, "LoopStatus") == 0)
    return g_variant_new_string(state.loop ? "Playlist" : "None");
  if (std::strcmp(name, "Shuffle") == 0)
    return g_variant_new_boolean(state.shuffle);
  if (std::strcmp(name, "Metadata") == 0)
    return Metadata(state);
  if (std::strcmp(name, "Volume") == 0)
    return g_variant_new_double(state.volume);
  if (std::strcmp(name, "Position") == 0)
    return g_variant_new_int64(gint64(state.position * 1e6));
  if (std::strcmp(name, "Rate") == 0 || std::strcmp(name, "MinimumRate") == 0 ||
      std::strcmp(name, "MaximumRate") == 0)
    return g_variant_new_double(1.0);
  // CanGoNext ... CanControl: everything is steerable.
  return g_variant_new_boolean(TRUE);
}

GVariant *RootProperty(const char *name) {
  if (std::strcmp(name, "Identity") == 0)
    return g_variant_new_string("audioplay");
  if (std::strcmp(name, "SupportedUriSchemes") == 0) {
    const char *schemes[] = {"file", "http", "https"};
    return g_variant_new_strv(schemes, 3);
  }
  if (std::strcmp(name, "SupportedMimeTypes") == 0)
    return g_variant_new_strv(nullptr, 0);
  return g_variant_new_boolean(std::strcmp(name, "CanQuit") == 0);
}

} // namespace

struct MprisService::Bus {
  HWND window = nullptr;
  GDBusNodeInfo *node = nullptr;
  GDBusConnection *connection = nullptr;
  GMainContext *context = nullptr;
  GMainLoop *loop = nullptr;
  std::thread thread;
  guint objects[2] = {0, 0};
  guint owner = 0;
  std::promise<bool> named; // set once the name is had or lost
  bool answered = false;

  std::mutex mutex;
  MprisState state;

  void Post(MprisCommand command, LPARAM argument = 0) {
    PostMessageW(window, kMprisMessage, WPARAM(command), argument);
  }

  void Answer(bool had) {
    if (!std::exchange(answered, true))
      named.set_value(had);
  }

  ~Bus() {
    if (loop != nullptr) {
      g_main_loop_quit(loop);
      if (thread.joinable())
        thread.join();
      g_main_loop_unref(loop);
    }
    if (owner != 0)
      g_bus_unown_name(owner);
    for (guint id : objects)
      if (id != 0)
        g_dbus_connection_unregister_object(connection, id);
    if (connection != nullptr)
      g_object_unref(connection);
    if (context != nullptr)
      g_main_context_unref(context);
    if (node != nullptr)
      g_dbus_node_info_unref(node);
  }
};

namespace {

void OnMethod(GDBusConnection *, const gchar *, const gchar *, const gchar *interfaceName,
              const gchar *method, GVariant *parameters, GDBusMethodInvocation *invocation,
              gpointer data) {
  auto *bus = static_cast<MprisService::Bus *>(data);
  const bool player = std::strcmp(interfaceName, kPlayer) == 0;
  struct Simple {
    const char *name;
    MprisCommand command;
  };
  static const Simple kSimple[] = {
      {"PlayPause", MprisCommand::PlayPause}, {"Play", MprisCommand::Play},
      {"Pause", MprisCommand::Pause},         {"Stop", MprisCommand::Stop},
      {"Next", MprisCommand::Next},           {"Previous", MprisCommand::Previous}};
  for (const Simple &simple : kSimple)
    if (player && std::strcmp(method, simple.name) == 0) {
      bus->Post(simple.command);
      return g_dbus_method_invocation_return_value(invocation, nullptr);
    }
  if (player && std::strcmp(method, "Seek") == 0) {
    gint64 offset = 0;
    g_variant_get(parameters, "(x)", &offset);
    bus->Post(MprisCommand::SeekBy, LPARAM(offset));
  } else if (player && std::strcmp(method, "SetPosition") == 0) {
    const gchar *track = nullptr;
    gint64 position = 0;
    g_variant_get(parameters, "(&ox)", &track, &position);
    std::lock_guard lock(bus->mutex);
    // A position for another track than the current one is ignored, as the
    // interface asks.
    if (TrackPath(bus->state.index) == track)
      bus->Post(MprisCommand::SeekTo, LPARAM(position));
  } else if (!player && std::strcmp(method, "Quit") == 0) {
    bus->Post(MprisCommand::Quit);
  } else if (player && std::strcmp(method, "OpenUri") == 0) {
    return g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR,
                                                 G_DBUS_ERROR_NOT_SUPPORTED,
                                                 "audioplay plays what its command line names");
  }
  g_dbus_method_invocation_return_value(invocation, nullptr); // Raise: there is no window
}

GVariant *OnGet(GDBusConnection *, const gchar *, const gchar *, const gchar *interfaceName,
                const gchar *name, GError **, gpointer data) {
  auto *bus = static_cast<MprisService::Bus *>(data);
  if (std::strcmp(interfaceName, kRoot) == 0)
    return RootProperty(name);
  std::lock_guard lock(bus->mutex);
  return PlayerProperty(bus->state, name);
}

gboolean OnSet(GDBusConnection *, const gchar *, const gchar *, const gchar *, const gchar *name,
               GVariant *value, GError **error, gpointer data) {
  if (std::strcmp(name, "Volume") != 0) {
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_PROPERTY_READ_ONLY, "%s is read only", name);
    return FALSE;
  }
  const double volume = g_variant_get_double(value);
  static_cast<MprisService::Bus *>(data)->Post(MprisCommand::SetVolume,
                                               LPARAM(volume <= 0   ? 0
                                                      : volume >= 1 ? 100
                                                                    : volume * 100 + 0.5));
  return TRUE;
}

const GDBusInterfaceVTable kVTable = {OnMethod, OnGet, OnSet, {}};

// On the bus thread, in its context.
void Serve(MprisService::Bus *bus) {
  g_main_context_push_thread_default(bus->context);
  for (int i = 0; i < 2; ++i)
    bus->objects[i] = g_dbus_connection_register_object(
        bus->connection, kPath, bus->node->interfaces[i], &kVTable, bus, nullptr, nullptr);
  const std::string name = "org.mpris.MediaPlayer2.audioplay.instance" + std::to_string(::getpid());
  bus->owner = g_bus_own_name_on_connection(
      bus->connection, name.c_str(), G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
      [](GDBusConnection *, const gchar *, gpointer data) {
        static_cast<MprisService::Bus *>(data)->Answer(true);
      },
      [](GDBusConnection *, const gchar *, gpointer data) {
        static_cast<MprisService::Bus *>(data)->Answer(false);
      },
      bus, nullptr);
  g_main_loop_run(bus->loop);
  g_main_context_pop_thread_default(bus->context);
}

} // namespace

std::unique_ptr<MprisService> MprisService::Start(HWND window) {
  // Without an address GLib would try to start a bus of its own.
  const char *address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr || *address == '\0' || window == nullptr)
    return nullptr;
  auto bus = std::make_unique<Bus>();
  bus->window = window;
  bus->node = g_dbus_node_info_new_for_xml(kInterfaces, nullptr);
  bus->connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus->node == nullptr || bus->connection == nullptr)
    return nullptr;
  bus->context = g_main_context_new();
  bus->loop = g_main_loop_new(bus->context, FALSE);
  std::future<bool> named = bus->named.get_future();
  bus->thread = std::thread(Serve, bus.get());
  // A bus that does not answer within a bound is no bus.
  if (named.wait_for(std::chrono::seconds(2)) != std::future_status::ready || !named.get())
    return nullptr;
  return std::unique_ptr<MprisService>(new MprisService(std::move(bus)));
}

MprisService::MprisService(std::unique_ptr<Bus> bus) : bus_(std::move(bus)) {}

MprisService::~MprisService() = default;

void MprisService::Publish(const MprisState &state) {
  MprisState before;
  {
    std::lock_guard lock(bus_->mutex);
    before = bus_->state;
    bus_->state = state;
  }
  GVariantBuilder changed;
  g_variant_builder_init(&changed, G_VARIANT_TYPE("a{sv}"));
  bool any = false;
  auto add = [&](const char *name, bool differs) {
    if (!differs)
      return;
    g_variant_builder_add(&changed, "{sv}", name, PlayerProperty(state, name));
    any = true;
  };
  add("PlaybackStatus", state.status != before.status);
  add("Metadata",
      state.index != before.index || state.title != before.title || state.length != before.length);
  add("Volume", state.volume != before.volume);
  add("LoopStatus", state.loop != before.loop);
  add("Shuffle", state.shuffle != before.shuffle);
  if (!any) {
    g_variant_builder_clear(&changed);
    return;
  }
  GVariantBuilder invalidated;
  g_variant_builder_init(&invalidated, G_VARIANT_TYPE("as"));
  // Emitting is thread-safe: GDBus queues the message on its own thread.
  g_dbus_connection_emit_signal(
      bus_->connection, nullptr, kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
      g_variant_new("(sa{sv}as)", kPlayer, &changed, &invalidated), nullptr);
}
