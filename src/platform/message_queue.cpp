// The per-thread message queues. Any thread may post (the media engine's
// threads do); only the owning thread takes messages out, so a control's
// events reach the host on the host's thread while it pumps.
#include <audioplayer_mainloop.h>
#include <windows.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

#include "window_registry.h"

namespace {

using platform::MessageQueue;
using platform::window_table;
using platform::WindowTable;

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(-1);

// Drops the thread's queue when the thread ends, so that posts to its
// windows fail instead of piling up where no one will take them.
struct QueueLease {
  enum State { kNone, kHeld, kGone };
  static thread_local State state;
  ~QueueLease() {
    state = kGone;
    WindowTable &table = window_table();
    std::lock_guard lock(table.mutex);
    table.queues.erase(GetCurrentThreadId());
  }
};
thread_local QueueLease::State QueueLease::state = QueueLease::kNone;

DWORD now_ms() {
  using namespace std::chrono;
  return static_cast<DWORD>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool matches(const MSG &msg, HWND window, UINT first, UINT last) {
  if (window == kThreadMessagesOnly) {
    if (msg.hwnd != nullptr)
      return false;
  } else if (window != nullptr && msg.hwnd != window) {
    return false;
  }
  return (first == 0 && last == 0) || (msg.message >= first && msg.message <= last);
}

// Takes (or, without PM_REMOVE, copies) the first matching posted message;
// WM_QUIT comes once nothing else matches, whatever the filter.
bool take(MessageQueue &queue, MSG *msg, HWND window, UINT first, UINT last, UINT remove) {
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!matches(*it, window, first, last))
      continue;
    *msg = *it;
    if (remove & PM_REMOVE)
      queue.posted.erase(it);
    return true;
  }
  if (!queue.quit)
    return false;
  *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quit_code), 0, now_ms(), POINT{0, 0}};
  if (remove & PM_REMOVE)
    queue.quit = false;
  return true;
}

// take, keeping the descriptor in step with what is left.
bool take_synced(MessageQueue &queue, MSG *msg, HWND window, UINT first, UINT last, UINT remove) {
  const bool taken = take(queue, msg, window, first, last, remove);
  if (taken && (remove & PM_REMOVE))
    platform::sync_ready(queue);
  return taken;
}

// A filter names no window, the thread's own messages, or one live window.
bool valid_filter(WindowTable &table, HWND window) {
  return window == nullptr || window == kThreadMessagesOnly || table.windows.count(window) != 0;
}

} // namespace

namespace platform {

MessageQueue::~MessageQueue() {
  if (ready_fd >= 0)
    ::close(ready_fd);
}

void sync_ready(MessageQueue &queue) {
  const bool waiting = !queue.posted.empty() || queue.quit;
  if (queue.ready_fd < 0 || waiting == queue.ready_signalled)
    return;
  std::uint64_t count = 1;
  // Nonblocking: the counter is 0 or 1 here, so neither call can block.
  const ssize_t done = waiting ? ::write(queue.ready_fd, &count, sizeof count)
                               : ::read(queue.ready_fd, &count, sizeof count);
  if (done == ssize_t(sizeof count))
    queue.ready_signalled = waiting;
}

MessageQueue &current_queue(WindowTable &table) {
  DWORD thread = GetCurrentThreadId();
  auto found = table.queues.find(thread);
  if (found != table.queues.end())
    return *found->second;
  // Touching the lease registers its destructor for this thread; a thread
  // already past that (in its own exit) just keeps the queue.
  if (QueueLease::state == QueueLease::kNone) {
    thread_local QueueLease lease;
    QueueLease::state = QueueLease::kHeld;
  }
  auto &queue = table.queues[thread];
  queue = std::make_shared<MessageQueue>();
  return *queue;
}

void forget_window_messages(WindowTable &table, HWND window, DWORD thread) {
  auto found = table.queues.find(thread);
  if (found == table.queues.end())
    return;
  std::erase_if(found->second->posted, [&](const MSG &msg) { return msg.hwnd == window; });
  sync_ready(*found->second);
  found->second->arrived.notify_all();
}

} // namespace platform

extern "C" {

BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  MessageQueue *queue;
  if (window == nullptr) {
    queue = &platform::current_queue(table); // a thread message to the caller's own queue
  } else {
    auto target = table.windows.find(window);
    if (target == table.windows.end()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    auto found = table.queues.find(target->second.thread);
    if (found == table.queues.end()) {
      SetLastError(ERROR_INVALID_THREAD_ID); // the owning thread has ended
      return FALSE;
    }
    queue = found->second.get();
  }
  queue->posted.push_back(MSG{window, message, wParam, lParam, now_ms(), POINT{0, 0}});
  platform::sync_ready(*queue);
  queue->arrived.notify_all();
  return TRUE;
}

void WINAPI PostQuitMessage(int exitCode) {
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  MessageQueue &queue = platform::current_queue(table);
  queue.quit = true;
  queue.quit_code = exitCode;
  platform::sync_ready(queue);
  queue.arrived.notify_all();
}

BOOL WINAPI PeekMessageW(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  if (!valid_filter(table, window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return take_synced(platform::current_queue(table), msg, window, first, last, remove);
}

// 0 for WM_QUIT, -1 when the window filtered for is not (or no longer) a window.
BOOL WINAPI GetMessageW(LPMSG msg, HWND window, UINT first, UINT last) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  WindowTable &table = window_table();
  std::unique_lock lock(table.mutex);
  MessageQueue &queue = platform::current_queue(table); // lives as long as this thread
  for (;;) {
    if (!valid_filter(table, window)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return -1;
    }
    if (take_synced(queue, msg, window, first, last, PM_REMOVE))
      return msg->message == WM_QUIT ? 0 : 1;
    queue.arrived.wait(lock);
  }
}

int AudioPlayerMessageFd() {
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  MessageQueue &queue = platform::current_queue(table);
  if (queue.ready_fd < 0) {
    queue.ready_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    queue.ready_signalled = false;
    platform::sync_ready(queue); // what already waits makes it readable at once
  }
  return queue.ready_fd;
}

// Keyboard messages are never posted here, so there is nothing to translate.
BOOL WINAPI TranslateMessage(const MSG * /*msg*/) {
  return TRUE;
}

} // extern "C"
