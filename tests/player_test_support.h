// PlayerTest: a fixture for back-end tests. Each test gets a scripted
// control, an empty registry of its own (a file on Linux; on Windows a
// scratch key that stands in for HKEY_CURRENT_USER in this process), and a
// player created through the public factory; TearDown destroys the player
// and checks that the control has nothing left alive.
#pragma once

#include "ole_text.h"
#include "scripted/scripted_control.h"

#include <audioplayer.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace test_support {

// One notification as the host's callback received it.
using Notification = std::tuple<long, long, long, long>; // cookie, code, first, second

// Collects what the callback receives; `reaction` may call into the player.
struct NotificationLog {
  std::vector<Notification> received;
  std::function<void(CallNotify code, long first, long second)> reaction;
};

inline NotificationLog *&currentLog() {
  static NotificationLog *log = nullptr;
  return log;
}

inline long CALLBACK RecordNotification(long cookie, CallNotify code, long first, long second) {
  if (NotificationLog *log = currentLog()) {
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

inline BOOL CALLBACK DestroyEnumeratedWindow(HWND window, LPARAM) {
  DestroyWindow(window);
  return TRUE;
}

} // namespace test_support

class PlayerTest : public ::testing::Test {
protected:
  static constexpr long kCookie = 0x5eed;

  void SetUp() override {
#ifdef _WIN32
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratchUserKey, 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &scratchUser,
                              nullptr),
              ERROR_SUCCESS);
    ForgetRegistry(); // whatever an interrupted run left
    // The library's own HKEY_CURRENT_USER reads and writes land here.
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratchUser), ERROR_SUCCESS);
#else
    char pattern[] = "/tmp/audioplayer-registry-XXXXXX";
    int fd = mkstemp(pattern);
    ASSERT_GE(fd, 0);
    close(fd);
    std::remove(pattern);
    registryPath = pattern;
    setenv("AUDIOPLAYER_REGISTRY", registryPath.c_str(), 1);
#endif
    test_support::currentLog() = &notifications;
  }

  void TearDown() override {
    DestroyPlayer();
    test_support::currentLog() = nullptr;
    ForgetRegistry();
#ifdef _WIN32
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(scratchUser);
    RegDeleteKeyW(HKEY_CURRENT_USER, kScratchUserKey);
#endif
    EXPECT_EQ(scripted::liveObjects(), 0u) << scripted::leakReport();
    EXPECT_EQ(scripted::outstandingReferences(), 0) << scripted::leakReport();
  }

  // Empties the test's registry.
  void ForgetRegistry() {
#ifdef _WIN32
    RegDeleteTreeW(scratchUser, nullptr);
#else
    std::remove(registryPath.c_str());
#endif
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

  // The player goes; its window, which the library only hides (the control
  // in it stays alive until the next player's creation), is destroyed too,
  // as is one left by a failed creation, so that each test ends with
  // nothing of the control alive.
  void DestroyPlayer() {
    CAudioPlayer::DestroyInstance(player);
    player = nullptr;
    window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &test_support::DestroyEnumeratedWindow, 0);
  }

  scripted::Control control;
  CAudioPlayer *player = nullptr;
  HWND window = nullptr;
  test_support::NotificationLog notifications;
#ifdef _WIN32
  static constexpr OLECHAR kScratchUserKey[] = OLESTR("Software\\audioplayer tests");
  HKEY scratchUser = nullptr;
#else
  std::string registryPath;
#endif
};
