// The keys of an interactive session. While a KeyReader lives, the terminal
// delivers each key at once and without echo; it is put back as it was when
// the reader is destroyed.
#pragma once

#include <termios.h>

enum Key { kNoKey = -1, kKeyLeft = 0x100, kKeyRight = 0x101 };

class KeyReader {
public:
  // True when standard input and output are both a terminal.
  static bool Interactive();

  KeyReader();
  ~KeyReader();
  KeyReader(const KeyReader &) = delete;
  KeyReader &operator=(const KeyReader &) = delete;

  // The next key pressed, or kNoKey when none is waiting; never blocks.
  int Read();

private:
  termios saved_{};
  bool active_ = false;
};
