// The few Windows SDK declarations the Microsoft-ABI test host needs, for a
// build with no Microsoft SDK: the types the public header names, declared
// as the SDK declares them (the decorated names depend on it), and the
// system functions the host calls, imported from import libraries made from
// kernel32.def.
#pragma once

typedef unsigned long DWORD;
typedef long LONG;
typedef int BOOL;
typedef void *HANDLE;
struct HWND__ {
  int unused;
};
typedef HWND__ *HWND;
struct HINSTANCE__ {
  int unused;
};
typedef HINSTANCE__ *HINSTANCE;
typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT;

#define CALLBACK __stdcall
#define WINAPI __stdcall
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define GENERIC_READ 0x80000000UL
#define OPEN_EXISTING 3
#define INVALID_HANDLE_VALUE ((HANDLE)(long long)-1)

extern "C" {
__declspec(dllimport) HANDLE WINAPI GetStdHandle(DWORD which);
__declspec(dllimport) BOOL WINAPI
    WriteFile(HANDLE file, const void *data, DWORD size, DWORD *written, void *overlapped);
__declspec(dllimport) __declspec(noreturn) void WINAPI ExitProcess(unsigned code);
__declspec(dllimport) HANDLE WINAPI GetProcessHeap();
__declspec(dllimport) void *WINAPI HeapAlloc(HANDLE heap, DWORD flags, decltype(sizeof 0) size);
__declspec(dllimport) BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, void *memory);
__declspec(dllimport) const wchar_t *WINAPI GetCommandLineW();
__declspec(dllimport) HINSTANCE WINAPI LoadLibraryW(const wchar_t *name);
__declspec(dllimport) void *WINAPI GetProcAddress(HINSTANCE module, const char *name);
__declspec(dllimport) HANDLE WINAPI
    CreateFileW(const wchar_t *name, DWORD access, DWORD share, void *security, DWORD disposition,
                DWORD flags, HANDLE templateFile);
__declspec(dllimport) BOOL WINAPI
    ReadFile(HANDLE file, void *data, DWORD size, DWORD *read, void *overlapped);
__declspec(dllimport) BOOL WINAPI CloseHandle(HANDLE handle);
__declspec(dllimport) BOOL WINAPI DeleteFileW(const wchar_t *name);
}
