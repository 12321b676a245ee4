// The player's life: construction, creation of its window and control,
// and teardown.
#include <atlcom.h>
#include <atlhost.h>

#include <new>

#include "events/wmp_event_dispatch.h"
#include "player/library_module.h"
#include "player/library_rights.h"
#include "player/wmp9_audio_player.h"
#include "player/text.h"

namespace {

// The hosting window most recently created by any player; the next creation
// destroys it.
HWND libraryHostWindow = nullptr;

const OLECHAR kHostWindowClass[] = OLESTR("AtlAxWin120");
const DWORD kPopupStyle = WS_POPUP | WS_BORDER | WS_SYSMENU;

// The hosting window must pass double clicks on to the control.
void EnableDoubleClicks(HINSTANCE module) {
  WNDCLASSEXW info = {};
  info.cbSize = sizeof info;
  GetClassInfoExW(module, kHostWindowClass, &info);
  info.style |= CS_DBLCLKS;
  info.lpszClassName = kHostWindowClass;
  UnregisterClassW(kHostWindowClass, module);
  RegisterClassExW(&info);
}

// A getter that succeeds without an object fails the step that needs it.
// The holder is taken by reference: it is read only after the getter ran.
template <class T> HRESULT Require(HRESULT status, const CComPtr<T> &object) {
  if (FAILED(status))
    return status;
  return object ? status : E_FAIL;
}

} // namespace

CWMP9AudioPlayer::CWMP9AudioPlayer() : notifyRecord(new (std::nothrow) NotifyRecord()) {
  InitializeCriticalSection(&infoLock);
}

long CWMP9AudioPlayer::CreatePlayer(HWND parent, HINSTANCE /*instance*/, RECT *rect,
                                    const unsigned short *windowName, DWORD style, DWORD exStyle,
                                    AudioNotifyProc callback, long cookie) {
  cdromPlaylistActive = 0;
  HRESULT status = CreateControl(parent, rect, windowName, style, exStyle);
  if (FAILED(status))
    return status;

  EnsureLibraryRights();
  status = player->put_enableContextMenu(VARIANT_FALSE);
  if (FAILED(status))
    return status;

  ATL::CComObject<CWMPEventDispatch> *sinkObject = nullptr;
  status = ATL::CComObject<CWMPEventDispatch>::CreateInstance(&sinkObject);
  if (FAILED(status))
    return status;
  sinkObject->SetPlayer(this);
  CComPtr<IWMPEvents> sink(sinkObject);

  CComPtr<IConnectionPointContainer> container;
  status = Require(player.QueryInterface(&container), container);
  if (FAILED(status))
    return status;

  status = Require(player->get_controls(&controls), controls);
  if (FAILED(status))
    return status;
  status = Require(player->get_settings(&settings), settings);
  if (FAILED(status))
    return status;
  status = settings->put_autoStart(VARIANT_FALSE);
  if (FAILED(status))
    return status;
  settings->put_enableErrorDialogs(VARIANT_TRUE);

  status = Require(player->get_mediaCollection(&mediaCollection), mediaCollection);
  if (FAILED(status))
    return status;
  status = Require(player->get_playlistCollection(&playlistCollection), playlistCollection);
  if (FAILED(status))
    return status;
  status = Require(player->get_cdromCollection(&cdromCollection), cdromCollection);
  if (FAILED(status))
    return status;

  status = ConnectEvents(container, sink);
  if (FAILED(status))
    return status;
  // The control reads this as a plain non-zero flag, not VARIANT_TRUE.
  status = player->put_stretchToFit(VARIANT_BOOL(1));
  if (FAILED(status))
    return status;

  notifyCallback = callback;
  notifyCookie = cookie;
  created = 1;
  return S_OK; // the control's connection point now holds the only sink reference
}

// The hosting window and the control in it, up to the player object.
HRESULT CWMP9AudioPlayer::CreateControl(HWND parent, RECT *rect, const unsigned short *windowName,
                                        DWORD style, DWORD exStyle) {
  HINSTANCE module = libraryModule.GetModuleInstance();
  AtlAxWinInit();
  EnableDoubleClicks(module);
  adviseCookie = 0;

  int x = 0, y = 0, width = 0, height = 0;
  if (rect != nullptr) {
    x = rect->left;
    y = rect->top;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
  }
  if (parent == nullptr) {
    if (style == 0)
      style = kPopupStyle;
    if (exStyle == 0)
      exStyle = WS_EX_CLIENTEDGE;
  }

  HWND previous = libraryHostWindow;
  libraryHostWindow = nullptr;
  if (previous != nullptr && IsWindow(previous))
    DestroyWindow(previous);

  hostWindow = CreateWindowExW(exStyle, kHostWindowClass, AsOleText(windowName), style, x, y, width,
                               height, parent, nullptr, module, nullptr);
  libraryHostWindow = hostWindow;
  if (hostWindow == nullptr)
    return E_FAIL;

  CComPtr<IUnknown> hostObject;
  HRESULT status = Require(AtlAxGetHost(hostWindow, &hostObject), hostObject);
  if (FAILED(status))
    return status;
  CComPtr<IAxWinHostWindow> host;
  status = Require(hostObject.QueryInterface(&host), host);
  if (FAILED(status))
    return status;

  try {
    CComBSTR classId(OLESTR("{6BF52A52-394A-11d3-B153-00C04F79FAA6}"));
    if (!classId)
      return E_FAIL;
    status = host->CreateControl(classId, hostWindow, nullptr);
  } catch (...) {
    return E_FAIL; // a control that throws must not take the host down
  }
  if (FAILED(status))
    return status;

  CComPtr<IUnknown> control;
  status = Require(AtlAxGetControl(hostWindow, &control), control);
  if (FAILED(status))
    return status;
  return Require(control.QueryInterface(&player), player);
}

// Prefers the control's own event interface; falls back to its dispatch
// face, which reaches the sink through Invoke.
HRESULT CWMP9AudioPlayer::ConnectEvents(IConnectionPointContainer *container, IUnknown *sink) {
  HRESULT status = container->FindConnectionPoint(__uuidof(IWMPEvents), &eventConnectionPoint);
  if (FAILED(status) || !eventConnectionPoint) {
    eventConnectionPoint.Release();
    status = container->FindConnectionPoint(__uuidof(_WMPOCXEvents), &eventConnectionPoint);
    if (FAILED(status))
      return status;
  }
  status = Require(status, eventConnectionPoint);
  if (FAILED(status))
    return status;
  return eventConnectionPoint->Advise(sink, &adviseCookie);
}

CWMP9AudioPlayer::~CWMP9AudioPlayer() {
  if (eventConnectionPoint) {
    // Unadvising drops the control's reference to the sink, which ends it.
    if (adviseCookie != 0)
      eventConnectionPoint->Unadvise(adviseCookie);
    eventConnectionPoint.Release();
  }
  savedPlaylist.Release();
  if (player) {
    player->close();
    player.Release();
  }
  DeleteCriticalSection(&infoLock);
  notifyRecord.reset();
  // The window stays until the next player's creation destroys it.
  if (libraryHostWindow != nullptr && IsWindow(libraryHostWindow))
    ShowWindow(libraryHostWindow, SW_HIDE);
  cdromCollection.Release();
  playlistCollection.Release();
  mediaCollection.Release();
  settings.Release();
  controls.Release();
}

HWND CWMP9AudioPlayer::GetPlayWindow() {
  return hostWindow;
}

WMPVersion CWMP9AudioPlayer::GetCurrentPlayerVer() {
  return WV_WMP9;
}
