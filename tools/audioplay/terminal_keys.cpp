#include "terminal_keys.h"

#include <poll.h>
#include <unistd.h>

namespace {

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
  if (::tcgetattr(STDIN_FILENO, &saved_) != 0)
    return;
  termios raw = saved_;
  raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  active_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
}

KeyReader::~KeyReader() {
  if (active_)
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
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
