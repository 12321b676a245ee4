// Creating and destroying a player: its hosting window's styles and
// placement, and one hosting window per library.
#include "support/ole_text.h"
#include "support/proxied_player.h"

#include <atlhost.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using test_support::Text;

std::u16string ClassName(HWND window) {
  OLECHAR name[64] = {};
  GetClassNameW(window, name, 64);
  return test_support::U16(name);
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

class PlayerCreation : public ProxiedPlayer {
protected:
  long Create(HWND parent, RECT *rect, DWORD style, DWORD exStyle,
              const unsigned short *name = nullptr) {
    long status = 1;
    player = CAudioPlayer::InitInstance(status, nullptr, parent, rect, name, style, exStyle,
                                        &test_support::RecordNotification, kCookie);
    window = player ? player->GetPlayWindow() : nullptr;
    return status;
  }

  // A visible top-level window at 0,0 to be the player's parent.
  HWND MakeParent() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = OLESTR("PlayerCreationParent");
    RegisterClassExW(&wc); // kept across tests: it may exist already
    return CreateWindowExW(0, OLESTR("PlayerCreationParent"), nullptr, WS_POPUP | WS_VISIBLE, 0, 0,
                           640, 480, nullptr, nullptr, nullptr, nullptr);
  }
};

TEST_F(PlayerCreation, WindowStylesAndPlacement) {
  const DWORD popup = 0x80880000; // WS_POPUP | WS_BORDER | WS_SYSMENU
  const DWORD clientEdge = 0x200; // WS_EX_CLIENTEDGE
  const DWORD toolWindow = 0x80;  // WS_EX_TOOLWINDOW
  const DWORD child = WS_CHILD | WS_VISIBLE;
  struct Case {
    const char *what;
    bool withParent;
    std::optional<RECT> rect;
    DWORD style, exStyle;
    DWORD wantStyle, wantExStyle;
    RECT wantRect;
    bool visible;
  };
  const RECT none{0, 0, 0, 0};
  // clang-format off
  const std::vector<Case> cases = {
      {"popup, defaults", false, RECT{10, 20, 330, 260}, 0, 0, popup, clientEdge,
       {10, 20, 330, 260}, false},
      {"popup, null rectangle", false, std::nullopt, 0, 0, popup, clientEdge, none, false},
      {"popup, own style", false, RECT{1, 2, 3, 4}, WS_POPUP | WS_VISIBLE, 0,
       WS_POPUP | WS_VISIBLE, clientEdge, {1, 2, 3, 4}, true},
      {"popup, own extended style", false, RECT{0, 0, 50, 60}, 0, toolWindow, popup, toolWindow,
       {0, 0, 50, 60}, false},
      {"child, both given", true, RECT{5, 6, 105, 56}, child, clientEdge, child, clientEdge,
       {5, 6, 105, 56}, true},
      {"child, hidden", true, RECT{5, 6, 105, 56}, WS_CHILD, 0, WS_CHILD, 0, {5, 6, 105, 56},
       false},
      {"with parent, both 0 passed as they are", true, std::nullopt, 0, 0, 0, 0, none, false},
  };
  // clang-format on
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    HWND parent = MakeParent(); // each round's sweep takes it down
    ASSERT_NE(parent, nullptr);
    RECT rect = c.rect.value_or(RECT{});
    auto name = Text(u"Player window");
    ASSERT_EQ(Create(c.withParent ? parent : nullptr, c.rect ? &rect : nullptr, c.style, c.exStyle,
                     name.c_str()),
              S_OK);
    ASSERT_NE(window, nullptr);
    DWORD wantStyle = c.wantStyle;
    EXPECT_EQ(DWORD(GetWindowLongW(window, GWL_STYLE)), wantStyle);
    EXPECT_EQ(DWORD(GetWindowLongW(window, GWL_EXSTYLE)), c.wantExStyle);
    RECT placed{};
    ASSERT_TRUE(GetWindowRect(window, &placed));
    EXPECT_EQ(placed.left, c.wantRect.left);
    EXPECT_EQ(placed.top, c.wantRect.top);
    EXPECT_EQ(placed.right, c.wantRect.right);
    EXPECT_EQ(placed.bottom, c.wantRect.bottom);
    EXPECT_EQ(IsWindowVisible(window) != FALSE, c.visible);
    if ((wantStyle & (WS_CHILD | WS_POPUP)) != 0) {
      EXPECT_EQ(GetParent(window), c.withParent ? parent : nullptr);
    }
    EXPECT_EQ(ClassName(window), u"AtlAxWin120");
    // The window hosts the control the player drives.
    IUnknown *hosted = nullptr;
    EXPECT_EQ(AtlAxGetControl(window, &hosted), S_OK);
    if (hosted)
      hosted->Release();
    DestroyPlayer();
    EXPECT_EQ(control_proxy::LiveProxies(), 0);
  }
}

