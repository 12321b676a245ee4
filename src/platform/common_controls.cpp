// Common controls: nothing here draws, so there is nothing to initialise.
#include <commctrl.h>

extern "C" void WINAPI InitCommonControls() {}
