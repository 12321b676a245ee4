#include "host_waker.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0; // the signal's number
volatile std::sig_atomic_t answered = 0;
// How long the host's thread has to take an interrupt before the process
// ends without it.
constexpr suseconds_t kAnswerMicroseconds = 500'000;
int signalPipe[2] = {-1, -1}; // written by the handlers, read by the waker
// What a byte on the pipe asks for.
constexpr char kInterruptByte = 1;
constexpr char kRedrawByte = 2;

void Tell(char byte) {
  if (signalPipe[1] >= 0) [[maybe_unused]]
    const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void OnSignal(int number) {
  const int saved = errno;
  switch (number) {
  case SIGINT:
  case SIGTERM:
    if (!interrupted) {
      const itimerval once{{0, 0}, {0, kAnswerMicroseconds}};
      ::setitimer(ITIMER_REAL, &once, nullptr);
    }
    if (!interrupted)
      interrupted = number;
    Tell(kInterruptByte);
    break;
  case SIGALRM:
    // The host's thread is inside a long call to the player (a playlist
    // expanding over a slow network, attributes of many files): the user
    // asked to stop, so stop now. The library keeps its files whole at any
    // moment the process ends.
    if (!answered) {
      KeyReader::GiveBack();
      ::_exit(128 + interrupted);
    }
    break;
  case SIGTSTP:
    KeyReader::Suspend(); // returns once continued
    Tell(kRedrawByte);
    break;
  case SIGCONT:
    KeyReader::Resume();
    Tell(kRedrawByte);
    break;
  default: // SIGWINCH
    Tell(kRedrawByte);
    break;
  }
  errno = saved;
}

// Reads what the handlers wrote: whether an interrupt and whether a redraw
// was asked for.
void Drain(int fd, bool &interrupt, bool &redraw) {
  char bytes[64];
  for (ssize_t got; (got = ::read(fd, bytes, sizeof bytes)) > 0;)
    for (ssize_t i = 0; i < got; ++i) {
      interrupt = interrupt || bytes[i] == kInterruptByte;
      redraw = redraw || bytes[i] == kRedrawByte;
    }
}

} // namespace

void InstallSignalHandlers() {
  if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
    signalPipe[0] = signalPipe[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESTART;
  for (int number : {SIGINT, SIGTERM, SIGALRM, SIGTSTP, SIGCONT, SIGWINCH})
    sigaction(number, &action, nullptr);
}

bool Interrupted() {
  return interrupted != 0;
}

int InterruptStatus() {
  return 128 + interrupted;
}

void InterruptAnswered() {
  answered = 1;
  const itimerval off{};
  ::setitimer(ITIMER_REAL, &off, nullptr);
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
      bool interrupt = false, redraw = false;
      Drain(signalPipe[0], interrupt, redraw);
      if (interrupt)
        PostMessageW(window_, kInterruptMessage, 0, 0);
      if (redraw)
        PostMessageW(window_, kRedrawMessage, 0, 0);
    }
    if (watched[2].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      keys_ = nullptr; // the terminal went away
    } else if (watched[2].revents & POLLIN) {
      for (int key = keys_->Read(); key != kNoKey; key = keys_->Read())
        PostMessageW(window_, kKeyMessage, WPARAM(key), 0);
    }
  }
}
