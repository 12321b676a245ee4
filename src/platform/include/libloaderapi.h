// Module handles and the loader's notifications to a library's DllMain.
#pragma once

#include "wintypes.h"

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1

// A null name gives this library's own handle; no other module is known.
extern "C" HMODULE WINAPI GetModuleHandleW(LPCWSTR name);
