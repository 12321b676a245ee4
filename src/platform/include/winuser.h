// Windows, window classes and the per-thread message queue.
// A window belongs to the thread that created it; messages posted to it are
// delivered when that thread pumps its queue with GetMessageW/PeekMessageW
// and DispatchMessageW, which is how a control raises its events on the
// host's thread.
#pragma once

#include "wintypes.h"

typedef LRESULT(CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef BOOL(CALLBACK *WNDENUMPROC)(HWND, LPARAM);

typedef struct tagWNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
  HICON hIconSm;
} WNDCLASSEXW;
typedef WORD ATOM;

typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG, *LPMSG;

typedef struct tagCREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
} CREATESTRUCTW;

// class styles
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_GLOBALCLASS 0x4000

// window styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_SYSMENU 0x00080000L
#define WS_EX_CLIENTEDGE 0x00000200L

// show commands
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

// messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SIZE 0x0005
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_TIMER 0x0113
#define WM_USER 0x0400
#define WM_APP 0x8000
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define GWLP_USERDATA (-21)

extern "C" {
ATOM WINAPI RegisterClassExW(const WNDCLASSEXW *wc);
BOOL WINAPI GetClassInfoExW(HINSTANCE instance, LPCWSTR className, WNDCLASSEXW *wc);
BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE instance);
HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
BOOL WINAPI IsWindow(HWND window);
BOOL WINAPI IsWindowVisible(HWND window);
BOOL WINAPI ShowWindow(HWND window, int command);
PLATFORM_HOST_API BOOL WINAPI DestroyWindow(HWND window);
// Places the window (a child: in its parent) and sizes it; WM_SIZE follows.
PLATFORM_HOST_API BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height,
                                         BOOL repaint);
HWND WINAPI GetParent(HWND window);
BOOL WINAPI GetWindowRect(HWND window, RECT *rect);
LONG WINAPI GetWindowLongW(HWND window, int index); // GWL_STYLE, GWL_EXSTYLE
LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index);
LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
int WINAPI GetWindowTextW(HWND window, LPWSTR text, int capacity);
int WINAPI GetClassNameW(HWND window, LPWSTR name, int capacity);
DWORD WINAPI GetWindowThreadProcessId(HWND window, DWORD *process);
LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
PLATFORM_HOST_API BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
PLATFORM_HOST_API void WINAPI PostQuitMessage(int exitCode);
PLATFORM_HOST_API BOOL WINAPI PeekMessageW(LPMSG msg, HWND window, UINT first, UINT last,
                                           UINT remove);
PLATFORM_HOST_API BOOL WINAPI GetMessageW(LPMSG msg, HWND window, UINT first, UINT last);
PLATFORM_HOST_API BOOL WINAPI TranslateMessage(const MSG *msg);
PLATFORM_HOST_API LRESULT WINAPI DispatchMessageW(const MSG *msg);
UINT WINAPI RegisterWindowMessageW(LPCWSTR name);
DWORD WINAPI GetCurrentThreadId();
// Calls `callback` for each top-level window of `thread` until it answers FALSE.
BOOL WINAPI EnumThreadWindows(DWORD thread, WNDENUMPROC callback, LPARAM data);
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD code);
}
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
