// The message queue as a Linux host drives it (the functions the library
// exports for that): one queue per thread with posts from any thread,
// WM_QUIT after what was posted, and the descriptor a main loop waits on.
// Windows themselves (classes, parents, visibility) are judged through the
// player's own window, by the back end's creation and display tests.
#include <audioplayer_mainloop.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <windows.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the test window procedure saw: "<label> <message>" lines.
struct MessageLog {
  std::map<HWND, std::string> labels;
  std::vector<std::string> lines;
  std::vector<DWORD> dispatchThreads; // the thread each WM_APP ran on
};
MessageLog *logged = nullptr;

std::string Label(HWND window) {
  auto found = logged->labels.find(window);
  return found == logged->labels.end() ? "?" : found->second;
}

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (logged == nullptr)
    return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
  case WM_APP:
    logged->dispatchThreads.push_back(GetCurrentThreadId());
    logged->lines.push_back(Label(window) + " WM_APP " + std::to_string(lParam));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const char16_t kClass[] = u"PlatformWindowTestClass";

class PlatformWindow : public ::testing::Test {
protected:
  void SetUp() override {
    logged = &log;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    atom = RegisterClassExW(&wc);
    ASSERT_NE(atom, 0);
  }
  void TearDown() override {
    for (HWND window : made)
      if (IsWindow(window))
        DestroyWindow(window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_TRUE(UnregisterClassW(kClass, GetModuleHandleW(nullptr)));
    logged = nullptr;
  }

  HWND Make(const std::string &label, DWORD style, HWND parent = nullptr,
            RECT at = {1, 2, 31, 42}) {
    HWND window = CreateWindowExW(0, kClass, u"name", style, at.left, at.top, at.right - at.left,
                                  at.bottom - at.top, parent, nullptr, nullptr, nullptr);
    if (window != nullptr) {
      log.labels[window] = label;
      made.push_back(window);
    }
    return window;
  }

  MessageLog log;
  ATOM atom = 0;
  std::vector<HWND> made;
};

TEST_F(PlatformWindow, PostsFromAnyThreadReachTheOwnerThread) {
  HWND window = Make("window", WS_POPUP);
  ASSERT_NE(window, nullptr);
  const DWORD owner = GetCurrentThreadId();

  // Another thread posts; its own thread message stays in its own queue.
  bool otherSawOwnThreadMessage = false;
  std::thread([&] {
    EXPECT_TRUE(PostMessageW(window, WM_APP, 0, 1));
    EXPECT_TRUE(PostMessageW(window, WM_USER, 0, 2));
    EXPECT_TRUE(PostMessageW(nullptr, WM_USER + 5, 0, 3));
    MSG msg;
    otherSawOwnThreadMessage = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) &&
                               msg.hwnd == nullptr && msg.message == WM_USER + 5;
  }).join();
  EXPECT_TRUE(otherSawOwnThreadMessage);

  MSG msg{};
  // Without PM_REMOVE the message stays; the range filter skips WM_APP.
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, UINT(WM_APP));
  ASSERT_TRUE(PeekMessageW(&msg, window, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER));
  EXPECT_EQ(msg.lParam, 2);
  EXPECT_FALSE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)); // thread only
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.hwnd, window);
  EXPECT_EQ(msg.message, UINT(WM_APP));
  EXPECT_EQ(msg.lParam, 1);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)); // the other thread's stayed there

  // GetMessageW waits for a post that comes later from another thread, and
  // DispatchMessageW runs the procedure on the pumping thread.
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessageW(window, WM_APP, 0, 4);
  });
  ASSERT_EQ(GetMessageW(&msg, window, 0, 0), 1);
  late.join();
  log.lines.clear();
  DispatchMessageW(&msg);
  EXPECT_EQ(log.lines, std::vector<std::string>{"window WM_APP 4"});
  EXPECT_EQ(log.dispatchThreads, std::vector<DWORD>{owner});

  // Posts to a destroyed window fail, and what was posted to it is dropped.
  EXPECT_TRUE(PostMessageW(window, WM_APP, 0, 5));
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  SetLastError(0);
  EXPECT_FALSE(PostMessageW(window, WM_APP, 0, 6));
  EXPECT_EQ(GetLastError(), 1400u); // ERROR_INVALID_WINDOW_HANDLE
  EXPECT_EQ(GetMessageW(&msg, window, 0, 0), -1);

  // A window whose thread has ended can no longer be posted to.
  HWND orphan = nullptr;
  std::thread([&] { orphan = Make("orphan", WS_POPUP); }).join();
  ASSERT_NE(orphan, nullptr);
  EXPECT_FALSE(PostMessageW(orphan, WM_APP, 0, 7));
}

TEST_F(PlatformWindow, QuitComesAfterWhatWasPosted) {
  HWND window = Make("window", WS_POPUP);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_APP, 0, 1);
  PostQuitMessage(7);
  PostMessageW(nullptr, WM_USER, 0, 2);
  MSG msg{};
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.message, UINT(WM_APP));
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.message, UINT(WM_USER));
  // WM_QUIT passes any filter, and comes once.
  ASSERT_TRUE(PeekMessageW(&msg, window, WM_APP, WM_APP, PM_NOREMOVE));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, WPARAM(7));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(DispatchMessageW(&msg), 0); // a thread message has no procedure
}

TEST_F(PlatformWindow, TheMessageDescriptorIsReadableWhileAMessageWaits) {
  const int fd = AudioPlayerMessageFd();
  ASSERT_GE(fd, 0);
  EXPECT_EQ(AudioPlayerMessageFd(), fd) << "one per thread";
  auto readable = [fd](int milliseconds = 0) {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, milliseconds) == 1 && (watched.revents & POLLIN);
  };
  HWND window = Make("window", WS_POPUP);
  ASSERT_NE(window, nullptr);
  MSG msg{};
  EXPECT_FALSE(readable());
  PostMessageW(window, WM_APP, 0, 1);
  PostMessageW(window, WM_APP, 0, 2);
  EXPECT_TRUE(readable());
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_TRUE(readable()) << "a look takes nothing";
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_TRUE(readable()) << "one still waits";
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  EXPECT_FALSE(readable());

  // A post from another thread wakes a poll that sleeps on it.
  std::thread poster([&] { PostMessageW(window, WM_APP, 0, 3); });
  EXPECT_TRUE(readable(60000));
  poster.join();
  // What was posted to a window that is destroyed goes with it.
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(readable());

  PostQuitMessage(0);
  EXPECT_TRUE(readable()) << "WM_QUIT waits too";
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
  EXPECT_FALSE(readable());

  // Another thread has its own, which this thread's posts do not touch.
  int other = -1;
  std::thread([&] { other = AudioPlayerMessageFd(); }).join();
  EXPECT_NE(other, fd);
}

} // namespace
