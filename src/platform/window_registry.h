// The process-wide window state shared by the window and message-queue code:
// window classes, the atom table, windows and one queue per thread, all
// behind one mutex. No window procedure is ever called with it held.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

// The Windows error codes these functions leave for GetLastError.
#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif
#ifndef ERROR_INVALID_WINDOW_HANDLE
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#endif
#ifndef ERROR_CANNOT_FIND_WND_CLASS
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#endif
#ifndef ERROR_CLASS_ALREADY_EXISTS
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#endif
#ifndef ERROR_CLASS_DOES_NOT_EXIST
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#endif
#ifndef ERROR_CLASS_HAS_WINDOWS
#define ERROR_CLASS_HAS_WINDOWS 1412L
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif
#ifndef ERROR_INVALID_THREAD_ID
#define ERROR_INVALID_THREAD_ID 1444L
#endif

namespace platform {

struct WindowClass {
  WNDCLASSEXW info;
  std::u16string name; // as registered; the key is its case-folded form
  ATOM atom;
};

struct Window {
  std::u16string class_key;
  std::u16string class_name;
  WNDPROC procedure;
  HINSTANCE instance;
  HMENU menu;
  HWND parent;
  DWORD thread;
  DWORD style;
  DWORD ex_style;
  RECT placement;
  std::u16string text;
  LONG_PTR user_data = 0;
  bool destroying = false; // DestroyWindow has begun; it is still a window
};

struct MessageQueue {
  std::deque<MSG> posted;
  bool quit = false; // PostQuitMessage was called; WM_QUIT comes when nothing else matches
  int quit_code = 0;
  std::condition_variable arrived; // waited on with WindowTable::mutex
  // An eventfd made on request (AudioPlayerMessageFd): readable exactly
  // while something waits, kept so by every change made under the mutex.
  int ready_fd = -1;
  bool ready_signalled = false;
  MessageQueue() = default;
  MessageQueue(const MessageQueue &) = delete;
  MessageQueue &operator=(const MessageQueue &) = delete;
  ~MessageQueue();
};

struct WindowTable {
  std::mutex mutex;
  std::unordered_map<std::u16string, ATOM> atoms; // case-folded name -> atom
  ATOM next_atom = 0xC000;
  std::unordered_map<std::u16string, WindowClass> classes; // by case-folded name
  std::unordered_map<HWND, Window> windows;
  std::uint64_t windows_created = 0; // handles come from it, so none is reused
  std::unordered_map<DWORD, std::shared_ptr<MessageQueue>> queues; // by thread id
};

// Never destroyed, so that windows still work from the library's unload hook.
WindowTable &window_table();

// The calling thread's queue, created on first use; the caller holds the
// table's mutex.
MessageQueue &current_queue(WindowTable &table);
// Forgets what was posted to a destroyed window and wakes its thread, which
// may be waiting for that window's messages; the caller holds the mutex.
void forget_window_messages(WindowTable &table, HWND window, DWORD thread);
// Makes the queue's descriptor readable while something waits, and not
// otherwise; after every change to `posted` or `quit`, with the mutex held.
void sync_ready(MessageQueue &queue);

// A visible window of no size standing for a host's own (X11 window or
// Wayland surface), the parent a wrapper gives the player.
HWND host_window_stand_in();

// The window's screen side (platform_screen.h) follows it: shown or hidden
// with it, moved with it, gone with it. Called without the table's mutex.
void screen_visibility_changed(HWND window);
void screen_window_moved(HWND window);
void screen_window_destroyed(HWND window);

} // namespace platform
