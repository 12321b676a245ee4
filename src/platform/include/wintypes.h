// Basic Windows scalar and handle types, with the widths Windows gives them.
// Text is UTF-16 on both platforms, so WCHAR/OLECHAR are char16_t here.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
// The platform functions a host calls (the message pump, DestroyWindow, the
// code page conversions): the library exports these and no other.
#define PLATFORM_HOST_API __attribute__((visibility("default")))
#define CALLBACK
#define STDMETHODCALLTYPE
#define STDAPI extern "C" HRESULT
#define STDMETHOD(name) virtual HRESULT STDMETHODCALLTYPE name
#define STDMETHOD_(type, name) virtual type STDMETHODCALLTYPE name
#define interface struct

typedef std::int32_t HRESULT;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef std::uint32_t DWORD;
typedef std::uint16_t WORD;
typedef std::uint8_t BYTE;
typedef std::int16_t SHORT;
typedef std::uint16_t USHORT;
typedef int BOOL;
typedef unsigned int UINT;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef ULONG_PTR DWORD_PTR;

// The halves of a 32-bit message parameter (a size: width low, height high).
#define LOWORD(value) (static_cast<WORD>(static_cast<DWORD_PTR>(value) & 0xFFFF))
#define HIWORD(value) (static_cast<WORD>((static_cast<DWORD_PTR>(value) >> 16) & 0xFFFF))
typedef ULONG_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef DWORD LCID;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef BYTE *LPBYTE;
typedef DWORD *LPDWORD;

typedef char16_t WCHAR;
typedef WCHAR OLECHAR;
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;
typedef OLECHAR *LPOLESTR;
typedef const OLECHAR *LPCOLESTR;
typedef char CHAR;
typedef CHAR *LPSTR;
typedef const CHAR *LPCSTR;
typedef BOOL *LPBOOL;
typedef int INT;

#define OLESTR(text) u##text
// Guarded: GLib defines the same two names with the same values.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define DECLARE_HANDLE(name)                                                                       \
  struct name##__ {                                                                                \
    int unused;                                                                                    \
  };                                                                                               \
  typedef struct name##__ *name
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HKEY);
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;

typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT, *LPRECT;

typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT;
