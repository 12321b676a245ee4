// The Windows build's part of the hosting windows (host_window.h): the
// host object is a full OLE container, and the classes belong to the module
// that holds this code.
#include <windows.h>

#include "control_host.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

WindowHost *NewWindowHost() {
  return NewCountedHost<ControlHost>();
}

void FillHostClass(WNDCLASSEXW &info) {
  info.hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
  info.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
}
