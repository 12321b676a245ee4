// The keys of an interactive session. While a KeyReader lives, the terminal
// delivers each key at once and without echo; it is put back as it was when
// the reader is destroyed, and while the process is stopped (Ctrl-Z):
// Suspend and Resume, which signal handlers may call, hand it over.
#pragma once

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

  // Async-signal-safe. Suspend gives the terminal back as it was and stops
  // the process; when the process continues, Resume takes it again if the
  // process is in the terminal's foreground (a process continued in the
  // background must not touch it). Both do nothing without a live reader.
  static void Suspend();
  static void Resume();
  // Async-signal-safe: gives the terminal back for good, for a process
  // that ends without its destructors.
  static void GiveBack();
};
