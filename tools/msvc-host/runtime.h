// What the Microsoft-ABI test host has instead of a C and C++ runtime: it is
// linked with no Microsoft library at all, so it brings its own entry
// point, heap, memory functions and console output.
#pragma once

#include <cstdint>

// The host's checks; the entry point exits with what it returns.
int HostMain();

void Print(const char *text);
void PrintHex(std::uint32_t value); // 0x%08X
void PrintDecimal(long value);

// Placement new: no <new> without a C++ library.
inline void *operator new(decltype(sizeof 0), void *place) noexcept {
  return place;
}
