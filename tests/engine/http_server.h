// The tests' local HTTP server (http_server.py), started in a mode of its
// own for each test and stopped with it.
#pragma once

#include <signal.h>

#include <cstdio>
#include <string>

namespace test_support {

class HttpServer {
public:
  explicit HttpServer(const std::string &mode, const std::string &folder = "") {
    const std::string command =
        "python3 '" HTTP_SERVER_SCRIPT "' " + mode + (folder.empty() ? "" : " '" + folder + "'");
    pipe_ = ::popen(command.c_str(), "r");
    if (pipe_ == nullptr || std::fscanf(pipe_, "%ld %ld", &port_, &pid_) != 2)
      port_ = 0;
  }
  ~HttpServer() {
    if (pid_ > 0)
      ::kill(pid_t(pid_), SIGTERM);
    if (pipe_ != nullptr)
      ::pclose(pipe_);
  }
  HttpServer(const HttpServer &) = delete;
  HttpServer &operator=(const HttpServer &) = delete;

  bool Running() const { return port_ > 0; }
  std::string Url(const std::string &path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
  }

private:
  FILE *pipe_ = nullptr;
  long port_ = 0, pid_ = 0;
};

} // namespace test_support
