// Helpers for the back-end operation tests, on top of PlayerTest: a player
// that stopped one step short of being created and the control's own
// objects as a second client sees them.
#pragma once

#include "one_call_answer.h"
#include "player/wmp9_audio_player.h"
#include "player_test_support.h"
#include "scripted/scripted_control.h"

#include <atlbase.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

// The player with its protected creation step in reach.
struct BackEndPlayer : CWMP9AudioPlayer {
  using CWMP9AudioPlayer::CreatePlayer;
};

// Creates `player` as a popup of its own, as InitInstance would.
inline long CreateBackEnd(BackEndPlayer &player, AudioNotifyProc callback, long cookie) {
  RECT rect{0, 0, 320, 240};
  return player.CreatePlayer(nullptr, nullptr, &rect, nullptr, 0, 0, callback, cookie);
}

// A player whose creation failed at its very last control call: it holds
// every interface of the control but is not created, so any call it made to
// the control would be recorded. The script and the record are cleared.
inline std::unique_ptr<BackEndPlayer> NearlyCreatedPlayer(scripted::Control &control,
                                                          AudioNotifyProc callback) {
  control.fail("IWMPPlayer4.put_stretchToFit", kRefused);
  auto player = std::make_unique<BackEndPlayer>();
  EXPECT_EQ(CreateBackEnd(*player, callback, 1), kRefused);
  control.clearScript();
  control.clearCalls();
  return player;
}

// A second client of the control, for the objects a test hands to the
// player or compares with what it reports.
inline CComPtr<IWMPPlayer4> PeerPlayer() {
  CComPtr<IWMPPlayer4> peer;
  EXPECT_EQ(CoCreateInstance(CLSID_WindowsMediaPlayer, nullptr, CLSCTX_INPROC_SERVER,
                             __uuidof(IWMPPlayer4), reinterpret_cast<void **>(&peer)),
            S_OK);
  return peer;
}

// Item `index` of the current playlist, as the control hands it out.
inline CComPtr<IWMPMedia> CurrentPlaylistItem(long index) {
  CComPtr<IWMPPlayer4> peer = PeerPlayer();
  CComPtr<IWMPPlaylist> playlist;
  CComPtr<IWMPMedia> media;
  if (peer && SUCCEEDED(peer->get_currentPlaylist(&playlist)) && playlist) {
    EXPECT_EQ(playlist->get_Item(index, &media), S_OK);
  }
  return media;
}

// What the host heard since the last call, taken out of `log`.
inline std::vector<Notification> TakeReceived(NotificationLog &log) {
  std::vector<Notification> heard;
  heard.swap(log.received);
  return heard;
}

} // namespace test_support
