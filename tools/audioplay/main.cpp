// audioplay: plays media files and playlists through the audioplayer
// library, as any host would: one player from CAudioPlayer::InitInstance,
// the public operations only, and the creating thread waiting for the
// player's messages. `audioplay --help` lists the options; the README has
// them with the keys and exit statuses.
#include "host_text.h"
#include "host_waker.h"
#include "info_command.h"
#include "mpris.h"
#include "output_devices.h"
#include "path_kinds.h"
#include "library_commands.h"
#include "play_run.h"
#include "terminal_keys.h"

#include <audioplayer.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

enum class Command { Play, Info, List, Save, Export, ListTracks, ListDevices };

struct Options {
  Command command = Command::Play;
  PlayOptions play;
  bool json = false;
  bool window = false;     // --vis: the player's window, shown
  bool fullScreen = false; // --full-screen: covering the screen
  std::string argument;    // --save's name or --export's path
  std::vector<Group> groups;
  std::vector<std::string> infoPaths; // --info's files, checked one by one
  long skipped = 0;                   // named items that are no file to play
};

constexpr const char kHelp[] =
    "usage: audioplay [OPTION...] FILE_OR_PLAYLIST...\n"
    "       audioplay --info [--json] FILE...\n"
    "       audioplay --list\n"
    "       audioplay --save NAME FILE...|PLAYLIST\n"
    "       audioplay --export OUT.m3u|OUT.asx|OUT.wpl FILE...|PLAYLIST\n"
    "       audioplay --cd DRIVE [--list-tracks]\n"
    "       audioplay --list-devices\n"
    "\n"
    "Plays media files (consecutive ones as one playlist) and playlist files\n"
    "or URLs (.m3u .m3u8 .pls .asx .wpl .xspf) to their end; playlists\n"
    "named inside playlists are played in their place. A .cue sheet over\n"
    "audio files plays as its tracks; one over a .bin is a disc (--cd).\n"
    "\n"
    "  --loop          start the playlist again at its end\n"
    "  --shuffle       play the items in a random order\n"
    "  --volume N      volume 0..100\n"
    "  --start S       start the first item S seconds in\n"
    "  --rate R        play at R times the normal speed (0 < R <= 16)\n"
    "  --level MODE    level loudness by the files' ReplayGain tags: track, album,\n"
    "                  auto (album gain for an album played in order) or off (the\n"
    "                  default: the samples as decoded)\n"
    "  --preamp DB     with --level: a gain on top of the tags', -60..60 dB\n"
    "  --quiet         print only play states and errors, as notification codes\n"
    "  --verbose       also print every notification with its code and parameters\n"
    "  --vis           show a window with the picture: a video's, or a visualisation\n"
    "                  of audio (needs an X display)\n"
    "  --full-screen   the same, covering the screen\n"
    "  --fake-sink     play to a silent sink that keeps real time\n"
    "  --device NAME   play to this output (see --list-devices)\n"
    "  --output-file F write what would be heard to the WAV file F, as fast as it decodes\n"
    "  --list-devices  list the audio outputs\n"
    "  --cd DRIVE      play an audio CD: a drive (/dev/sr0 or sr0) or a disc image\n"
    "                  (.cue with its .bin, .toc, .nrg)\n"
    "  --list-tracks   with --cd: list the disc's tracks instead of playing\n"
    "  --info FILE...  show what the media library reports of each file, and of\n"
    "                  each entry of a playlist or CUE sheet\n"
    "  --json          with --info: one JSON array, an object per file or entry\n"
    "  --list          list the saved playlists\n"
    "  --save NAME     keep the files or playlist as a saved playlist\n"
    "  --export OUT    write the files or playlist as a playlist file\n"
    "  --help          this text\n"
    "\n"
    "Keys while playing in a terminal: space pause/resume, n/p next/previous,\n"
    "left/right seek 5 s, +/- volume, m mute, l loop, s shuffle, q quit.\n"
    "Exit status: 0 played to the end (or done), 1 an item could not be played\n"
    "or a command failed, 2 a usage error, 130 interrupted (SIGINT), 143 terminated (SIGTERM).\n";

void Usage() {
  std::fputs(kHelp, stderr);
}

// A number option's value; false if it is missing, not a number or out of range.
bool NumberOption(int argc, char **argv, int &i, double low, double high, double &value) {
  if (i + 1 >= argc)
    return false;
  char *end = nullptr;
  const double number = std::strtod(argv[++i], &end);
  if (end == argv[i] || *end != '\0' || !(number >= low && number <= high))
    return false;
  value = number;
  return true;
}

