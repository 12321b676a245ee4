// Objects of the control's interfaces without a method body each: an
// object's table of function pointers is built from the interfaces' own
// member pointers, whose slot g++'s C++ ABI (Itanium, on Linux and MinGW
// alike) encodes, and each slot holds one instance of a thunk template
// typed by that member. The proxy's thunks forward; the Windows stand-in's
// answer or refuse.
#pragma once

#include <windows.h>
#include <wmp.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <typeinfo>
#include <vector>

namespace com_tables {

// Laid out as the compiler lays out a table, with the offset to the top and
// the type's identity before the slots, which the sanitizer reads.
struct Table {
  const char *name;
  IID iid;
  std::vector<const void *> prefixed;
  const void *const *slots() const { return prefixed.data() + 2; }
  const void *&slot(std::size_t index) { return prefixed[index + 2]; }
};

struct Slot {
  std::size_t index;
  const void *function;
};

// The slot a virtual member's pointer names: its byte offset plus one.
template <auto Method> std::size_t SlotIndex() {
  struct {
    std::ptrdiff_t pointer, adjustment;
  } bits;
  static_assert(sizeof bits == sizeof Method);
  auto method = Method;
  std::memcpy(&bits, &method, sizeof bits);
  return std::size_t(bits.pointer - 1) / sizeof(void *);
}

// `Thunk<Method>::Call` fills the method's slot; it learns the method's name.
template <template <auto> class Thunk, auto Method> Slot SlotOf(const char *name) {
  Thunk<Method>::name = name;
  return {SlotIndex<Method>(), reinterpret_cast<const void *>(&Thunk<Method>::Call)};
}

// `unknown`: QueryInterface, AddRef and Release, the first three slots.
inline Table MakeTable(const char *name, const IID &iid, const std::type_info &type,
                       const void *const (&unknown)[3], const std::vector<Slot> &slots) {
  Table table{name, iid, std::vector<const void *>(2 + 3 + slots.size(), nullptr)};
  table.prefixed[1] = &type;
  for (std::size_t i = 0; i < 3; ++i)
    table.slot(i) = unknown[i];
  for (const Slot &slot : slots) {
    if (slot.index >= 3 + slots.size() || table.slot(slot.index) != nullptr)
      std::abort(); // a method listed twice, or one missing before it
    table.slot(slot.index) = slot.function;
  }
  return table;
}

} // namespace com_tables

// Each interface's methods after IUnknown's, in no particular order.
// clang-format off
// (it reflows these lists differently on each pass)
#define COM_DISPATCH(M) M(GetTypeInfoCount) M(GetTypeInfo) M(GetIDsOfNames) M(Invoke)
#define COM_METHODS_IClassFactory(M) M(CreateInstance) M(LockServer)
#define COM_METHODS_IConnectionPointContainer(M) M(EnumConnectionPoints) M(FindConnectionPoint)
#define COM_METHODS_IConnectionPoint(M)                                                            \
  M(GetConnectionInterface) M(GetConnectionPointContainer) M(Advise) M(Unadvise) M(EnumConnections)
#define COM_METHODS_IWMPMedia(M)                                                                   \
  COM_DISPATCH(M)                                                                                  \
  M(get_isIdentical) M(get_sourceURL) M(get_name) M(put_name) M(get_imageSourceWidth)              \
      M(get_imageSourceHeight) M(get_markerCount) M(getMarkerTime) M(getMarkerName)                \
          M(get_duration) M(get_durationString) M(get_attributeCount) M(getAttributeName)          \
              M(getItemInfo) M(setItemInfo) M(getItemInfoByAtom) M(isMemberOf) M(isReadOnlyItem)
#define COM_METHODS_IWMPPlaylist(M)                                                                \
  COM_DISPATCH(M)                                                                                  \
  M(get_count) M(get_name) M(put_name) M(get_attributeCount) M(get_attributeName) M(get_Item)      \
      M(getItemInfo) M(setItemInfo) M(get_isIdentical) M(clear) M(insertItem) M(appendItem)        \
          M(removeItem) M(moveItem)
