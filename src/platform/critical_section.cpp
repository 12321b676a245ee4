// CRITICAL_SECTION over std::recursive_mutex, built in place in the
// structure's storage so that callers can keep sections by value.
#include <windows.h>

#include <mutex>
#include <new>

namespace {

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::opaque));
static_assert(alignof(std::recursive_mutex) <= alignof(CRITICAL_SECTION));

std::recursive_mutex &lock_of(LPCRITICAL_SECTION section) {
  return *std::launder(reinterpret_cast<std::recursive_mutex *>(section->opaque));
}

} // namespace

extern "C" {

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) {
  new (section->opaque) std::recursive_mutex();
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) {
  lock_of(section).lock();
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) {
  lock_of(section).unlock();
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) {
  lock_of(section).~recursive_mutex();
}

} // extern "C"
