// ProxiedPlayer: a fixture for tests of the player through its public
// interface over the embedded engine, with the recording, fault-injecting
// proxy between them. Each test gets its own library, registry and silent
// sink in a scratch folder; TearDown destroys the player and its window and
// checks that nothing of the proxy or the engine is left alive.
#pragma once

#include "engine/control/live_objects.h"
#include "support/control_proxy.h"
#include "support/temp_folder.h"

#include <atlbase.h>
#include <audioplayer.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

namespace test_support {

// One notification as the host's callback received it.
using Notification = std::tuple<long, long, long, long>; // cookie, code, first, second

// Collects what the callback receives; `reaction` may call into the player.
struct NotificationLog {
  std::vector<Notification> received;
  std::function<void(CallNotify code, long first, long second)> reaction;
};

inline NotificationLog *&CurrentLog() {
  static NotificationLog *log = nullptr;
  return log;
}

inline long CALLBACK RecordNotification(long cookie, CallNotify code, long first, long second) {
  if (NotificationLog *log = CurrentLog()) {
    log->received.emplace_back(cookie, long(code), first, second);
    if (log->reaction)
      log->reaction(code, first, second);
  }
  return 0;
}

// UTF-16 text for the interface's unsigned short strings.
inline std::basic_string<unsigned short> Text(const std::u16string &text) {
  return {text.begin(), text.end()};
}
inline std::basic_string<unsigned short> Text(const std::string &ascii) {
  return {ascii.begin(), ascii.end()};
}

// What the host heard since the last call, taken out of `log`.
inline std::vector<Notification> TakeReceived(NotificationLog &log) {
  std::vector<Notification> heard;
  heard.swap(log.received);
  return heard;
}

// A status no control call answers by itself.
constexpr HRESULT kRefused = HRESULT(0x8007001F);

// Points the library, the registry, the cache and the sink at `folder`.
inline void UseFolder(const TempFolder &folder) {
  setenv("AUDIOPLAYER_SINK", "fake", 1);
  setenv("AUDIOPLAYER_LIBRARY", folder.File("library.db").c_str(), 1);
  setenv("AUDIOPLAYER_REGISTRY", folder.File("registry").c_str(), 1);
  setenv("XDG_CACHE_HOME", folder.File("cache").c_str(), 1);
}

inline BOOL CALLBACK DestroyEnumeratedWindow(HWND window, LPARAM) {
  DestroyWindow(window);
  return TRUE;
}

} // namespace test_support

class ProxiedPlayer : public ::testing::Test {
protected:
  static constexpr long kCookie = 0x5eed;

  void SetUp() override {
    test_support::UseFolder(folder);
    test_support::CurrentLog() = &notifications;
  }

  void TearDown() override {
    DestroyPlayer();
    test_support::CurrentLog() = nullptr;
    EXPECT_EQ(control_proxy::LiveProxies(), 0);
    EXPECT_EQ(engine::LiveObjects(), 0);
  }

  // Creates the player as a popup of its own; returns InitInstance's status.
  long CreatePlayer() {
    long status = 1;
    RECT rect{0, 0, 320, 240};
    player = CAudioPlayer::InitInstance(status, nullptr, nullptr, &rect, nullptr, 0, 0,
                                        &test_support::RecordNotification, kCookie);
    if (player != nullptr)
      window = player->GetPlayWindow();
    return status;
  }

  // The player goes, and so does its window, which the library only hides
  // (the control in it lives until the next creation), or one a failed
  // creation left, so that nothing of the control is left alive.
  void DestroyPlayer() {
    CAudioPlayer::DestroyInstance(player);
    player = nullptr;
    window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &test_support::DestroyEnumeratedWindow, 0);
  }

  std::u16string Path(const std::string &name) const {
    const std::string path = folder.File(name);
    return {path.begin(), path.end()};
  }

  // Appends empty files of these names to the current playlist.
  void AppendFiles(std::initializer_list<const char *> names) {
    for (const char *name : names) {
      test_support::WriteFile(folder.File(name), "");
      ASSERT_EQ(player->AppendMusic(test_support::Text(Path(name)).c_str()), S_OK) << name;
    }
  }

  // The current playlist's item at `index`, from the engine itself.
  CComPtr<IWMPMedia> EngineItem(long index) {
    CComPtr<IWMPPlayer4> engine;
    engine.Attach(control.Engine());
    CComPtr<IWMPPlaylist> playlist;
    CComPtr<IWMPMedia> media;
    if (engine && SUCCEEDED(engine->get_currentPlaylist(&playlist)) && playlist)
      playlist->get_Item(index, &media);
    return media;
  }

  // Raises an event on the sinks connected through the proxy, on their
  // IWMPEvents face, as the control raises its events.
  void Raise(const std::function<void(IWMPEvents *)> &event) {
    for (IUnknown *sink : control.Sinks())
      if (CComPtr<IWMPEvents> events; SUCCEEDED(sink->QueryInterface(&events)) && events)
        event(events);
  }

  test_support::TempFolder folder;
  control_proxy::ControlProxy control;
  CAudioPlayer *player = nullptr;
  HWND window = nullptr;
  test_support::NotificationLog notifications;
};

// A ProxiedPlayer whose player is created, the calls of its creation forgotten.
class CreatedPlayer : public ProxiedPlayer {
protected:
  void SetUp() override {
    ProxiedPlayer::SetUp();
    ASSERT_EQ(CreatePlayer(), S_OK);
    control.ClearCalls();
  }
};
