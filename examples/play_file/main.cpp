// The smallest complete host: plays the file named on the command line to
// its end, printing each notification, on the thread that made the player.
//   play_file FILE
#include <audioplayer.h>

#include <cstdio>
#include <vector>

namespace {

int failures = 0;

// Runs inside DispatchMessageW on the host's thread; it may call the player.
// When the file has ended or could not be played, it ends the message loop.
long CALLBACK OnNotify(long /*cookie*/, CallNotify code, long first, long second) {
  std::printf("notification %d (%ld, %ld)\n", int(code), first, second);
  if (code == CN_MediaError || code == CN_Error)
    ++failures;
  if ((code == CN_PlayStateChange && first == PS_Stopped) || code == CN_MediaError ||
      code == CN_Error)
    PostQuitMessage(failures);
  return 0;
}

// The library's strings are UTF-16; the command line is UTF-8.
std::vector<unsigned short> Utf16(const char *text) {
  int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::vector<WCHAR> wide(units > 0 ? units : 1);
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), units);
  return {wide.begin(), wide.end()};
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: play_file FILE\n");
    return 2;
  }
  long status = 0;
  CAudioPlayer *player =
      CAudioPlayer::InitInstance(status, nullptr, nullptr, nullptr, nullptr, 0, 0, &OnNotify, 0);
  if (player == nullptr) {
    std::fprintf(stderr, "no player: status 0x%08lX\n", status & 0xFFFFFFFFL);
    return 1;
  }
  status = player->PlaySingleFile(Utf16(argv[1]).data());
  if (status < 0) {
    std::fprintf(stderr, "cannot play %s: status 0x%08lX\n", argv[1], status & 0xFFFFFFFFL);
    ++failures;
    PostQuitMessage(1);
  }
  // Notifications arrive only while the thread dispatches its messages;
  // GetMessageW gives 0 at the quit message.
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  HWND window = player->GetPlayWindow();
  CAudioPlayer::DestroyInstance(player);
  if (window != nullptr)
    DestroyWindow(window); // DestroyInstance hides the window; the host owns it
  return failures == 0 ? 0 : 1;
}
