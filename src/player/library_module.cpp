// What the library does when it is loaded into and unloaded from a process.
#include "player/library_module.h"

#include <commctrl.h>
#include <windows.h>

ATL::CComModule libraryModule;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    // The loading thread becomes a single-threaded apartment; the player's
    // window and its control live on it.
    CoInitialize(nullptr);
    InitCommonControls();
    libraryModule.Init(nullptr, instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    libraryModule.Term();
    CoUninitialize();
  }
  return TRUE; // never refuse the load
}
