// The control's play and open states as the host sees them: the numbers the
// interface defines pass unchanged, any other value reads as 0.
#pragma once

#include <audioplayer.h>

constexpr long kLastOpenState = 21;

// 1..12 kept, anything else PS_Undefined.
inline PlayState PlayStateOf(long controlState) {
  return controlState >= PS_Stopped && controlState <= PS_Last ? PlayState(controlState)
                                                               : PS_Undefined;
}

// 1..21 kept, anything else 0.
inline long OpenStateOf(long controlState) {
  return controlState >= 1 && controlState <= kLastOpenState ? controlState : 0;
}
