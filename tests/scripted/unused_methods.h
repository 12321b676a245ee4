// The methods of the control's interfaces that the player never calls, in
// one place. Each is recorded and scripted like any other method and then
// answers E_NOTIMPL, so a player that starts calling one shows it in the
// calls it makes. An object's struct names its interface's list once.
#pragma once

#define SCRIPTED_UNUSED(method, ...)                                                               \
  STDMETHOD(method)(__VA_ARGS__) override {                                                        \
    return unused(#method);                                                                        \
  }

#define SCRIPTED_UNUSED_IWMPCdrom                                                                  \
  SCRIPTED_UNUSED(get_driveSpecifier, BSTR *)                                                      \
  SCRIPTED_UNUSED(eject)

#define SCRIPTED_UNUSED_IClassFactory SCRIPTED_UNUSED(LockServer, BOOL)

#define SCRIPTED_UNUSED_IConnectionPoint                                                           \
  SCRIPTED_UNUSED(GetConnectionInterface, IID *)                                                   \
  SCRIPTED_UNUSED(GetConnectionPointContainer, IConnectionPointContainer **)                       \
  SCRIPTED_UNUSED(EnumConnections, IEnumConnections **)

#define SCRIPTED_UNUSED_IWMPControls                                                               \
  SCRIPTED_UNUSED(get_isAvailable, BSTR, VARIANT_BOOL *)                                           \
  SCRIPTED_UNUSED(fastForward)                                                                     \
  SCRIPTED_UNUSED(fastReverse)                                                                     \
  SCRIPTED_UNUSED(get_currentPositionString, BSTR *)                                               \
  SCRIPTED_UNUSED(get_currentMarker, long *)                                                       \
  SCRIPTED_UNUSED(put_currentMarker, long)

#define SCRIPTED_UNUSED_IWMPMedia                                                                  \
  SCRIPTED_UNUSED(get_name, BSTR *)                                                                \
  SCRIPTED_UNUSED(put_name, BSTR)                                                                  \
  SCRIPTED_UNUSED(get_markerCount, long *)                                                         \
  SCRIPTED_UNUSED(getMarkerTime, long, double *)                                                   \
  SCRIPTED_UNUSED(getMarkerName, long, BSTR *)                                                     \
  SCRIPTED_UNUSED(get_durationString, BSTR *)                                                      \
  SCRIPTED_UNUSED(get_attributeCount, long *)                                                      \
  SCRIPTED_UNUSED(getAttributeName, long, BSTR *)                                                  \
  SCRIPTED_UNUSED(getItemInfoByAtom, long, BSTR *)                                                 \
  SCRIPTED_UNUSED(isMemberOf, IWMPPlaylist *, VARIANT_BOOL *)

#define SCRIPTED_UNUSED_IWMPMediaCollection                                                        \
  SCRIPTED_UNUSED(getAll, IWMPPlaylist **)                                                         \
  SCRIPTED_UNUSED(getByName, BSTR, IWMPPlaylist **)                                                \
  SCRIPTED_UNUSED(getByGenre, BSTR, IWMPPlaylist **)                                               \
  SCRIPTED_UNUSED(getByAuthor, BSTR, IWMPPlaylist **)                                              \
  SCRIPTED_UNUSED(getByAlbum, BSTR, IWMPPlaylist **)                                               \
  SCRIPTED_UNUSED(getByAttribute, BSTR, BSTR, IWMPPlaylist **)                                     \
  SCRIPTED_UNUSED(getAttributeStringCollection, BSTR, BSTR, IWMPStringCollection **)               \
  SCRIPTED_UNUSED(getMediaAtom, BSTR, long *)                                                      \
  SCRIPTED_UNUSED(setDeleted, IWMPMedia *, VARIANT_BOOL)                                           \
  SCRIPTED_UNUSED(isDeleted, IWMPMedia *, VARIANT_BOOL *)

#define SCRIPTED_UNUSED_IWMPPlayer4                                                                \
  SCRIPTED_UNUSED(get_URL, BSTR *)                                                                 \
  SCRIPTED_UNUSED(put_URL, BSTR)                                                                   \
  SCRIPTED_UNUSED(get_openState, WMPOpenState *)                                                   \
  SCRIPTED_UNUSED(get_currentMedia, IWMPMedia **)                                                  \
  SCRIPTED_UNUSED(put_currentMedia, IWMPMedia *)                                                   \
  SCRIPTED_UNUSED(get_versionInfo, BSTR *)                                                         \
  SCRIPTED_UNUSED(launchURL, BSTR)                                                                 \
  SCRIPTED_UNUSED(get_network, IWMPNetwork **)                                                     \
  SCRIPTED_UNUSED(get_closedCaption, IWMPClosedCaption **)                                         \
  SCRIPTED_UNUSED(get_isOnline, VARIANT_BOOL *)                                                    \
  SCRIPTED_UNUSED(get_Error, IWMPError **)                                                         \
  SCRIPTED_UNUSED(get_status, BSTR *)                                                              \
  SCRIPTED_UNUSED(get_dvd, IWMPDVD **)                                                             \
  SCRIPTED_UNUSED(get_enabled, VARIANT_BOOL *)                                                     \
  SCRIPTED_UNUSED(put_enabled, VARIANT_BOOL)                                                       \
  SCRIPTED_UNUSED(get_enableContextMenu, VARIANT_BOOL *)                                           \
  SCRIPTED_UNUSED(get_uiMode, BSTR *)                                                              \
  SCRIPTED_UNUSED(get_stretchToFit, VARIANT_BOOL *)                                                \
  SCRIPTED_UNUSED(get_windowlessVideo, VARIANT_BOOL *)                                             \
  SCRIPTED_UNUSED(put_windowlessVideo, VARIANT_BOOL)                                               \
  SCRIPTED_UNUSED(get_isRemote, VARIANT_BOOL *)                                                    \
  SCRIPTED_UNUSED(get_playerApplication, IWMPPlayerApplication **)                                 \
  SCRIPTED_UNUSED(openPlayer, BSTR)                                                                \
  SCRIPTED_UNUSED(EnumConnectionPoints, IEnumConnectionPoints **)

#define SCRIPTED_UNUSED_IWMPPlaylist                                                               \
  SCRIPTED_UNUSED(getItemInfo, BSTR, BSTR *)                                                       \
  SCRIPTED_UNUSED(setItemInfo, BSTR, BSTR)                                                         \
  SCRIPTED_UNUSED(get_isIdentical, IWMPPlaylist *, VARIANT_BOOL *)                                 \
  SCRIPTED_UNUSED(put_name, BSTR)                                                                  \
  SCRIPTED_UNUSED(get_attributeCount, long *)                                                      \
  SCRIPTED_UNUSED(get_attributeName, long, BSTR *)

#define SCRIPTED_UNUSED_IWMPPlaylistCollection                                                     \
  SCRIPTED_UNUSED(setDeleted, IWMPPlaylist *, VARIANT_BOOL)                                        \
  SCRIPTED_UNUSED(isDeleted, IWMPPlaylist *, VARIANT_BOOL *)                                       \
  SCRIPTED_UNUSED(importPlaylist, IWMPPlaylist *, IWMPPlaylist **)

#define SCRIPTED_UNUSED_IWMPSettings                                                               \
  SCRIPTED_UNUSED(get_autoStart, VARIANT_BOOL *)                                                   \
  SCRIPTED_UNUSED(get_baseURL, BSTR *)                                                             \
  SCRIPTED_UNUSED(put_baseURL, BSTR)                                                               \
  SCRIPTED_UNUSED(get_defaultFrame, BSTR *)                                                        \
  SCRIPTED_UNUSED(put_defaultFrame, BSTR)                                                          \
  SCRIPTED_UNUSED(get_invokeURLs, VARIANT_BOOL *)                                                  \
  SCRIPTED_UNUSED(put_invokeURLs, VARIANT_BOOL)                                                    \
  SCRIPTED_UNUSED(get_playCount, long *)                                                           \
  SCRIPTED_UNUSED(put_playCount, long)                                                             \
  SCRIPTED_UNUSED(get_rate, double *)                                                              \
  SCRIPTED_UNUSED(get_balance, long *)                                                             \
  SCRIPTED_UNUSED(put_balance, long)                                                               \
  SCRIPTED_UNUSED(get_enableErrorDialogs, VARIANT_BOOL *)

#define SCRIPTED_UNUSED_IWMPCdromCollection                                                        \
  SCRIPTED_UNUSED(get_count, long *)                                                               \
  SCRIPTED_UNUSED(Item, long, IWMPCdrom **)
