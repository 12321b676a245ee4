// A TCP port on the loopback that takes connections and never answers:
// they wait in its backlog, so an HTTP client waits until its own bound.
// Counts the connections it was offered, for tests that say how many
// fetches were tried.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace test_support {

class SilentListener {
public:
  SilentListener() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
        ::listen(fd_, 16) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr *>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
  }
  ~SilentListener() { Close(); }
  // Stops listening: the port refuses connections from now on.
  void Close() {
    if (fd_ >= 0)
      ::close(fd_);
    fd_ = -1;
  }
  SilentListener(const SilentListener &) = delete;
  SilentListener &operator=(const SilentListener &) = delete;

  bool Listening() const { return port_ != 0; }
  std::string Url(const std::string &path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
  }
  // True once a connection waits to be taken, within `milliseconds`.
  bool Offered(int milliseconds) const {
    pollfd pending{fd_, POLLIN, 0};
    return ::poll(&pending, 1, milliseconds) == 1;
  }
  // The connections offered since the last count.
  int Connections() {
    ::fcntl(fd_, F_SETFL, O_NONBLOCK);
    int count = 0;
    for (int connection; (connection = ::accept(fd_, nullptr, nullptr)) >= 0; ++count)
      ::close(connection);
    return count;
  }

private:
  int fd_;
  int port_ = 0;
};

} // namespace test_support
