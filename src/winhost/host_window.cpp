// The "AtlAxWin120" window class: each window owns one host object, kept
// in the window's extra bytes from its creation to its destruction, and
// answers the registered messages that hand out its host and its control.
#include <atlhost.h>
#include <windows.h>

#include <initializer_list>

#include "control_host.h"

// The module that holds this code: the classes belong to it.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

typedef ATL::CComObject<ControlHost> HostObject;

const int kHostSlot = 0; // window extra bytes: the window's HostObject*

UINT HostMessage() {
  static const UINT message = RegisterWindowMessageW(L"WM_ATLGETHOST");
  return message;
}

UINT ControlMessage() {
  static const UINT message = RegisterWindowMessageW(L"WM_ATLGETCONTROL");
  return message;
}

HostObject *HostOf(HWND window) {
  return reinterpret_cast<HostObject *>(GetWindowLongPtrW(window, kHostSlot));
}

// Hands out a counted reference as a message result.
LRESULT Counted(IUnknown *object) {
  if (object != nullptr)
    object->AddRef();
  return reinterpret_cast<LRESULT>(object);
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HostObject *host = HostOf(window);
  if (message == HostMessage())
    return Counted(host ? static_cast<IAxWinHostWindow *>(host) : nullptr);
  if (message == ControlMessage())
    return Counted(host ? host->Control() : nullptr);

  switch (message) {
  case WM_CREATE:
    if (FAILED(HostObject::CreateInstance(&host)))
      return -1; // no window without its host
    host->AddRef();
    host->Bind(window);
    SetWindowLongPtrW(window, kHostSlot, reinterpret_cast<LONG_PTR>(host));
    return 0;
  case WM_SIZE:
    if (host != nullptr)
      host->Resize(LOWORD(lParam), HIWORD(lParam));
    return 0;
  case WM_DESTROY:
    // The control goes before its window's children do.
    if (host != nullptr) {
      SetWindowLongPtrW(window, kHostSlot, 0);
      host->Close();
      host->Bind(nullptr);
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
  HINSTANCE module = reinterpret_cast<HINSTANCE>(&__ImageBase);
  for (LPCWSTR name : {L"AtlAxWin120", L"AtlAxWinLic120"}) {
    WNDCLASSEXW info = {};
    info.cbSize = sizeof info;
    if (GetClassInfoExW(module, name, &info))
      continue;
    info.style = CS_GLOBALCLASS; // usable by windows of any module
    info.lpfnWndProc = HostWindowProc;
    info.cbWndExtra = sizeof(HostObject *);
    info.hInstance = module;
    info.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    info.lpszClassName = name;
    if (!RegisterClassExW(&info))
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
