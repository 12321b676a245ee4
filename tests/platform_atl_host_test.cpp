// ATL's control hosting: the hosting classes and messages, a window's host
// object and control, control creation by class id, and the control's
// release when its window goes.
#include "scripted/scripted_control.h"

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

class AtlHost : public ::testing::Test {
protected:
  void TearDown() override {
    if (IsWindow(window))
      DestroyWindow(window);
    EXPECT_EQ(scripted::liveObjects(), 0u) << scripted::leakReport();
    EXPECT_EQ(scripted::outstandingReferences(), 0) << scripted::leakReport();
  }

  scripted::Control control;
  HWND window = nullptr;
};

TEST_F(AtlHost, RegistersTheHostingClassesAndMessages) {
  // From scratch: no hosting window is left by another test, so both
  // classes can be dropped and registered again.
  UnregisterClassW(u"AtlAxWin120", nullptr);
  UnregisterClassW(u"AtlAxWinLic120", nullptr);
  WNDCLASSEXW info{};
  ASSERT_FALSE(GetClassInfoExW(nullptr, u"AtlAxWin120", &info));
  ASSERT_TRUE(AtlAxWinInit());
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), u"AtlAxWin120", &info));
  EXPECT_NE(info.lpfnWndProc, nullptr);
  EXPECT_EQ(info.style & CS_DBLCLKS, 0u); // the player adds double clicks itself
  WNDCLASSEXW licensed{};
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), u"AtlAxWinLic120", &licensed));
  EXPECT_TRUE(AtlAxWinInit()); // again: nothing changes
  WNDCLASSEXW again{};
  EXPECT_EQ(GetClassInfoExW(nullptr, u"AtlAxWin120", &again),
            GetClassInfoExW(nullptr, u"AtlAxWin120", &info));

  // The messages are registered ones: the names give the same ids back, and
  // the window answers them with its host and its control.
  const UINT getHost = RegisterWindowMessageW(u"WM_ATLGETHOST");
  const UINT getControl = RegisterWindowMessageW(u"WM_ATLGETCONTROL");
  EXPECT_GE(getHost, 0xC000u);
  EXPECT_GE(getControl, 0xC000u);
  EXPECT_NE(getHost, getControl);

  window = MakeHostWindow();
  ASSERT_NE(window, nullptr);
  char16_t name[32] = {};
  GetClassNameW(window, name, 32);
  EXPECT_EQ(std::u16string(name), kHostClass);
  auto *sentHost = reinterpret_cast<IUnknown *>(SendMessageW(window, getHost, 0, 0));
  ASSERT_NE(sentHost, nullptr);
  IUnknown *host = nullptr;
  ASSERT_EQ(AtlAxGetHost(window, &host), S_OK);
  EXPECT_EQ(host, sentHost);
  EXPECT_EQ(SendMessageW(window, getControl, 0, 0), 0); // no control yet
  IUnknown *noControl = reinterpret_cast<IUnknown *>(1);
  EXPECT_EQ(AtlAxGetControl(window, &noControl), E_FAIL);
  EXPECT_EQ(noControl, nullptr);
  // Each answer is a counted reference.
  EXPECT_EQ(sentHost->Release(), 2u);
  EXPECT_EQ(host->Release(), 1u);

  // A licensed hosting window hosts as well.
  HWND licensedWindow = CreateWindowExW(0, u"AtlAxWinLic120", nullptr, 0, 0, 0, 0, 0, nullptr,
                                        nullptr, nullptr, nullptr);
  ASSERT_NE(licensedWindow, nullptr);
  IAxWinHostWindow *licensedHost = HostOf(licensedWindow);
  EXPECT_NE(licensedHost, nullptr);
  if (licensedHost)
    licensedHost->Release();
  DestroyWindow(licensedWindow);
}

