#include "mpris.h"

#include <gio/gio.h>
#include <gst/gst.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

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
    <property name="LoopStatus" type="s" access="readwrite"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Shuffle" type="b" access="readwrite"/>
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

// Paths under /org/mpris are reserved to MPRIS itself; a track is ours.
std::string TrackPath(long index) {
  return index < 0 ? "/org/mpris/MediaPlayer2/TrackList/NoTrack"
                   : "/audioplay/track/" + std::to_string(index);
}

// xesam:url is a URI: a path becomes a file:// URI, percent-encoded.
std::string UriOf(const std::string &url) {
  if (url.empty() || url[0] != '/')
    return url;
  gchar *uri = g_filename_to_uri(url.c_str(), nullptr, nullptr);
  std::string made = uri ? uri : url;
  g_free(uri);
  return made;
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
      g_variant_builder_add(&builder, "{sv}", "xesam:url",
                            g_variant_new_string(UriOf(state.url).c_str()));
    if (!state.picture.empty())
      g_variant_builder_add(&builder, "{sv}", "mpris:artUrl",
                            g_variant_new_string(UriOf(state.picture).c_str()));
    g_variant_builder_add(&builder, "{sv}", "mpris:length",
                          g_variant_new_int64(gint64(state.length * 1e6)));
  }
  return g_variant_builder_end(&builder);
}

// The position now: the one read, moved on by the time since while playing,
// so that a client reading twice sees it move between the host's ticks.
gint64 PositionNow(const MprisState &state) {
  double seconds = state.position;
  if (state.status == "Playing" && state.read != std::chrono::steady_clock::time_point{})
    seconds += state.rate *
               std::chrono::duration<double>(std::chrono::steady_clock::now() - state.read).count();
  if (state.length > 0)
    seconds = std::min(seconds, state.length);
  return gint64(seconds * 1e6);
}

// Whether Next and Previous would change the track, as the interface says
// they tell: not at that end of a list that does not loop, unless a group
// of the command line follows there (where a call made all the same stops,
// and clients such as playerctl make none).
bool CanGoNext(const MprisState &state) {
  return state.count > 0 && (state.loop || state.index < state.count - 1 || state.groupAfter);
}
bool CanGoPrevious(const MprisState &state) {
  return state.count > 0 && (state.loop || state.index > 0 || state.groupBefore);
}

// The player's properties that change as it plays.
GVariant *PlayerProperty(const MprisState &state, const char *name) {
  struct Flag {
    const char *name;
    bool value;
  };
  const Flag flags[] = {{"Shuffle", state.shuffle},
                        {"CanGoNext", CanGoNext(state)},
                        {"CanGoPrevious", CanGoPrevious(state)},
                        {"CanPlay", state.count > 0},
                        {"CanPause", state.count > 0},
                        {"CanSeek", state.length > 0},
                        {"CanControl", true}};
  for (const Flag &flag : flags)
    if (std::strcmp(name, flag.name) == 0)
      return g_variant_new_boolean(flag.value);
  if (std::strcmp(name, "PlaybackStatus") == 0)
    return g_variant_new_string(state.status.c_str());
  if (std::strcmp(name, "LoopStatus") == 0)
    return g_variant_new_string(state.loop ? "Playlist" : "None");
  if (std::strcmp(name, "Metadata") == 0)
    return Metadata(state);
  if (std::strcmp(name, "Volume") == 0)
    return g_variant_new_double(state.volume);
  if (std::strcmp(name, "Position") == 0)
    return g_variant_new_int64(PositionNow(state));
  if (std::strcmp(name, "Rate") == 0)
    return g_variant_new_double(state.rate);
  if (std::strcmp(name, "MinimumRate") == 0)
    return g_variant_new_double(kMinimumRate);
  return g_variant_new_double(kMaximumRate); // MaximumRate
}

// The media types the installed GStreamer plugins read: the sink caps of
// every demuxer, parser and decoder, less raw audio and video.
std::vector<std::string> ReadableMimeTypes() {
  std::set<std::string> types;
  if (!gst_init_check(nullptr, nullptr, nullptr))
    return {};
  GList *factories = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DECODER |
                                                               GST_ELEMENT_FACTORY_TYPE_DEMUXER |
                                                               GST_ELEMENT_FACTORY_TYPE_PARSER,
                                                           GST_RANK_MARGINAL);
  for (GList *item = factories; item != nullptr; item = item->next) {
    auto *factory = GST_ELEMENT_FACTORY(item->data);
    for (const GList *pad = gst_element_factory_get_static_pad_templates(factory); pad;
         pad = pad->next) {
      auto *pads = static_cast<GstStaticPadTemplate *>(pad->data);
      if (pads->direction != GST_PAD_SINK)
        continue;
      GstCaps *caps = gst_static_caps_get(&pads->static_caps);
      for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const std::string type = gst_structure_get_name(gst_caps_get_structure(caps, i));
        if ((type.rfind("audio/", 0) == 0 || type.rfind("video/", 0) == 0 ||
             type == "application/ogg") &&
            type != "audio/x-raw" && type != "video/x-raw")
          types.insert(type);
      }
      gst_caps_unref(caps);
    }
  }
  gst_plugin_feature_list_free(factories);
  return {types.begin(), types.end()};
}

