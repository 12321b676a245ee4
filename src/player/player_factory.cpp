// The factory and its counterpart: the only way a host gets a player.
#include <audioplayer.h>

#include <new>

#include "player/wmp9_audio_player.h"

CAudioPlayer *CAudioPlayer::InitInstance(long &status, HINSTANCE instance, HWND parent, RECT *rect,
                                         const unsigned short *windowName, DWORD style,
                                         DWORD exStyle, AudioNotifyProc callback, long cookie) {
  // Out of memory is reported as a null player with `status` untouched:
  // CreatePlayer never ran, so there is no status to give.
  CWMP9AudioPlayer *player = new (std::nothrow) CWMP9AudioPlayer();
  if (player == nullptr || !player->HasNotifyRecord()) {
    delete player;
    return nullptr;
  }
  // CreatePlayer takes the parent window before the module handle.
  CAudioPlayer *base = player;
  status = base->CreatePlayer(parent, instance, rect, windowName, style, exStyle, callback, cookie);
  if (status < 0) {
    DestroyInstance(player);
    return nullptr;
  }
  return player;
}

void CAudioPlayer::DestroyInstance(CAudioPlayer *player) {
  delete player;
}
