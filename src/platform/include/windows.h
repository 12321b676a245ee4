// The Linux stand-in for <windows.h>: exactly the Windows interfaces that
// the player back end, the engine and the host programs use.
#pragma once

#include "com.h"
#include "libloaderapi.h"
#include "synchapi.h"
#include "winnls.h"
#include "winreg.h"
#include "wintypes.h"
#include "winuser.h"

#define MAX_PATH 260
