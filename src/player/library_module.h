// The library's module: its handle, and the ATL module initialised with it
// when the library is loaded.
#pragma once

#include <atlbase.h>

extern ATL::CComModule libraryModule;