// Adds a media file, playlist or URL; false, with a message, for a path
// that is not a file.
bool AddItem(const std::string &argument, std::vector<Group> &groups) {
  std::string item = argument;
  if (!IsUrl(argument)) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(argument, error)) {
      const bool exists = std::filesystem::exists(argument, error);
      std::fprintf(stderr, "audioplay: %s: %s\n", argument.c_str(),
                   !exists ? "no such file"
                   : std::filesystem::is_directory(argument, error)
                       ? "a folder, not a media file"
                       : "not a regular file (a pipe, device or socket)");
      return false;
    }
    item = std::filesystem::absolute(argument, error).lexically_normal().string();
  }
  const bool playlist = IsPlaylistFile(argument);
  if (playlist || groups.empty() || groups.back().playlist)
    groups.push_back({playlist, {}});
  groups.back().items.push_back(item);
  return true;
}

// A disc image that exists is named by its absolute path: a bare name
// would be taken for a device name, and its tracks' URLs are shown.
std::string DriveOrImage(const std::string &argument) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(argument, error))
    return argument;
  return std::filesystem::absolute(argument, error).lexically_normal().string();
}

// The options, or an exit status when there is nothing to run.
std::optional<int> Parse(int argc, char **argv, Options &options) {
  std::vector<std::string> items;
  std::string level; // --level, as given
  double preamp = 0;
  bool preampGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    auto command = [&](Command which, bool takesValue) {
      options.command = which;
      if (takesValue && i + 1 < argc)
        options.argument = argv[++i];
      return !takesValue || !options.argument.empty();
    };
    double number = 0;
    bool ok = true;
    if (argument == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (argument == "--fake-sink") {
      ::setenv("AUDIOPLAYER_SINK", "fake", 1);
    } else if (argument == "--device" || argument == "--output-file") {
      ok = i + 1 < argc && argv[i + 1][0] != '\0';
      if (ok) {
        const std::string value = argv[++i];
        std::error_code error;
        const std::string output =
            argument == "--device"
                ? DeviceOutput(value)
                : "file:" + std::filesystem::absolute(value, error).lexically_normal().string();
        ::setenv("AUDIOPLAYER_SINK", output.c_str(), 1);
      }
    } else if (argument == "--list-devices") {
      ok = command(Command::ListDevices, false);
    } else if (argument == "--vis" || argument == "--full-screen") {
      options.window = true;
      options.fullScreen = options.fullScreen || argument == "--full-screen";
    } else if (argument == "--quiet") {
      options.play.talk = Talk::Quiet;
    } else if (argument == "--verbose") {
      options.play.talk = Talk::Verbose;
    } else if (argument == "--loop") {
      options.play.loop = true;
    } else if (argument == "--shuffle") {
      options.play.shuffle = true;
    } else if (argument == "--volume") {
      ok = NumberOption(argc, argv, i, 0, 100, number);
      options.play.volume = long(number);
    } else if (argument == "--level") {
      ok = i + 1 < argc;
      if (ok)
        level = argv[++i];
      ok = ok && (level == "off" || level == "track" || level == "album" || level == "auto");
    } else if (argument == "--preamp") {
      ok = NumberOption(argc, argv, i, -60, 60, preamp);
      preampGiven = ok;
    } else if (argument == "--start") {
      ok = NumberOption(argc, argv, i, 0, 1e9, options.play.start);
    } else if (argument == "--rate") {
      ok = NumberOption(argc, argv, i, 1e-3, 16, options.play.rate);
    } else if (argument == "--cd") {
      ok = i + 1 < argc;
      if (ok)
        options.groups.push_back({false, {DriveOrImage(argv[++i])}, true});
    } else if (argument == "--list-tracks") {
      ok = command(Command::ListTracks, false);
    } else if (argument == "--json") {
      options.json = true;
    } else if (argument == "--info") {
      ok = command(Command::Info, false);
    } else if (argument == "--list") {
      ok = command(Command::List, false);
    } else if (argument == "--save") {
      ok = command(Command::Save, true);
    } else if (argument == "--export") {
      ok = command(Command::Export, true);
    } else if (argument.size() > 1 && argument[0] == '-') {
      ok = false;
    } else {
      items.push_back(argument);
    }
    if (!ok) {
      Usage();
      return 2;
    }
  }
  if (preampGiven && level.empty()) {
    Usage();
    return 2;
  }
  if (!level.empty()) {
    // The engine's own setting, read when the player first plays.
    char text[64];
    std::snprintf(text, sizeof text, "%s,%g", level.c_str(), preamp);
    ::setenv("AUDIOPLAYER_LEVELLING", text, 1);
  }
  // --info checks each file itself, so that one bad file does not hide the others.
  if (options.command == Command::Info) {
    options.infoPaths = items;
    if (items.empty()) {
      Usage();
      return 2;
    }
    return std::nullopt;
  }
  // Playing skips what it cannot open, as players do; the other commands
  // would keep or write an incomplete list, so they stop.
  for (const std::string &item : items)
    if (!AddItem(item, options.groups) && (++options.skipped, options.command != Command::Play))
      return 1;
  if (options.command == Command::Play && options.groups.empty() && options.skipped)
    return 1;
  const std::size_t groups = options.groups.size();
  const bool fits = options.command == Command::List || options.command == Command::ListDevices
                        ? groups == 0
                    : options.command == Command::Play       ? groups > 0
                    : options.command == Command::ListTracks ? groups == 1 && options.groups[0].cd
                                                             : groups == 1;
  if (!fits || (options.json && options.command != Command::Info)) {
    Usage();
    return 2;
  }
  return std::nullopt;
}

