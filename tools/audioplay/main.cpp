// audioplay: plays media files and playlists through the audioplayer
// library, as any host would: one player from CAudioPlayer::InitInstance,
// the public operations only, and a message pump on the creating thread
// that lets the player raise its notifications.
//
//   audioplay [--fake-sink] [--quiet] FILE_OR_PLAYLIST...
//   audioplay --info FILE
//   audioplay --list
//   audioplay --save NAME FILE...|PLAYLIST
//   audioplay --export OUT.m3u|OUT.asx|OUT.wpl FILE...|PLAYLIST
//
// Consecutive media files are played as one playlist; a playlist file (.m3u,
// .m3u8, .pls, .asx, .wpl) or URL is played as it is. Every notification is
// printed as a line "CN_<name> <first> <second>", the position about once a
// second; in a terminal (without --quiet) the position is a progress line
// and keys steer the player (see play_run.h). Exit status: 0 when everything played to its end (or
// the command succeeded), 1 when an item could not be played or the player failed, 2 for a usage
// error, 130 when interrupted.
#include "host_text.h"
#include "library_commands.h"
#include "play_run.h"
#include "terminal_keys.h"

#include <audioplayer.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

enum class Command { Play, Info, List, Save, Export };

struct Options {
  Command command = Command::Play;
  bool quiet = false;
  std::string argument; // --save's name or --export's path
  std::vector<Group> groups;
};

bool IsPlaylistFile(const std::string &argument) {
  std::string extension = std::filesystem::path(argument).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return extension == ".m3u" || extension == ".m3u8" || extension == ".pls" ||
         extension == ".asx" || extension == ".wpl";
}

bool IsUrl(const std::string &argument) {
  return argument.find("://") != std::string::npos;
}

void Usage() {
  std::fprintf(stderr,
               "usage: audioplay [--fake-sink] [--quiet] FILE_OR_PLAYLIST...\n"
               "       audioplay --info FILE | --list\n"
               "       audioplay --save NAME | --export OUT.m3u|.asx|.wpl  FILE...|PLAYLIST\n"
               "  --fake-sink  play to a silent sink that keeps real time\n"
               "  --quiet      print only play states and errors\n");
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

// The options, or an exit status when there is nothing to run.
std::optional<int> Parse(int argc, char **argv, Options &options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    auto command = [&](Command which, bool takesValue) {
      options.command = which;
      if (takesValue && i + 1 < argc)
        options.argument = argv[++i];
      return !takesValue || !options.argument.empty();
    };
    bool ok = true;
    if (argument == "--fake-sink")
      ::setenv("AUDIOPLAYER_SINK", "fake", 1);
    else if (argument == "--quiet")
      options.quiet = true;
    else if (argument == "--info")
      ok = command(Command::Info, false);
    else if (argument == "--list")
      ok = command(Command::List, false);
    else if (argument == "--save")
      ok = command(Command::Save, true);
    else if (argument == "--export")
      ok = command(Command::Export, true);
    else if (argument.size() > 1 && argument[0] == '-')
      ok = false;
    else if (!AddItem(argument, options.groups))
      return 1;
    if (!ok) {
      Usage();
      return 2;
    }
  }
  const std::size_t groups = options.groups.size();
  const bool fits =
      options.command == Command::List   ? groups == 0
      : options.command == Command::Play ? groups > 0
      : options.command == Command::Info
          ? groups == 1 && options.groups[0].items.size() == 1 && !options.groups[0].playlist
          : groups == 1;
  if (!fits) {
    Usage();
    return 2;
  }
  return std::nullopt;
}

int Run(CAudioPlayer &player, const Options &options) {
  switch (options.command) {
  case Command::Info:
    return ShowInfo(player, options.groups[0].items[0]);
  case Command::List:
    return ListSavedPlaylists(player);
  case Command::Save:
    return SaveAs(player, options.groups[0], options.argument);
  case Command::Export:
    return ExportTo(player, options.groups[0], options.argument);
  case Command::Play:
    break;
  }
  const bool interactive = !options.quiet && KeyReader::Interactive();
  int result = 0;
  for (const Group &group : options.groups) {
    const int groupResult = PlayGroup(player, group, options.quiet, interactive);
    result = std::max(result, groupResult);
    if (groupResult == 130)
      break;
  }
  return result;
}

} // namespace

int main(int argc, char **argv) {
  Options options;
  if (std::optional<int> exitCode = Parse(argc, argv, options))
    return *exitCode;
  InstallInterruptHandler();

  long status = 0;
  const HostText name = Utf16("audioplay");
  CAudioPlayer *player = CAudioPlayer::InitInstance(status, nullptr, nullptr, nullptr, name.c_str(),
                                                    0, 0, PrintNotification, 0);
  if (!player) {
    std::fprintf(stderr, "audioplay: cannot create the player: status 0x%08lX\n",
                 status & 0xFFFFFFFFL);
    return 1;
  }
  const int result = Run(*player, options);
  CAudioPlayer::DestroyInstance(player);
  return result;
}