TEST_F(AtlHost, CreatesTheControlByClassIdAndQueriesIt) {
  ASSERT_TRUE(AtlAxWinInit());
  window = MakeHostWindow();
  ASSERT_NE(window, nullptr);
  IAxWinHostWindow *host = HostOf(window);
  ASSERT_NE(host, nullptr);

  // Names that are no class id create nothing.
  EXPECT_EQ(host->CreateControl(OLESTR("not a class id"), window, nullptr), CO_E_CLASSSTRING);
  EXPECT_EQ(host->CreateControl(OLESTR("{6BF52A52-394A-11d3-B153}"), window, nullptr),
            CO_E_CLASSSTRING);
  EXPECT_EQ(host->CreateControl(nullptr, window, nullptr), E_POINTER);
  EXPECT_EQ(host->CreateControl(OLESTR("{00000000-1111-2222-3333-444444444444}"), window, nullptr),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(control.instancesCreated(), 0u);
  IUnknown *none = nullptr;
  EXPECT_EQ(AtlAxGetControl(window, &none), E_FAIL);

  // Only the host's own window hosts.
  HWND other = MakeHostWindow();
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(host->CreateControl(kPlayerClassId, other, nullptr), E_INVALIDARG);
  DestroyWindow(other);

  // The control's own refusal comes back as it is.
  control.failCreate(E_OUTOFMEMORY);
  EXPECT_EQ(host->CreateControl(kPlayerClassId, window, nullptr), E_OUTOFMEMORY);
  control.clearScript();

  ASSERT_EQ(host->CreateControl(kPlayerClassId, window, nullptr), S_OK);
  EXPECT_EQ(control.instancesCreated(), 1u);
  IUnknown *hosted = nullptr;
  ASSERT_EQ(AtlAxGetControl(window, &hosted), S_OK);
  IWMPPlayer4 *player = nullptr;
  EXPECT_EQ(hosted->QueryInterface(__uuidof(IWMPPlayer4), reinterpret_cast<void **>(&player)),
            S_OK);
  IWMPPlayer4 *queried = nullptr;
  EXPECT_EQ(host->QueryControl(__uuidof(IWMPPlayer4), reinterpret_cast<void **>(&queried)), S_OK);
  EXPECT_EQ(queried, player);
  // A bad name leaves the hosted control in place.
  EXPECT_EQ(host->CreateControl(OLESTR("bad"), window, nullptr), CO_E_CLASSSTRING);
  IUnknown *still = nullptr;
  EXPECT_EQ(AtlAxGetControl(window, &still), S_OK);
  EXPECT_EQ(still, hosted);
  still->Release();
  queried->Release();
  player->Release();
  hosted->Release();
  host->Release();
}

TEST_F(AtlHost, TheWindowsDestructionReleasesTheControl) {
  ASSERT_TRUE(AtlAxWinInit());
  window = MakeHostWindow();
  ASSERT_NE(window, nullptr);
  IAxWinHostWindow *host = HostOf(window);
  ASSERT_NE(host, nullptr);
  ASSERT_EQ(host->CreateControl(kPlayerClassId, window, nullptr), S_OK);
  // A second control replaces the first, which the host lets go.
  ASSERT_EQ(host->CreateControl(kPlayerClassId, nullptr, nullptr), S_OK);
  EXPECT_EQ(control.instancesCreated(), 2u);
  EXPECT_EQ(scripted::liveObjects(), 1u) << scripted::leakReport();
  EXPECT_EQ(scripted::outstandingReferences(), 1);

  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(scripted::liveObjects(), 0u) << scripted::leakReport();
  // A host still held after its window went hosts nothing more.
  EXPECT_EQ(host->CreateControl(kPlayerClassId, nullptr, nullptr), E_UNEXPECTED);
  void *object = reinterpret_cast<void *>(1);
  EXPECT_EQ(host->QueryControl(__uuidof(IUnknown), &object), E_FAIL);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(control.instancesCreated(), 2u);
  EXPECT_EQ(host->Release(), 0u);

  // Windows that host nothing, or are not windows, have no host.
  IUnknown *unknown = reinterpret_cast<IUnknown *>(1);
  EXPECT_EQ(AtlAxGetHost(window, &unknown), E_FAIL);
  EXPECT_EQ(unknown, nullptr);
  EXPECT_EQ(AtlAxGetHost(window, nullptr), E_POINTER);
}

} // namespace
