// The Microsoft-ABI test host: a host as Microsoft's compiler builds it
// (clang for *-pc-windows-msvc, linked by lld-link against audioplayer.lib),
// including the public header unchanged, checks under Wine what such a host
// relies on:
// - the factory, teardown, constructors, assignment and destructor under
//   their Microsoft-decorated names (the link itself proves each exists),
//   the status written through the reference, constructors returning `this`;
// - every virtual slot reached with the stack pointer intact, through the
//   library's tables (a player from InitInstance, a constructed CAudioPlayer)
//   and through a table this host's compiler built (a derived class);
// - `delete` and an explicit destructor call landing on the right
//   destructor; the notification callback's __stdcall convention.
//
// Wine's own control refuses creation, so by default the factory is checked
// for its refusal only. With --stand-in, stand-in-control.dll (the test
// suite's stand-in, beside this program) stands in for the control:
// creation succeeds, a file plays and is heard in order, a record and a
// playlist file make the round trip, and the live player's slots, `delete
// player`, the callback and the record's layout are checked as well.
//
//   msvc-host.exe [--stand-in]   prints what it checked; exit 0 when all held
#include <audioplayer.h>

#include <windows.h>

#include "runtime.h"

namespace {

constexpr long kFail = static_cast<long>(0x80004005);

int failures = 0;

void Check(bool held, const char *what) {
  Print(held ? "  [ ok ] " : "  [FAIL] ");
  Print(what);
  Print("\n");
  if (!held)
    ++failures;
}

// The stack pointer before and after a call: a callee that pops more or
// fewer argument bytes than the caller pushed leaves it moved.
#if defined(__i386__)
#define READ_STACK_POINTER(into) asm volatile("movl %%esp, %0" : "=r"(into))
#else
#define READ_STACK_POINTER(into) asm volatile("movq %%rsp, %0" : "=r"(into))
#endif

struct Calls {
  int count = 0;
  int stackMoved = 0;
  int notDefault = 0; // answers other than a CAudioPlayer's own body's
};

#define CALL(calls, defaultAnswer, expression)                                                     \
  do {                                                                                             \
    std::uintptr_t before, after;                                                                  \
    READ_STACK_POINTER(before);                                                                    \
    const auto answer = (expression);                                                              \
    READ_STACK_POINTER(after);                                                                     \
    ++(calls).count;                                                                               \
    (calls).stackMoved += before != after;                                                         \
    (calls).notDefault += answer != (defaultAnswer);                                               \
  } while (0)

const unsigned short *Text(const char16_t *text) {
  return reinterpret_cast<const unsigned short *>(text);
}

tagMediaInfo record; // 9408 bytes: static, so the stack needs no probing

// Calls each public operation once, in slot order, with arguments a live
// player may safely take.
Calls CallEveryOperation(CAudioPlayer *player) {
  Calls calls;
  const unsigned short *missing = Text(u"C:\\audioplayer-msvc-host\\missing.wav");
  double seconds = 0;
  long number = 0;
  int flag = 0;
  PlayState state = PS_Undefined;
  unsigned short name[425] = {};
  record.dwMask = INFO_TITLE | INFO_DURATION;
  CALL(calls, nullptr, player->GetPlayWindow());
  CALL(calls, WV_None, player->GetCurrentPlayerVer());
  CALL(calls, kFail, player->GetMusicInfo(missing, &record));
  CALL(calls, kFail, player->SetMusicInfo(missing, Text(u"title"), INFO_TITLE));
  CALL(calls, kFail, player->PlaySingleFile(missing));
  CALL(calls, kFail, player->Play());
  CALL(calls, kFail, player->Pause());
  CALL(calls, kFail, player->Resume());
  CALL(calls, kFail, player->Stop());
  CALL(calls, kFail, player->GotoBegin());
  CALL(calls, kFail, player->GotoEnd());
  CALL(calls, kFail, player->NextTrack());
  CALL(calls, kFail, player->PrevTrack());
  CALL(calls, kFail, player->GetPos(&seconds));
  CALL(calls, kFail, player->SetPos(12.5));
  CALL(calls, kFail, player->GetPlayState(&state));
  CALL(calls, kFail, player->SetVol(40));
  CALL(calls, kFail, player->GetVol(&number));
  CALL(calls, kFail, player->SetMute(1));
  CALL(calls, kFail, player->GetMute(&flag));
  CALL(calls, kFail, player->SetVisFullSrc(0));
  CALL(calls, kFail, player->GetVisFullSrc(&flag));
  CALL(calls, kFail, player->EnableVis(0));
  CALL(calls, kFail, player->EnableErrorDialogs(0));
  CALL(calls, 0, player->IsSupportSetRate());
  CALL(calls, kFail, player->SetRate(1.5));
  CALL(calls, kFail, player->SetLoop(1));
  CALL(calls, kFail, player->GetLoop(&flag));
  CALL(calls, kFail, player->SetShuffle(0));
  CALL(calls, kFail, player->GetShuffle(&flag));
  CALL(calls, kFail, player->PlayPlaylist(Text(u"C:\\audioplayer-msvc-host\\missing.m3u")));
  CALL(calls, kFail, player->SetCurPlaylist(Text(u"C:\\audioplayer-msvc-host\\missing.m3u")));
  CALL(calls, kFail, player->AppendMusic(missing));
  CALL(calls, kFail, player->InsertMusic(missing, 0));
  CALL(calls, kFail, player->RemoveMusic(1));
  CALL(calls, kFail, player->MoveMusic(1, 0));
  CALL(calls, kFail, player->ClearAllMusic());
  CALL(calls, kFail, player->GetCurPlaylistMusicInfo(0, &record));
  CALL(calls, kFail, player->SetCurPlaylistMusicInfo(0, &record));
  CALL(calls, kFail, player->GetCurPlaylistCount(&number));
  CALL(calls, kFail, player->GetPlaylistNumByName(Text(u"msvc-host"), &number));
  CALL(calls, kFail, player->GetPlaylistIndex(&number));
  CALL(calls, kFail, player->SaveCurPlaylist(Text(u"msvc-host")));
  CALL(calls, kFail,
       player->UpdateCurPlaylistToFile(Text(u"C:\\audioplayer-msvc-host\\missing\\out.m3u")));
  CALL(calls, kFail, player->PlaylistIndex(0));
  CALL(calls, kFail, player->DeleteItemFromCollection(missing));
  CALL(calls, kFail, player->GetPLCollectionCount(&number));
  CALL(calls, kFail, player->GetPLCollectionNamebyIndex(0, name));
  CALL(calls, kFail, player->UpdatePlaylistbyIndex(1000000));
  CALL(calls, kFail, player->SetCdromToCurPlaylist(Text(u"Q:")));
  {
    std::uintptr_t before, after;
    READ_STACK_POINTER(before);
    player->CallAudioProc(CN_Click, 7, 9);
    READ_STACK_POINTER(after);
    ++calls.count;
    calls.stackMoved += before != after;
  }
  CALL(calls, kFail, player->SetPlayListIndex(0));
  CALL(calls, kFail, player->PlayCurrent());
  return calls;
}

// A class of the host's own: its table, built by this host's compiler,
// names the library's members by their Microsoft names.
struct DerivedPlayer : CAudioPlayer {
  long CreateThroughBase() {
    std::uintptr_t before, after;
    READ_STACK_POINTER(before);
    const long status = CreatePlayer(nullptr, nullptr, nullptr, Text(u"derived"), 0, 0, nullptr, 0);
    READ_STACK_POINTER(after);
    stackMoved = before != after;
    return status;
  }
  bool stackMoved = false;
};

struct Notification {
  int count = 0;
  long cookie = 0;
  CallNotify code = CN_Reserved0;
  long first = 0;
  long second = 0;
  long order[8][3] = {}; // the first eight: code, first, second
};
Notification heard;

long CALLBACK Notified(long cookie, CallNotify code, long first, long second) {
  if (heard.count < 8) {
    heard.order[heard.count][0] = code;
    heard.order[heard.count][1] = first;
    heard.order[heard.count][2] = second;
  }
  heard.count++;
  heard.cookie = cookie;
  heard.code = code;
  heard.first = first;
  heard.second = second;
  return 0;
}

void CheckCalls(const Calls &calls, bool defaults, const char *what) {
  Print("  ");
  Print(what);
  Print(": ");
  PrintDecimal(calls.count);
  Print(" operations called, stack moved by ");
  PrintDecimal(calls.stackMoved);
  Print(", answers other than the defaults ");
  PrintDecimal(calls.notDefault);
  Print("\n");
  Check(calls.count == 53 && calls.stackMoved == 0,
        "every public operation returned with the stack pointer intact");
  if (defaults)
    Check(calls.notDefault == 0, "and answered as CAudioPlayer's own bodies do");
}

// A constructed CAudioPlayer, its copy and its assignment.
void CheckConstructedPlayer() {
  Print("A CAudioPlayer constructed by this host:\n");
  CAudioPlayer player;
  CAudioPlayer *volatile opaque = &player; // reach it through its table
  CheckCalls(CallEveryOperation(opaque), true, "through the library's table");

  CAudioPlayer copy(player);
  CAudioPlayer *volatile copied = &copy;
  Check(copied->GetCurrentPlayerVer() == WV_None && copied->Play() == kFail,
        "its copy answers through the library's table");
  Check(&(copy = player) == &copy, "assignment returns its left operand");

  // An explicit destructor call destroys and frees nothing: the memory
  // stays this host's to free.
  void *memory = HeapAlloc(GetProcessHeap(), 0, sizeof(CAudioPlayer));
  CAudioPlayer *heap = new (memory) CAudioPlayer;
  std::uintptr_t before, after;
  READ_STACK_POINTER(before);
  heap->~CAudioPlayer();
  READ_STACK_POINTER(after);
  Check(before == after, "an explicit destructor call returns with the stack pointer intact");
  Check(HeapFree(GetProcessHeap(), 0, memory) != 0,
        "and left the memory to this host (it frees it once, without error)");
}

void CheckDerivedPlayer() {
  Print("A class of this host's derived from CAudioPlayer:\n");
  DerivedPlayer *derived = new DerivedPlayer;
  CAudioPlayer *volatile opaque = derived;
  CheckCalls(CallEveryOperation(opaque), true, "through this host's table");
  Check(derived->CreateThroughBase() == kFail && !derived->stackMoved,
        "the protected CreatePlayer answers E_FAIL with the stack pointer intact");
  std::uintptr_t before, after;
  READ_STACK_POINTER(before);
  delete opaque; // this host's deleting destructor calls the library's destructor
  READ_STACK_POINTER(after);
  Check(before == after, "`delete` through its virtual destructor kept the stack pointer intact");
}

bool SameText(const unsigned short *text, const char16_t *expected) {
  for (; *expected != u'\0'; ++text, ++expected)
    if (*text != *expected)
      return false;
  return *text == 0;
}

void Store(unsigned short *field, const char16_t *text) {
  while ((*field++ = *text++) != 0) {
  }
}

// The record as this compiler lays it out, written and filled by the
// library as g++ laid it out: each field read back at this host's offsets.
void CheckRecord(CAudioPlayer *player) {
  record = tagMediaInfo{};
  record.dwMask = INFO_TITLE | INFO_AUTHOR;
  Store(record.szTitle, u"Song");
  Store(record.szAuthor, u"Artist");
  const long written = player->SetCurPlaylistMusicInfo(0, &record);
  record = tagMediaInfo{};
  record.dwMask = INFO_TITLE | INFO_AUTHOR | INFO_DURATION;
  const long status = player->GetCurPlaylistMusicInfo(0, &record);
  Check(written == 0 && status == 0 && SameText(record.szTitle, u"Song") &&
            SameText(record.szAuthor, u"Artist") && record.dDuration == 12.5,
        "a record written reads back at this host's offsets (title, author, duration)");
}

// The file played, heard in order: opened, playing, stopped, at index 0.
void CheckPlaying(CAudioPlayer *player) {
  heard = Notification{};
  const bool played =
      player->PlaySingleFile(Text(u"C:\\media\\song.wav")) == 0 && player->Stop() == 0;
  const long expected[3][3] = {{CN_OpenStateChange, 13, 0},
                               {CN_PlayStateChange, PS_Playing, 0},
                               {CN_PlayStateChange, PS_Stopped, 0}};
  bool inOrder = heard.count == 3;
  for (int i = 0; i < 3 && inOrder; ++i)
    for (int j = 0; j < 3; ++j)
      inOrder = inOrder && heard.order[i][j] == expected[i][j];
  Check(played && inOrder, "a file plays and stops, heard in order: opened, playing, stopped");
}

// The current playlist written as M3U, read back byte for byte.
void CheckPlaylistFile(CAudioPlayer *player) {
  const wchar_t *name = L"msvc-host.m3u";
  const long status =
      player->UpdateCurPlaylistToFile(reinterpret_cast<const unsigned short *>(name));
  char bytes[128] = {};
  DWORD length = 0;
  HANDLE file = CreateFileW(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    ReadFile(file, bytes, sizeof bytes - 1, &length, nullptr);
    CloseHandle(file);
    DeleteFileW(name);
  }
  const char *expected = "#EXTM3U\r\n#EXTINF:\r\nC:\\media\\song.wav\r\n\r\n";
  bool same = status == 0;
  DWORD i = 0;
  for (; expected[i] != '\0'; ++i)
    same = same && i < length && bytes[i] == expected[i];
  Check(same && i == length, "the playlist file holds the file played, as M3U");
}

// A player from the factory, under the control Wine or Windows provides, or
// the stand-in.
void CheckFactory(bool standIn) {
  Print(standIn ? "The factory, over the stand-in control:\n" : "The factory:\n");
  long status = 0x7EEEEEEE; // no status of the library's
  RECT placement = {0, 0, 320, 240};
  CAudioPlayer *player = CAudioPlayer::InitInstance(status, nullptr, nullptr, &placement,
                                                    Text(u"msvc-host"), 0, 0, Notified, 0x5151);
  Print("  InitInstance: status ");
  PrintHex(static_cast<std::uint32_t>(status));
  Print(player ? ", player returned\n" : ", null\n");
  Check(status != 0x7EEEEEEE, "InitInstance wrote its status through the reference");
  Check((player != nullptr) == (status >= 0), "a player is returned exactly on success");
  CAudioPlayer::DestroyInstance(nullptr); // ignored
  if (player == nullptr) {
    Check(!standIn, "only a control other than the stand-in refuses creation");
    Print("  (the control refused creation: the live player's slots are not reached)\n");
    return;
  }
  Check(player->GetCurrentPlayerVer() == WV_WMP9, "GetCurrentPlayerVer is WV_WMP9");
  CheckPlaying(player);
  CheckRecord(player);
  CheckPlaylistFile(player);
  CheckCalls(CallEveryOperation(player), false, "the live player");
  Check(heard.count > 0 && heard.cookie == 0x5151 && heard.code == CN_Click && heard.first == 7 &&
            heard.second == 9,
        "CallAudioProc reached the __stdcall callback with the cookie and parameters");
  std::uintptr_t before, after;
  READ_STACK_POINTER(before);
  delete player; // the scalar deleting destructor, with its flags argument
  READ_STACK_POINTER(after);
  Check(before == after, "`delete player` returned with the stack pointer intact");

  CAudioPlayer *second = CAudioPlayer::InitInstance(status, nullptr, nullptr, &placement,
                                                    Text(u"msvc-host"), 0, 0, Notified, 1);
  Check(second != nullptr, "a second player is created after the first was deleted");
  CAudioPlayer::DestroyInstance(second);
}

bool HasArgument(const wchar_t *wanted) {
  for (const wchar_t *at = GetCommandLineW(); *at != L'\0'; ++at) {
    const wchar_t *a = at, *b = wanted;
    while (*b != L'\0' && *a == *b)
      ++a, ++b;
    if (*b == L'\0')
      return true;
  }
  return false;
}

} // namespace

int HostMain() {
  Print("msvc-host: a Microsoft-ABI host of audioplayer.dll, built for ");
#if defined(__i386__)
  Print("i686\n");
#else
  Print("x86_64\n");
#endif
  CheckConstructedPlayer();
  CheckDerivedPlayer();
  if (!HasArgument(L"--stand-in")) {
    CheckFactory(false);
  } else {
    HINSTANCE library = LoadLibraryW(L"stand-in-control.dll");
    auto start = reinterpret_cast<DWORD (*)()>(
        library ? GetProcAddress(library, "StandInControlStart") : nullptr);
    auto stop = reinterpret_cast<void (*)(DWORD)>(
        library ? GetProcAddress(library, "StandInControlStop") : nullptr);
    Check(start != nullptr && stop != nullptr, "stand-in-control.dll is loaded");
    if (start != nullptr && stop != nullptr) {
      const DWORD registration = start();
      CheckFactory(true);
      stop(registration);
    }
  }
  if (failures == 0) {
    Print("msvc-host: PASS\n");
    return 0;
  }
  Print("msvc-host: FAIL: ");
  PrintDecimal(failures);
  Print(" check(s) did not hold\n");
  return 1;
}
