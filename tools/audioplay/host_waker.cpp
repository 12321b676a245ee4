#include "host_waker.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;
int signalPipe[2] = {-1, -1}; // written by the handler, read by the waker

void OnInterrupt(int) {
  interrupted = 1;
  if (signalPipe[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
  }
}

void Drain(int fd) {
  char bytes[64];
  while (::read(fd, bytes, sizeof bytes) > 0) {
  }
}

} // namespace

void InstallInterruptHandler() {
  if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
    signalPipe[0] = signalPipe[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() {
  return interrupted != 0;
}

HostWaker::HostWaker(HWND window, std::chrono::milliseconds tick, KeyReader *keys)
    : window_(window), tick_(tick), keys_(keys) {
  if (::pipe2(stop_, O_CLOEXEC | O_NONBLOCK) != 0)
    stop_[0] = stop_[1] = -1;
  thread_ = std::thread([this] { Run(); });
}

HostWaker::~HostWaker() {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(stop_[1], &byte, 1);
  thread_.join();
  ::close(stop_[0]);
  ::close(stop_[1]);
}

void HostWaker::Run() {
  if (Interrupted())
    PostMessageW(window_, kInterruptMessage, 0, 0);
  while (true) {
    pollfd watched[3] = {
        {stop_[0], POLLIN, 0}, {signalPipe[0], POLLIN, 0}, {keys_ ? STDIN_FILENO : -1, POLLIN, 0}};
    const int ready = ::poll(watched, 3, int(tick_.count()));
    if (ready < 0)
      continue; // a signal arrived on this thread; its byte is in the pipe
    if (watched[0].revents)
      return;
    if (ready == 0) {
      PostMessageW(window_, kTickMessage, 0, 0);
      continue;
    }
    if (watched[1].revents) {
      Drain(signalPipe[0]);
      PostMessageW(window_, kInterruptMessage, 0, 0);
    }
    if (watched[2].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      keys_ = nullptr; // the terminal went away
    } else if (watched[2].revents & POLLIN) {
      for (int key = keys_->Read(); key != kNoKey; key = keys_->Read())
        PostMessageW(window_, kKeyMessage, WPARAM(key), 0);
    }
  }
}
