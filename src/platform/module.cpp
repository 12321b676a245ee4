// The library's module handle: the address of an object inside the
// library, fixed for as long as it is loaded, as a Windows HMODULE is.
#include <windows.h>

#include "window_registry.h"

namespace {
HINSTANCE__ module_anchor{};
} // namespace

extern "C" HMODULE WINAPI GetModuleHandleW(LPCWSTR name) {
  if (name != nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return &module_anchor;
}
