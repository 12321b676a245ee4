// The Windows test host: drives the library through its public interface
// only, against the real media player control, and checks that creation
// ends exactly as the control's own answers say it must. With --stand-in,
// stand-in-control.dll (beside this program) stands in for the control, and
// a player plays a file, is heard in order and writes what it plays.
//
//   windows-host.exe [--stand-in]   prints what it checked; exit 0 when all held
#include <audioplayer.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "control_answers.h"

namespace {

int failures = 0;

void Check(bool held, const char *what) {
  std::printf("  [%s] %s\n", held ? " ok " : "FAIL", what);
  if (!held)
    ++failures;
}

unsigned long Hex(HRESULT status) {
  return static_cast<unsigned long>(status);
}

// What the host heard, as "code first second" lines.
std::string heard;

long CALLBACK Notified(long /*cookie*/, CallNotify code, long first, long second) {
  std::printf("  notification %d (%ld, %ld)\n", int(code), first, second);
  heard +=
      std::to_string(int(code)) + " " + std::to_string(first) + " " + std::to_string(second) + "\n";
  return 0;
}

// Lets the control handle what it posted to its windows.
void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// The host's own top-level window, parent of the player's window.
HWND CreateParentWindow() {
  WNDCLASSEXW info = {};
  info.cbSize = sizeof info;
  info.lpfnWndProc = DefWindowProcW;
  info.hInstance = GetModuleHandleW(nullptr);
  info.lpszClassName = L"AudioPlayerTestHost";
  RegisterClassExW(&info);
  return CreateWindowExW(0, info.lpszClassName, L"audioplayer test host", WS_OVERLAPPEDWINDOW, 0, 0,
                         320, 240, nullptr, nullptr, info.hInstance, nullptr);
}

CAudioPlayer *CreatePlayer(HWND parent, long &status) {
  RECT placement = {10, 10, 310, 210};
  status = 0x7EEEEEEE; // no status of the library's
  CAudioPlayer *player =
      CAudioPlayer::InitInstance(status, GetModuleHandleW(nullptr), parent, &placement,
                                 reinterpret_cast<const unsigned short *>(L"audioplayer"),
                                 WS_CHILD | WS_VISIBLE, 0, Notified, 0x1234);
  std::printf("  InitInstance: status 0x%08lX, player %s\n", static_cast<unsigned long>(status),
              player ? "returned" : "null");
  return player;
}

int CountHostingWindows(HWND parent) {
  int count = 0;
  for (HWND window = nullptr; (window = FindWindowExW(parent, window, L"AtlAxWin120", nullptr));)
    ++count;
  return count;
}

bool HasClass(HWND window, const wchar_t *expected) {
  wchar_t name[64] = {};
  return window != nullptr && GetClassNameW(window, name, 64) > 0 && lstrcmpW(name, expected) == 0;
}

const unsigned short *Text(const wchar_t *text) {
  return reinterpret_cast<const unsigned short *>(text);
}

// A player over the stand-in: it plays a file and is heard in order, and a
// record and a playlist file make the round trip.
void CheckStandIn() {
  using Start = DWORD (*)();
  using Stop = void (*)(DWORD);
  HMODULE library = LoadLibraryW(L"stand-in-control.dll");
  auto start = reinterpret_cast<Start>(
      reinterpret_cast<void *>(library ? GetProcAddress(library, "StandInControlStart") : nullptr));
  auto stop = reinterpret_cast<Stop>(
      reinterpret_cast<void *>(library ? GetProcAddress(library, "StandInControlStop") : nullptr));
  Check(start != nullptr && stop != nullptr, "stand-in-control.dll is loaded");
  if (start == nullptr || stop == nullptr)
    return;
  const DWORD registration = start();
  HWND parent = CreateParentWindow();
  long status = 0;
  CAudioPlayer *player = CreatePlayer(parent, status);
  Check(player != nullptr && status == S_OK, "a player is created over the stand-in");
  if (player != nullptr) {
    heard.clear();
    Check(player->PlaySingleFile(Text(L"C:\\media\\song.wav")) == S_OK, "PlaySingleFile");
    Check(player->Stop() == S_OK, "Stop");
    Check(heard == "2 13 0\n1 3 0\n1 1 0\n",
          "heard: opened, playing, stopped, each at index 0, in that order");

    tagMediaInfo written = {};
    written.dwMask = INFO_TITLE | INFO_AUTHOR;
    lstrcpyW(reinterpret_cast<wchar_t *>(written.szTitle), L"Song");
    lstrcpyW(reinterpret_cast<wchar_t *>(written.szAuthor), L"Artist");
    tagMediaInfo read = {};
    read.dwMask = INFO_TITLE | INFO_AUTHOR | INFO_DURATION;
    Check(player->SetCurPlaylistMusicInfo(0, &written) == S_OK &&
              player->GetCurPlaylistMusicInfo(0, &read) == S_OK &&
              lstrcmpW(reinterpret_cast<wchar_t *>(read.szTitle), L"Song") == 0 &&
              lstrcmpW(reinterpret_cast<wchar_t *>(read.szAuthor), L"Artist") == 0 &&
              read.dDuration == 12.5,
          "a record written reads back: title, author, and the control's duration");

    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring list = std::wstring(folder) + L"windows-host.m3u";
    Check(player->UpdateCurPlaylistToFile(Text(list.c_str())) == S_OK, "UpdateCurPlaylistToFile");
    std::ifstream file(list.c_str(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    Check(bytes == "#EXTM3U\r\n#EXTINF:\r\nC:\\media\\song.wav\r\n\r\n",
          "the playlist file holds the file played, as M3U");
    file.close();
    DeleteFileW(list.c_str());
  }
  CAudioPlayer::DestroyInstance(player);
  if (parent != nullptr)
    DestroyWindow(parent); // and with it the hosting window and the stand-in
  PumpMessages();
  stop(registration);
}

} // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0); // in order with the control's own messages
  // The library made this thread an apartment when it was loaded.
  CoInitialize(nullptr);

  if (std::wstring(GetCommandLineW()).find(L"--stand-in") != std::wstring::npos) {
    std::printf("The library over the stand-in control:\n");
    CheckStandIn();
    CoUninitialize();
    std::printf("windows-host: %s\n", failures == 0 ? "PASS" : "FAIL");
    return failures == 0 ? 0 : 1;
  }

  std::printf("The control's own answers, in the order the player asks:\n");
  ControlAnswers control;
  const HRESULT expected = control.Ask();
  const size_t refusal = control.FirstRefusal();
  const char *refused = nullptr;
  for (size_t index = 0; index < control.Answers().size(); ++index) {
    const ControlAnswer &answer = control.Answers()[index];
    std::printf("  %-44s 0x%08lX%s\n", answer.call, Hex(answer.status),
                !answer.counts     ? "  (does not stop the creation)"
                : index == refusal ? "  <- refused: the creation stops here"
                : index > refusal  ? "  (not reached by the creation)"
                                   : "");
    if (index == refusal)
      refused = answer.call;
  }
  if (refused != nullptr)
    std::printf("  -> creation must fail with 0x%08lX\n", Hex(expected));
  else
    std::printf("  -> the control accepts every call: creation must succeed\n");

  std::printf("The library:\n");
  HWND parent = CreateParentWindow();
  Check(parent != nullptr, "the test host's parent window exists");
  long status = 0;
  CAudioPlayer *player = CreatePlayer(parent, status);
  Check(status == expected, "InitInstance's status is the control's answer");
  Check((player != nullptr) == SUCCEEDED(expected), "a player is returned exactly on success");

  // The hosting window outlives a failed creation; a player names it.
  HWND hosting = FindWindowExW(parent, nullptr, L"AtlAxWin120", nullptr);
  Check(hosting != nullptr && IsWindow(hosting),
        "a hosting window of class \"AtlAxWin120\" exists");
  Check(GetWindow(hosting, GW_CHILD) != nullptr,
        "the control is active in place: its window is a child of the hosting window");
  if (player != nullptr) {
    Check(player->GetPlayWindow() == hosting, "GetPlayWindow is that window");
    Check(HasClass(player->GetPlayWindow(), L"AtlAxWin120"),
          "GetPlayWindow's class is \"AtlAxWin120\"");
    Check(player->GetCurrentPlayerVer() == WV_WMP9, "GetCurrentPlayerVer is WV_WMP9");
  }
  PumpMessages();

  CAudioPlayer::DestroyInstance(player);
  PumpMessages();
  std::printf("  DestroyInstance returned\n");
  if (hosting != nullptr)
    Check(IsWindow(hosting) && (GetWindowLongW(hosting, GWL_STYLE) & WS_VISIBLE) == 0,
          "the hosting window is hidden, not destroyed, by DestroyInstance");
  CAudioPlayer::DestroyInstance(nullptr);

  // A new player replaces the previous player's hosting window.
  CAudioPlayer *second = CreatePlayer(parent, status);
  Check(status == expected, "a second InitInstance gives the same status");
  Check(CountHostingWindows(parent) == 1, "the second creation destroyed the first hosting window");
  CAudioPlayer::DestroyInstance(second);
  PumpMessages();
  if (parent != nullptr)
    DestroyWindow(parent); // and with it the hosting window and its control
  PumpMessages();
  CoUninitialize();

  if (failures == 0)
    std::printf("windows-host: PASS: InitInstance answered 0x%08lX, as the control's %s\n",
                Hex(expected), refused ? refused : "acceptance of every call");
  else
    std::printf("windows-host: FAIL: %d check(s) did not hold\n", failures);
  return failures == 0 ? 0 : 1;
}
