// ATL's control hosting: a window's host object creates the control by class
// id and lets it go when its window goes.
#include "support/proxied_player.h"

#include <atlhost.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <wmp.h>

namespace {

const char16_t kHostClass[] = u"AtlAxWin120";
const OLECHAR kPlayerClassId[] = OLESTR("{6BF52A52-394A-11d3-B153-00C04F79FAA6}");

HWND MakeHostWindow() {
  return CreateWindowExW(0, kHostClass, nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

IAxWinHostWindow *HostOf(HWND window) {
  IUnknown *unknown = nullptr;
  if (FAILED(AtlAxGetHost(window, &unknown)) || unknown == nullptr)
    return nullptr;
  IAxWinHostWindow *host = nullptr;
  unknown->QueryInterface(__uuidof(IAxWinHostWindow), reinterpret_cast<void **>(&host));
  unknown->Release();
  return host;
}

class AtlHost : public ProxiedPlayer {
protected:
  void TearDown() override {
    if (IsWindow(window))
      DestroyWindow(window);
    ProxiedPlayer::TearDown();
  }
};

TEST_F(AtlHost, TheWindowsDestructionReleasesTheControl) {
  ASSERT_TRUE(AtlAxWinInit());
  window = MakeHostWindow();
  ASSERT_NE(window, nullptr);
  IAxWinHostWindow *host = HostOf(window);
  ASSERT_NE(host, nullptr);
  ASSERT_EQ(host->CreateControl(kPlayerClassId, window, nullptr), S_OK);
  // A second control replaces the first, which the host lets go.
  ASSERT_EQ(host->CreateControl(kPlayerClassId, nullptr, nullptr), S_OK);
  EXPECT_EQ(control.Count("IClassFactory.CreateInstance"), 2u);
  EXPECT_EQ(control_proxy::LiveProxies(), 1);

  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(control_proxy::LiveProxies(), 0);
  // A host still held after its window went hosts nothing more.
  EXPECT_EQ(host->CreateControl(kPlayerClassId, nullptr, nullptr), E_UNEXPECTED);
  void *object = reinterpret_cast<void *>(1);
  EXPECT_EQ(host->QueryControl(__uuidof(IUnknown), &object), E_FAIL);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(control.Count("IClassFactory.CreateInstance"), 2u);
  EXPECT_EQ(host->Release(), 0u);

  // Windows that host nothing, or are not windows, have no host.
  IUnknown *unknown = reinterpret_cast<IUnknown *>(1);
  EXPECT_EQ(AtlAxGetHost(window, &unknown), E_FAIL);
  EXPECT_EQ(unknown, nullptr);
  EXPECT_EQ(AtlAxGetHost(window, nullptr), E_POINTER);
}

} // namespace
