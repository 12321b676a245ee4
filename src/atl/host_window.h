// The "AtlAxWin120" windows, the same in both builds: each window owns one
// host object from its creation to its destruction and answers the
// registered messages that hand out its host and its control. A build
// supplies the host object and the module that owns the classes:
// src/winhost (a full OLE container, for controls that draw) on Windows,
// src/atl/site_host.cpp (a host that names its window to the control) on
// Linux.
#pragma once

#include <atlcom.h>
#include <atlhost.h>
#include <windows.h>

// What the hosting window asks of its host object.
struct WindowHost : public IAxWinHostWindow {
  // Once after the window's creation, with the window; at its destruction,
  // Close, after which the host hosts nothing more.
  virtual void Bind(HWND window) = 0;
  virtual void Resize(int width, int height) = 0;
  virtual void Close() = 0;
  // The hosted control, not counted; null when none.
  virtual IUnknown *Control() const = 0;
};

// The build's part: a new host object with one reference (null when out of
// memory), and the class fields that depend on the build (hInstance, the
// cursor).
WindowHost *NewWindowHost();
void FillHostClass(WNDCLASSEXW &info);

// A new ATL object of class `Host` as a counted WindowHost.
template <class Host> WindowHost *NewCountedHost() {
  ATL::CComObject<Host> *host = nullptr;
  if (FAILED(ATL::CComObject<Host>::CreateInstance(&host)))
    return nullptr;
  host->AddRef();
  return host;
}
