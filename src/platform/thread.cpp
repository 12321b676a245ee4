// Thread identity and the per-thread last error.
#include <windows.h>

#include <atomic>

namespace {

// Ids are handed out in order and never reused, unlike the kernel's, so a
// window's owner id can never come to mean a later thread.
std::atomic<DWORD> next_thread_id{1};
thread_local DWORD thread_id = 0;
thread_local DWORD last_error = 0;

} // namespace

extern "C" {

DWORD WINAPI GetCurrentThreadId() {
  if (thread_id == 0)
    thread_id = next_thread_id.fetch_add(1, std::memory_order_relaxed);
  return thread_id;
}

DWORD WINAPI GetLastError() {
  return last_error;
}

void WINAPI SetLastError(DWORD code) {
  last_error = code;
}

} // extern "C"
