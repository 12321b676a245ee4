// CRITICAL_SECTION: a recursive lock, as on Windows.
#pragma once

#include "wintypes.h"

typedef struct _RTL_CRITICAL_SECTION {
  alignas(16) unsigned char opaque[64]; // holds a std::recursive_mutex
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

extern "C" {
void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);
}
