// What a command prints on its standard output, for the tests that ask
// other programs (ffprobe, mutagen) what they read of a file.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace test_support {

// `exitCode`, if given, gets the command's exit status (-1 when it did not
// exit, or did not start).
inline std::string CommandOutput(const std::string &command, int *exitCode = nullptr) {
  std::string output;
  FILE *pipe = ::popen(command.c_str(), "r");
  if (!pipe)
    return output;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, got);
  const int status = ::pclose(pipe);
  if (exitCode != nullptr)
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

// A path as one word of a shell command.
inline std::string Quoted(const std::string &path) {
  return "'" + path + "'";
}

} // namespace test_support
