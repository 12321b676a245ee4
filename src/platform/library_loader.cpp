// Calls the library's DllMain as the Windows loader would: on load and on
// unload. Constructors run in link order, so DllMain may run before the
// dynamic initialisers of later files; what it touches must be
// constant-initialised or built on first use.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

__attribute__((constructor)) void library_attach() {
  DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) void library_detach() {
  DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_DETACH, nullptr);
}

} // namespace
