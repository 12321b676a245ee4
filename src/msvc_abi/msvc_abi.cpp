// The player as a host built with Microsoft's compiler sees it.
//
// The DLL is built with g++, whose C++ ABI differs from Microsoft's in three
// places a host can reach; everything else (the order of virtual slots 0-53,
// __thiscall with callee-popped arguments on i686, the record's layout) is
// the same, so the exports-*.def files map most Microsoft names straight onto
// the g++ functions. What differs is answered here:
//
// - Destructor slots. g++ puts a complete destructor at slot 54 and a
//   deleting one at 55; Microsoft's ABI has one "scalar deleting destructor"
//   at slot 54 that takes a flags argument (bit 0: free the memory) and
//   returns `this`. A host's `delete player` calls slot 54 with the flag set:
//   through a g++ table it would run the wrong destructor, never free the
//   object, and on i686 leave the caller's stack 4 bytes off. So every object
//   a Microsoft-ABI host gets from us carries a copy of its g++ table with
//   slot 54 replaced by ScalarDeletingDestructor below; slot 55 and the
//   header before slot 0 (offset to top, type information) stay as g++
//   wrote them, so the library's own `delete` (DestroyInstance) and type
//   information keep working on the same object.
// - Constructors return `this` in Microsoft's ABI; g++'s return nothing.
// - InitInstance under its Microsoft name installs that table on the player
//   it returns. g++ hosts call the g++ names and get the g++ tables.
#include <audioplayer.h>

#include <cstddef>
#include <new>

#if defined(__i386__)
#define MEMBER_CALL __attribute__((thiscall))
#else
#define MEMBER_CALL // one calling convention for everything on x86_64
#endif

namespace {

constexpr std::size_t kCompleteDestructorSlot = 54; // g++; Microsoft's deleting one
constexpr std::size_t kSlotCount = 56;              // 54 operations, two g++ destructors
constexpr unsigned kFreeMemoryFlag = 1;

using Destructor = void(MEMBER_CALL *)(void *self);
using Slot = void *;

// A g++ table as it lies in memory (the object's pointer is to `slots`),
// with the complete destructor that slot 54 no longer names kept aside.
struct MsvcTable {
  Destructor completeDestructor;
  Slot offsetToTop;
  Slot typeInfo;
  Slot slots[kSlotCount];
};

Slot *&TableOf(void *object) {
  return *static_cast<Slot **>(object);
}

MsvcTable &MsvcTableOf(void *object) {
  auto *slots = reinterpret_cast<char *>(TableOf(object));
  return *reinterpret_cast<MsvcTable *>(slots - offsetof(MsvcTable, slots));
}

void *MEMBER_CALL ScalarDeletingDestructor(void *self, unsigned flags) {
  if (flags & kFreeMemoryFlag)
    CAudioPlayer::DestroyInstance(static_cast<CAudioPlayer *>(self));
  else
    MsvcTableOf(self).completeDestructor(self); // `p->~CAudioPlayer()`: the memory stays
  return self;
}

MsvcTable MakeMsvcTable(void *object) {
  Slot *gnu = TableOf(object);
  MsvcTable table{};
  table.completeDestructor = reinterpret_cast<Destructor>(gnu[kCompleteDestructorSlot]);
  table.offsetToTop = gnu[-2];
  table.typeInfo = gnu[-1];
  for (std::size_t slot = 0; slot < kSlotCount; ++slot)
    table.slots[slot] = gnu[slot];
  table.slots[kCompleteDestructorSlot] = reinterpret_cast<Slot>(&ScalarDeletingDestructor);
  return table;
}

// One table per dynamic type: every player is a CWMP9AudioPlayer, and the
// exported constructors make plain CAudioPlayer objects. Each table is built
// from the first object of its type and shared by all that follow.
void InstallPlayerTable(CAudioPlayer *player) {
  static MsvcTable table = MakeMsvcTable(player);
  TableOf(player) = table.slots;
}

void InstallBaseTable(CAudioPlayer *base) {
  static MsvcTable table = MakeMsvcTable(base);
  TableOf(base) = table.slots;
}

} // namespace

// Named by the exports-*.def files under their Microsoft names.
extern "C" {

CAudioPlayer *AudioPlayerMsvcInitInstance(long &status, HINSTANCE instance, HWND parent, RECT *rect,
                                          const unsigned short *windowName, DWORD style,
                                          DWORD exStyle, AudioNotifyProc callback, long cookie) {
  CAudioPlayer *player = CAudioPlayer::InitInstance(status, instance, parent, rect, windowName,
                                                    style, exStyle, callback, cookie);
  if (player != nullptr)
    InstallPlayerTable(player);
  return player;
}

void *MEMBER_CALL AudioPlayerMsvcConstruct(void *self) {
  InstallBaseTable(new (self) CAudioPlayer());
  return self;
}

void *MEMBER_CALL AudioPlayerMsvcCopyConstruct(void *self, const CAudioPlayer &other) {
  InstallBaseTable(new (self) CAudioPlayer(other));
  return self;
}

} // extern "C"