GVariant *RootProperty(const char *name, const std::vector<std::string> &mimeTypes) {
  if (std::strcmp(name, "Identity") == 0)
    return g_variant_new_string("audioplay");
  if (std::strcmp(name, "SupportedUriSchemes") == 0) {
    const char *schemes[] = {"file", "http", "https"};
    return g_variant_new_strv(schemes, 3);
  }
  if (std::strcmp(name, "SupportedMimeTypes") == 0) {
    std::vector<const char *> names;
    for (const std::string &type : mimeTypes)
      names.push_back(type.c_str());
    return g_variant_new_strv(names.data(), gssize(names.size()));
  }
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
  std::vector<std::string> mimeTypes; // read once, before the bus thread starts

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
    const gchar *uri = nullptr;
    g_variant_get(parameters, "(&s)", &uri);
    bus->Post(MprisCommand::OpenUri, LPARAM(new std::string(uri)));
  }
  g_dbus_method_invocation_return_value(invocation, nullptr); // Raise: there is no window
}

GVariant *OnGet(GDBusConnection *, const gchar *, const gchar *, const gchar *interfaceName,
                const gchar *name, GError **, gpointer data) {
  auto *bus = static_cast<MprisService::Bus *>(data);
  if (std::strcmp(interfaceName, kRoot) == 0)
    return RootProperty(name, bus->mimeTypes);
  std::lock_guard lock(bus->mutex);
  return PlayerProperty(bus->state, name);
}

gboolean OnSet(GDBusConnection *, const gchar *, const gchar *, const gchar *, const gchar *name,
               GVariant *value, GError **error, gpointer data) {
  auto *bus = static_cast<MprisService::Bus *>(data);
  if (std::strcmp(name, "Volume") == 0) {
    const double volume = g_variant_get_double(value);
    bus->Post(MprisCommand::SetVolume, LPARAM(volume <= 0   ? 0
                                              : volume >= 1 ? 100
                                                            : volume * 100 + 0.5));
  } else if (std::strcmp(name, "Shuffle") == 0) {
    bus->Post(MprisCommand::SetShuffle, g_variant_get_boolean(value) ? 1 : 0);
  } else if (std::strcmp(name, "LoopStatus") == 0) {
    const char *status = g_variant_get_string(value, nullptr);
    if (std::strcmp(status, "Track") == 0) {
      // The player repeats whole playlists only.
      g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_NOT_SUPPORTED,
                  "audioplay repeats the whole playlist (Playlist) or nothing (None)");
      return FALSE;
    }
    bus->Post(MprisCommand::SetLoop, std::strcmp(status, "Playlist") == 0 ? 1 : 0);
  } else if (std::strcmp(name, "Rate") == 0) {
    const double rate = g_variant_get_double(value);
    if (rate != 0 && (rate < kMinimumRate || rate > kMaximumRate)) {
      g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                  "the rate is between MinimumRate and MaximumRate");
      return FALSE;
    }
    bus->Post(MprisCommand::SetRate, LPARAM(rate * 1e6)); // 0 pauses, as the interface asks
  } else {
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_PROPERTY_READ_ONLY, "%s is read only", name);
    return FALSE;
  }
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
  bus->mimeTypes = ReadableMimeTypes();
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
  add("Metadata", state.index != before.index || state.title != before.title ||
                      state.length != before.length || state.url != before.url);
  add("Volume", state.volume != before.volume);
  add("LoopStatus", state.loop != before.loop);
  add("Shuffle", state.shuffle != before.shuffle);
  add("Rate", state.rate != before.rate);
  add("CanGoNext", CanGoNext(state) != CanGoNext(before));
  add("CanGoPrevious", CanGoPrevious(state) != CanGoPrevious(before));
  add("CanPlay", (state.count > 0) != (before.count > 0));
  add("CanPause", (state.count > 0) != (before.count > 0));
  add("CanSeek", (state.length > 0) != (before.length > 0));
  // Emitting is thread-safe: GDBus queues the message on its own thread.
  if (any) {
    GVariantBuilder invalidated;
    g_variant_builder_init(&invalidated, G_VARIANT_TYPE("as"));
    g_dbus_connection_emit_signal(
        bus_->connection, nullptr, kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
        g_variant_new("(sa{sv}as)", kPlayer, &changed, &invalidated), nullptr);
  } else {
    g_variant_builder_clear(&changed);
  }
  if (state.seeked)
    g_dbus_connection_emit_signal(bus_->connection, nullptr, kPath, kPlayer, "Seeked",
                                  g_variant_new("(x)", PositionNow(state)), nullptr);
}
