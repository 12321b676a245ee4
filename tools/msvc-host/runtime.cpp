// The host's own runtime over kernel32: see runtime.h.
#include "runtime.h"

#include <windows.h>

// The compiler refers to these on its own: _fltused whenever floating point
// is used, memset and memcpy for large initialisations and copies.
extern "C" {
int _fltused = 0;

void *memset(void *target, int value, decltype(sizeof 0) size) {
  auto *bytes = static_cast<volatile unsigned char *>(target);
  for (decltype(size) at = 0; at < size; ++at)
    bytes[at] = static_cast<unsigned char>(value);
  return target;
}

void *memcpy(void *target, const void *source, decltype(sizeof 0) size) {
  auto *to = static_cast<volatile unsigned char *>(target);
  auto *from = static_cast<const unsigned char *>(source);
  for (decltype(size) at = 0; at < size; ++at)
    to[at] = from[at];
  return target;
}

void HostStart() {
  ExitProcess(static_cast<unsigned>(HostMain()));
}
} // extern "C"

void *operator new(decltype(sizeof 0) size) {
  return HeapAlloc(GetProcessHeap(), 0, size);
}
void operator delete(void *memory) noexcept {
  HeapFree(GetProcessHeap(), 0, memory);
}
void operator delete(void *memory, decltype(sizeof 0)) noexcept {
  HeapFree(GetProcessHeap(), 0, memory);
}

void Print(const char *text) {
  DWORD length = 0;
  while (text[length] != '\0')
    ++length;
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, length, &written, nullptr);
}

void PrintHex(std::uint32_t value) {
  char text[11] = "0x";
  for (int digit = 0; digit < 8; ++digit)
    text[2 + digit] = "0123456789ABCDEF"[(value >> (28 - 4 * digit)) & 0xF];
  text[10] = '\0';
  Print(text);
}

void PrintDecimal(long value) {
  char text[24];
  char *end = text + sizeof text - 1;
  *end = '\0';
  const bool negative = value < 0;
  unsigned long magnitude = negative ? 0UL - static_cast<unsigned long>(value) : value;
  do {
    *--end = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative)
    *--end = '-';
  Print(end);
}
