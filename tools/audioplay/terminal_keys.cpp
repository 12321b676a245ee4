#include "terminal_keys.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>

namespace {

// The terminal's modes, as found and as the reader sets them; `active`
// while a reader lives. Signal handlers read them.
termios savedMode{};
termios rawMode{};
volatile std::sig_atomic_t active = 0;

int ReadByte() {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  unsigned char byte = 0;
  if (::poll(&input, 1, 0) != 1 || ::read(STDIN_FILENO, &byte, 1) != 1)
    return kNoKey;
  return byte;
}

} // namespace

bool KeyReader::Interactive() {
  return ::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO);
}

KeyReader::KeyReader() {
  if (::tcgetattr(STDIN_FILENO, &savedMode) != 0)
    return;
  rawMode = savedMode;
  rawMode.c_lflag &= ~tcflag_t(ICANON | ECHO);
  rawMode.c_cc[VMIN] = 0;
  rawMode.c_cc[VTIME] = 0;
  active = ::tcsetattr(STDIN_FILENO, TCSANOW, &rawMode) == 0;
}

KeyReader::~KeyReader() {
  GiveBack();
}

void KeyReader::Suspend() {
  if (active)
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedMode);
  ::kill(::getpid(), SIGSTOP); // what Ctrl-Z would have done; SIGCONT goes on from here
  Resume();
}

void KeyReader::GiveBack() {
  if (active)
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedMode);
  active = 0;
}

void KeyReader::Resume() {
  if (active && ::tcgetpgrp(STDIN_FILENO) == ::getpgrp())
    ::tcsetattr(STDIN_FILENO, TCSANOW, &rawMode);
}

int KeyReader::Read() {
  const int key = ReadByte();
  if (key != 0x1B)
    return key;
  // The arrows arrive as ESC [ C and ESC [ D.
  if (ReadByte() != '[')
    return kNoKey;
  switch (ReadByte()) {
  case 'C':
    return kKeyRight;
  case 'D':
    return kKeyLeft;
  default:
    return kNoKey;
  }
}