TEST_F(PlayerCreation, TheHostingClassGetsDoubleClicks) {
  // Registered afresh, the class has no double clicks until a player asks.
  UnregisterClassW(OLESTR("AtlAxWin120"), nullptr);
  AtlAxWinInit();
  WNDCLASSEXW info{};
  ASSERT_TRUE(GetClassInfoExW(nullptr, OLESTR("AtlAxWin120"), &info));
  ASSERT_EQ(info.style & CS_DBLCLKS, 0u);
  ASSERT_EQ(CreatePlayer(), S_OK);
  ASSERT_TRUE(GetClassInfoExW(nullptr, OLESTR("AtlAxWin120"), &info));
  EXPECT_EQ(info.style & CS_DBLCLKS, UINT(CS_DBLCLKS));
  EXPECT_EQ(ClassName(window), u"AtlAxWin120");
}

TEST_F(PlayerCreation, ANewPlayerDestroysTheOldWindowAndTeardownHides) {
  RECT rect{0, 0, 100, 100};
  ASSERT_EQ(Create(nullptr, &rect, WS_POPUP | WS_VISIBLE, 0), S_OK);
  HWND first = window;
  ASSERT_TRUE(IsWindowVisible(first));

  long status = 1;
  CAudioPlayer *second = CAudioPlayer::InitInstance(status, nullptr, nullptr, &rect, nullptr,
                                                    WS_POPUP | WS_VISIBLE, 0, nullptr, 0);
  ASSERT_EQ(status, S_OK);
  ASSERT_NE(second, nullptr);
  HWND secondWindow = second->GetPlayWindow();
  EXPECT_NE(secondWindow, first);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(player->GetPlayWindow(), first); // the player still names its old window
  EXPECT_EQ(control.Count("IClassFactory.CreateInstance"), 2u);

  // Destroying the first player hides the latest window, which is the
  // second's; destroying the second leaves its window, hidden.
  CAudioPlayer::DestroyInstance(player);
  player = nullptr;
  EXPECT_TRUE(IsWindow(secondWindow));
  EXPECT_FALSE(IsWindowVisible(secondWindow));
  ShowWindow(secondWindow, SW_SHOW);
  CAudioPlayer::DestroyInstance(second);
  EXPECT_TRUE(IsWindow(secondWindow));
  EXPECT_FALSE(IsWindowVisible(secondWindow));
  // The control stays in the hidden window until the window goes.
  EXPECT_GT(control_proxy::LiveProxies(), 0);
  EXPECT_TRUE(control.Sinks().empty());

  // A third player takes the hidden window down.
  ASSERT_EQ(CreatePlayer(), S_OK);
  EXPECT_FALSE(IsWindow(secondWindow));
  CAudioPlayer::DestroyInstance(player);
  player = nullptr;
  EXPECT_FALSE(IsWindowVisible(window));
  DestroyPlayer();
  EXPECT_EQ(control_proxy::LiveProxies(), 0);
}

} // namespace
