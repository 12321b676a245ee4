// What a command prints on its standard output, for the tests that ask
// other programs (ffprobe, mutagen) what they read of a file.
#pragma once

#include <cstdio>
#include <string>

namespace test_support {

inline std::string CommandOutput(const std::string &command) {
  std::string output;
  FILE *pipe = ::popen(command.c_str(), "r");
  if (!pipe)
    return output;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, got);
  ::pclose(pipe);
  return output;
}

// A path as one word of a shell command.
inline std::string Quoted(const std::string &path) {
  return "'" + path + "'";
}

} // namespace test_support