int Run(CAudioPlayer &player, const Options &options, MprisService *mpris) {
  switch (options.command) {
  case Command::Info:
    return ShowInfo(player, options.infoPaths, options.json);
  case Command::List:
    return ListSavedPlaylists(player);
  case Command::Save:
    return SaveAs(player, options.groups[0], options.argument);
  case Command::Export:
    return ExportTo(player, options.groups[0], options.argument);
  case Command::ListTracks:
    return ListTracks(player, options.groups[0]);
  case Command::ListDevices:
    return ListOutputDevices();
  case Command::Play:
    break;
  }
  PlayOptions given = options.play;
  given.interactive = given.talk != Talk::Quiet && KeyReader::Interactive();
  PlayOptions play = given;
  int result = options.skipped ? 1 : 0;
  std::vector<Group> groups = options.groups; // the desktop may open more
  std::optional<GroupLeft> openedFrom;        // while an opened playlist is the group
  for (std::size_t at = 0; at < groups.size();) {
    play.groupBefore = at > 0;
    play.groupAfter = at + 1 < groups.size();
    GroupLeft left;
    const int groupResult = PlayGroup(player, groups[at], play, mpris, &left);
    const std::optional<GroupLeft> from = std::exchange(openedFrom, std::nullopt);
    play = given;
    play.start = 0; // the first item only
    if (from && !left.loaded && !Interrupted()) {
      // What the desktop opened could not be played: it has said why, and
      // the group it was opened from goes on where it was.
      groups.erase(groups.begin() + long(at));
      --at;
      play.startIndex = from->index;
      play.start = from->at;
      play.startHeld = from->held;
      continue;
    }
    result = std::max(result, groupResult);
    if (Interrupted() || left.end == GroupEnd::Quit)
      break;
    if (left.end == GroupEnd::Opened) {
      groups.insert(groups.begin() + long(at) + 1, Group{true, {left.opened}});
      openedFrom = left;
    }
    play.startAtLast = left.end == GroupEnd::ToPrevious; // from the group after it
    at = left.end == GroupEnd::ToPrevious ? at - 1 : at + 1;
  }
  return result;
}

} // namespace

int main(int argc, char **argv) {
  Options options;
  if (std::optional<int> exitCode = Parse(argc, argv, options))
    return *exitCode;
  InstallSignalHandlers();

  long status = 0;
  const HostText name = Utf16("audioplay");
  RECT place = {0, 0, 640, 360};
  CAudioPlayer *player = CAudioPlayer::InitInstance(
      status, nullptr, nullptr, options.window ? &place : nullptr, name.c_str(),
      options.window ? WS_POPUP | WS_VISIBLE : 0, 0, OnNotification, 0);
  if (!player) {
    std::fprintf(stderr, "audioplay: cannot create the player: status 0x%08lX\n",
                 status & 0xFFFFFFFFL);
    return 1;
  }
  if (options.window &&
      (player->EnableVis(1) < 0 || (options.fullScreen && player->SetVisFullSrc(1) < 0)))
    std::fprintf(stderr, "audioplay: cannot show the player's window\n");
  // The desktop steers only what plays.
  std::unique_ptr<MprisService> mpris;
  if (options.command == Command::Play)
    mpris = MprisService::Start(player->GetPlayWindow());
  const int result = Run(*player, options, mpris.get());
  mpris.reset();
  CAudioPlayer::DestroyInstance(player);
  return result;
}
