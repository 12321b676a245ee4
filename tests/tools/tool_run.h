// Running the audioplay program as a user would, with a silent sink and a
// library of its own, and reading what it wrote.
#pragma once

#include "support/command_output.h"
#include "support/temp_folder.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#ifndef AUDIOPLAY_TOOL
#error "AUDIOPLAY_TOOL names the program under test"
#endif

namespace tool_run {

struct ToolRun {
  int exitCode = -1;
  std::string output; // standard output and error
};

// Runs the tool with a silent sink and a library of its own; `prefix` may
// wrap it in another command.
inline ToolRun RunTool(const test_support::TempFolder &folder, const std::string &arguments,
                       const std::string &prefix = "") {
  const std::string command = "AUDIOPLAYER_SINK=fake AUDIOPLAYER_LIBRARY='" +
                              folder.File("library.db") + "' XDG_CACHE_HOME='" +
                              folder.File("cache") + "' " + prefix + " '" AUDIOPLAY_TOOL "' " +
                              arguments + " 2>&1";
  ToolRun run;
  run.output = test_support::CommandOutput(command, &run.exitCode);
  return run;
}

// The two ways a run is recorded to `path`: the file output, which decodes
// each item on its own and writes them one after the other, and the file
// the pipeline that plays to devices writes, handing each item over to
// the next as a device hears them. `arguments` and `environment` go to
// RunTool.
struct Recording {
  const char *name;
  std::string arguments, environment;
};
inline std::vector<Recording> RecordingsTo(const std::string &path) {
  return {{"file output", " --output-file '" + path + "' ", ""},
          {"played", " ", "AUDIOPLAYER_SINK='played-file:" + path + "'"}};
}

// The tool's output so far says it is time to signal it.
using Cue = std::function<bool(const std::string &output)>;

// True once `said` is in the output `times` times.
inline Cue Said(const std::string &said, int times = 1) {
  return [said, times](const std::string &output) {
    int seen = 0;
    for (auto at = output.find(said); at != std::string::npos; at = output.find(said, at + 1))
      ++seen;
    return seen >= times;
  };
}

struct SignalledRun : ToolRun {
  bool signalled = false;
  double secondsToExit = -1; // from the signal to the end of its output
};

// Runs the tool as RunTool does and sends it `signal` once its output meets
// `cue` (asked first with no output, for a cue that watches something else):
// the test waits for what the tool did, not for an amount of time.
// A tool that never meets the cue is killed after a minute (a hang).
inline SignalledRun RunAndSignal(const test_support::TempFolder &folder,
                                 const std::string &arguments, const Cue &cue, int signal) {
  // The shell says the tool's process id first, then becomes the tool.
  SignalledRun run;
  const std::string command = "AUDIOPLAYER_SINK=fake AUDIOPLAYER_LIBRARY='" +
                              folder.File("library.db") +
                              "' timeout -s KILL 60 sh -c 'echo $$; exec \"$0\" \"$@\"' '" +
                              AUDIOPLAY_TOOL "' " + arguments + " 2>&1";
  FILE *pipe = ::popen(command.c_str(), "r");
  if (!pipe)
    return run;
  char line[4096];
  const long tool = std::fgets(line, sizeof line, pipe) ? std::atol(line) : 0;
  std::chrono::steady_clock::time_point signalled;
  auto signalOnCue = [&] {
    if (!run.signalled && tool > 0 && cue(run.output)) {
      signalled = std::chrono::steady_clock::now();
      run.signalled = ::kill(pid_t(tool), signal) == 0;
    }
  };
  signalOnCue();
  while (std::fgets(line, sizeof line, pipe)) {
    run.output += line;
    signalOnCue();
  }
  if (run.signalled)
    run.secondsToExit =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
  const int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// The samples of a WAV file's data chunk.
inline std::string WavData(const std::string &path) {
  const std::string bytes = test_support::ReadFile(path);
  const auto data = bytes.find("data", 12);
  if (data == std::string::npos || data + 8 > bytes.size())
    return {};
  std::uint32_t size = 0;
  for (int i = 3; i >= 0; --i)
    size = size << 8 | static_cast<unsigned char>(bytes[data + 4 + i]);
  return bytes.substr(data + 8, size);
}

// The little-endian 16-bit sample at `at`.
inline int Sample16(const char *at) {
  return std::int16_t(std::uint16_t(std::uint8_t(at[0]) | std::uint8_t(at[1]) << 8));
}

// A WAV file's sample format: 1 (integers) or 3 (floats), and bits per sample.
struct WavFormat {
  int tag = 0, bits = 0;
  bool operator==(const WavFormat &) const = default;
};

inline WavFormat WavFormatOf(const std::string &bytes) {
  const auto format = bytes.find("fmt ");
  if (format == std::string::npos || format + 24 > bytes.size())
    return {};
  return {std::uint8_t(bytes[format + 8]), std::uint8_t(bytes[format + 22])};
}

// The left channel of a WAV file, integers of 16 to 32 bits or floats, as
// numbers in [-1, 1].
inline std::vector<double> LeftChannel(const std::string &path) {
  const std::string bytes = test_support::ReadFile(path);
  const WavFormat format = WavFormatOf(bytes);
  const auto channelsAt = bytes.find("fmt ") + 10;
  if (format.bits % 8 != 0 || format.bits < 16 || format.bits > 32 || channelsAt >= bytes.size())
    return {};
  const std::string data = WavData(path);
  const std::size_t width = std::size_t(format.bits) / 8,
                    frame = width * std::size_t(std::uint8_t(bytes[channelsAt]));
  std::vector<double> left(frame ? data.size() / frame : 0);
  for (std::size_t i = 0; i < left.size(); ++i) {
    const char *at = data.data() + i * frame;
    if (format.tag == 3) {
      float value;
      std::memcpy(&value, at, 4);
      left[i] = value;
    } else {
      std::uint32_t word = 0; // the sample in the word's top bits, so that its sign is the word's
      for (std::size_t b = 0; b < width; ++b)
        word |= std::uint32_t(std::uint8_t(at[b])) << (8 * (4 - width + b));
      left[i] = std::int32_t(word) / 2147483648.0;
    }
  }
  return left;
}

} // namespace tool_run
