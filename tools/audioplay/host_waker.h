// The host's thread sleeps in GetMessageW until the player posts to it or
// one of these arrives, each posted to the player's window by a thread of
// its own: a key pressed in the terminal, SIGINT or SIGTERM, the terminal
// resized or given back after Ctrl-Z, or a tick for the progress line.
// Nothing wakes the thread at a fixed small interval.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "terminal_keys.h"

// The waker's messages, found by GetMessageW with the player's window.
constexpr UINT kKeyMessage = WM_APP + 0x201;       // wParam: the key
constexpr UINT kInterruptMessage = WM_APP + 0x202; // SIGINT or SIGTERM
constexpr UINT kTickMessage = WM_APP + 0x203;      // `tick` passed
constexpr UINT kRedrawMessage = WM_APP + 0x205;    // the terminal was resized or given back

// Makes SIGINT and SIGTERM set Interrupted() and wake a running HostWaker;
// SIGWINCH and SIGCONT ask it to redraw; Ctrl-Z (SIGTSTP) gives the
// terminal back before the process stops (KeyReader::Suspend). An
// interrupt that the host's thread has not answered (InterruptAnswered)
// within half a second ends the process with its status (InterruptStatus),
// the terminal given back: the thread is inside a call to the player that
// may take seconds, and Ctrl-C must not wait for it.
void InstallSignalHandlers();
bool Interrupted();
// 128 and the signal's number, as shells report a process a signal ended:
// 130 for SIGINT, 143 for SIGTERM.
int InterruptStatus();
// The host's thread took the interrupt and ends the run in good order.
void InterruptAnswered();

class HostWaker {
public:
  // `keys` may be null: no keys are read.
  HostWaker(HWND window, std::chrono::milliseconds tick, KeyReader *keys);
  ~HostWaker(); // stops the thread and waits for it
  HostWaker(const HostWaker &) = delete;
  HostWaker &operator=(const HostWaker &) = delete;

private:
  void Run();

  HWND window_;
  std::chrono::milliseconds tick_;
  KeyReader *keys_;
  int stop_[2] = {-1, -1}; // a pipe: written to end the thread
  std::thread thread_;
};
