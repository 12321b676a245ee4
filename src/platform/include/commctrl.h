// Common controls: the player only needs them initialised.
#pragma once

#include "wintypes.h"

extern "C" void WINAPI InitCommonControls();