#define COM_METHODS_IWMPControls(M)                                                                \
  COM_DISPATCH(M)                                                                                  \
  M(get_isAvailable) M(play) M(stop) M(pause) M(fastForward) M(fastReverse) M(get_currentPosition) \
      M(put_currentPosition) M(get_currentPositionString) M(next) M(previous) M(currentItem)       \
          M(put_currentItem) M(get_currentMarker) M(put_currentMarker) M(playItem)
#define COM_METHODS_IWMPSettings(M)                                                                \
  COM_DISPATCH(M)                                                                                  \
  M(get_isAvailable) M(get_autoStart) M(put_autoStart) M(get_baseURL) M(put_baseURL)               \
      M(get_defaultFrame) M(put_defaultFrame) M(get_invokeURLs) M(put_invokeURLs) M(get_mute)      \
          M(put_mute) M(get_playCount) M(put_playCount) M(get_rate) M(put_rate) M(get_balance)     \
              M(put_balance) M(get_volume) M(put_volume) M(getMode) M(setMode)                     \
                  M(get_enableErrorDialogs) M(put_enableErrorDialogs)
#define COM_METHODS_IWMPMediaCollection(M)                                                         \
  COM_DISPATCH(M)                                                                                  \
  M(add) M(getAll) M(getByName) M(getByGenre) M(getByAuthor) M(getByAlbum) M(getByAttribute)       \
      M(remove) M(getAttributeStringCollection) M(getMediaAtom) M(setDeleted) M(isDeleted)
#define COM_METHODS_IWMPPlaylistArray(M) COM_DISPATCH(M) M(get_count) M(Item)
#define COM_METHODS_IWMPPlaylistCollection(M)                                                      \
  COM_DISPATCH(M)                                                                                  \
  M(newPlaylist) M(getAll) M(getByName) M(remove) M(setDeleted) M(isDeleted) M(importPlaylist)
#define COM_METHODS_IWMPCdrom(M) COM_DISPATCH(M) M(get_driveSpecifier) M(get_Playlist) M(eject)
#define COM_METHODS_IWMPCdromCollection(M)                                                         \
  COM_DISPATCH(M) M(get_count) M(Item) M(getByDriveSpecifier)
#define COM_METHODS_IWMPPlayer4(M)                                                                 \
  COM_DISPATCH(M)                                                                                  \
  M(close) M(get_URL) M(put_URL) M(get_openState) M(get_playState) M(get_controls) M(get_settings) \
      M(get_currentMedia) M(put_currentMedia) M(get_mediaCollection) M(get_playlistCollection)     \
          M(get_versionInfo) M(launchURL) M(get_network) M(get_currentPlaylist)                    \
              M(put_currentPlaylist) M(get_cdromCollection) M(get_closedCaption) M(get_isOnline)   \
                  M(get_Error) M(get_status) M(get_dvd) M(newPlaylist) M(newMedia) M(get_enabled)  \
                      M(put_enabled) M(get_fullScreen) M(put_fullScreen) M(get_enableContextMenu)  \
                          M(put_enableContextMenu) M(put_uiMode) M(get_uiMode) M(get_stretchToFit) \
                              M(put_stretchToFit) M(get_windowlessVideo) M(put_windowlessVideo)    \
                                  M(get_isRemote) M(get_playerApplication) M(openPlayer)

// The interfaces of the control the player reaches.
#define COM_INTERFACES(X)                                                                          \
  X(IWMPPlayer4)                                                                                   \
  X(IConnectionPointContainer) X(IConnectionPoint) X(IWMPControls) X(IWMPSettings) X(IWMPMedia)    \
      X(IWMPPlaylist) X(IWMPMediaCollection) X(IWMPPlaylistArray) X(IWMPPlaylistCollection)        \
          X(IWMPCdrom) X(IWMPCdromCollection) X(IClassFactory)
// clang-format on

// Defines `TableOf<I>()` for each interface, with `Thunk` in the slots and
// `unknown` (an array of three functions) in IUnknown's.
#define COM_SLOT(method) com_tables::SlotOf<Thunk, &Interface::method>(#method),
#define COM_TABLE(I)                                                                               \
  template <> const com_tables::Table *TableOf<I>() {                                              \
    using Interface = I;                                                                           \
    static const com_tables::Table table = com_tables::MakeTable(                                  \
        #I, __uuidof(I), typeid(I), kUnknownSlots, {COM_METHODS_##I(COM_SLOT)});                   \
    return &table;                                                                                 \
  }
