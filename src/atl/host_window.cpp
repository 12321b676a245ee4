// The hosting windows of both builds (host_window.h). A window's host is
// found in a table, not in the window's own bytes, so that the window's
// user data stays its creator's.
#include "host_window.h"

#include <initializer_list>
#include <mutex>
#include <unordered_map>

namespace {

UINT HostMessage() {
  static const UINT message = RegisterWindowMessageW(OLESTR("WM_ATLGETHOST"));
  return message;
}

UINT ControlMessage() {
  static const UINT message = RegisterWindowMessageW(OLESTR("WM_ATLGETCONTROL"));
  return message;
}

// Never destroyed: windows may still be destroyed from the library's
// unload hook.
struct Hosts {
  std::mutex mutex;
  std::unordered_map<HWND, WindowHost *> byWindow; // each holds one reference
};

Hosts &AllHosts() {
  static Hosts *all = new Hosts();
  return *all;
}

// The window's host with a reference added, or null; `take` takes it out of
// the table instead, with the table's reference.
WindowHost *HostOf(HWND window, bool take = false) {
  Hosts &hosts = AllHosts();
  std::lock_guard lock(hosts.mutex);
  auto found = hosts.byWindow.find(window);
  if (found == hosts.byWindow.end())
    return nullptr;
  WindowHost *host = found->second;
  if (take)
    hosts.byWindow.erase(found);
  else
    host->AddRef();
  return host;
}

// Hands out a counted reference as a message result; drops the finder's.
LRESULT Counted(WindowHost *host, IUnknown *object) {
  if (object != nullptr)
    object->AddRef();
  if (host != nullptr)
    host->Release();
  return reinterpret_cast<LRESULT>(object);
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == HostMessage()) {
    WindowHost *host = HostOf(window);
    return Counted(host, static_cast<IAxWinHostWindow *>(host));
  }
  if (message == ControlMessage()) {
    WindowHost *host = HostOf(window);
    return Counted(host, host ? host->Control() : nullptr);
  }
  switch (message) {
  case WM_CREATE: {
    WindowHost *host = NewWindowHost();
    if (host == nullptr)
      return -1; // no window without its host
    host->Bind(window);
    Hosts &hosts = AllHosts();
    std::lock_guard lock(hosts.mutex);
    hosts.byWindow[window] = host;
    return 0;
  }
  case WM_SIZE:
    if (WindowHost *host = HostOf(window)) {
      host->Resize(LOWORD(lParam), HIWORD(lParam));
      host->Release();
    }
    return 0;
  case WM_DESTROY:
    // The control goes before its window's children do.
    if (WindowHost *host = HostOf(window, true)) {
      host->Close();
      host->Release();
    }
    return 0;
  default:
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

// Asks a window for a counted interface pointer with one of its messages.
HRESULT AskWindow(HWND window, UINT message, IUnknown **out) {
  if (out == nullptr)
    return E_POINTER;
  *out = reinterpret_cast<IUnknown *>(SendMessageW(window, message, 0, 0));
  return *out ? S_OK : E_FAIL;
}

} // namespace

namespace ATL {

BOOL AtlAxWinInit() {
  HostMessage();
  ControlMessage();
  for (LPCWSTR name : {OLESTR("AtlAxWin120"), OLESTR("AtlAxWinLic120")}) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    FillHostClass(info);
    WNDCLASSEXW existing = info;
    if (GetClassInfoExW(info.hInstance, name, &existing))
      continue;
    // Usable by windows of any module. Double clicks are left to the class's
    // user, which registers it again with CS_DBLCLKS when it wants them.
    info.style = CS_GLOBALCLASS;
    info.lpfnWndProc = HostWindowProc;
    info.lpszClassName = name;
    // Another thread may have registered it meanwhile; that is as good.
    if (!RegisterClassExW(&info) && !GetClassInfoExW(info.hInstance, name, &existing))
      return FALSE;
  }
  return TRUE;
}

HRESULT AtlAxGetHost(HWND window, IUnknown **host) {
  return AskWindow(window, HostMessage(), host);
}

HRESULT AtlAxGetControl(HWND window, IUnknown **control) {
  return AskWindow(window, ControlMessage(), control);
}

} // namespace ATL
