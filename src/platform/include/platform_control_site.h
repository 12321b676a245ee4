// How a control learns its window on Linux, where a real control gets
// IOleClientSite from its host: right after the host creates or is given a
// control that answers this interface, it calls SetHostWindow(window) with
// the hosting window, to which the control may post its messages; before
// releasing the control it calls SetHostWindow(nullptr).
#pragma once

#include <windows.h>

interface IPlatformControlSite : public IUnknown {
  STDMETHOD(SetHostWindow)(HWND window) = 0;
};
// {39A6DE76-BFF5-4D92-8C4F-3555D037816E}
__CRT_UUID_DECL(IPlatformControlSite, 0x39a6de76, 0xbff5, 0x4d92, 0x8c, 0x4f, 0x35, 0x55, 0xd0,
                0x37, 0x81, 0x6e)
