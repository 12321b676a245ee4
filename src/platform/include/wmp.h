// The Windows Media Player control's object model: the interfaces the
// player back end drives, the event interfaces it listens on, the control's
// class id and its enumerations. Method order is the published vtable order;
// integer parameters are `long` as on Windows (32-bit values there), so
// the back end compiles the same against this header and the Windows one.
// The events' dispatch ids live in <wmpids.h>, as on Windows.
#pragma once

#include "com.h"

// Declares both the __uuidof identity and the IID_ constant of an interface.
#define WMP_DECLARE_IID(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                           \
  __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                                 \
  inline const IID IID_##type = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}};

// ---- enumerations ---------------------------------------------------------
typedef enum WMPOpenState {
  wmposUndefined = 0,
  wmposPlaylistChanging = 1,
  wmposPlaylistLocating = 2,
  wmposPlaylistConnecting = 3,
  wmposPlaylistLoading = 4,
  wmposPlaylistOpening = 5,
  wmposPlaylistOpenNoMedia = 6,
  wmposPlaylistChanged = 7,
  wmposMediaChanging = 8,
  wmposMediaLocating = 9,
  wmposMediaConnecting = 10,
  wmposMediaLoading = 11,
  wmposMediaOpening = 12,
  wmposMediaOpen = 13,
  wmposBeginCodecAcquisition = 14,
  wmposEndCodecAcquisition = 15,
  wmposBeginLicenseAcquisition = 16,
  wmposEndLicenseAcquisition = 17,
  wmposBeginIndividualization = 18,
  wmposEndIndividualization = 19,
  wmposMediaWaiting = 20,
  wmposOpeningUnknownURL = 21
} WMPOpenState;

typedef enum WMPPlayState {
  wmppsUndefined = 0,
  wmppsStopped = 1,
  wmppsPaused = 2,
  wmppsPlaying = 3,
  wmppsScanForward = 4,
  wmppsScanReverse = 5,
  wmppsBuffering = 6,
  wmppsWaiting = 7,
  wmppsMediaEnded = 8,
  wmppsTransitioning = 9,
  wmppsReady = 10,
  wmppsReconnecting = 11,
  wmppsLast = 12
} WMPPlayState;

typedef enum WMPPlaylistChangeEventType {
  wmplcUnknown = 0,
  wmplcClear = 1,
  wmplcInfoChange = 2,
  wmplcMove = 3,
  wmplcDelete = 4,
  wmplcInsert = 5,
  wmplcAppend = 6,
  wmplcPrivate = 7,
  wmplcNameChange = 8,
  wmplcMorph = 9,
  wmplcSort = 10,
  wmplcLast = 11
} WMPPlaylistChangeEventType;

// ---- interfaces referenced but not used by the player ----------------------
interface IWMPNetwork;
interface IWMPClosedCaption;
interface IWMPError;
interface IWMPErrorItem;
interface IWMPDVD;
interface IWMPPlayerApplication;
interface IWMPControls2;
interface IWMPSettings2;
interface IWMPMedia2;
interface IWMPMedia3;

interface IWMPPlaylist;
interface IWMPCdrom;

// ---- media items and playlists ---------------------------------------------
interface IWMPMedia : public IDispatch {
  STDMETHOD(get_isIdentical)(IWMPMedia *other, VARIANT_BOOL *identical) = 0;
  STDMETHOD(get_sourceURL)(BSTR *url) = 0;
  STDMETHOD(get_name)(BSTR *name) = 0;
  STDMETHOD(put_name)(BSTR name) = 0;
  STDMETHOD(get_imageSourceWidth)(long *width) = 0;
  STDMETHOD(get_imageSourceHeight)(long *height) = 0;
  STDMETHOD(get_markerCount)(long *count) = 0;
  STDMETHOD(getMarkerTime)(long marker, double *time) = 0;
  STDMETHOD(getMarkerName)(long marker, BSTR *name) = 0;
  STDMETHOD(get_duration)(double *seconds) = 0;
  STDMETHOD(get_durationString)(BSTR *text) = 0;
  STDMETHOD(get_attributeCount)(long *count) = 0;
  STDMETHOD(getAttributeName)(long index, BSTR *name) = 0;
  STDMETHOD(getItemInfo)(BSTR name, BSTR *value) = 0;
  STDMETHOD(setItemInfo)(BSTR name, BSTR value) = 0;
  STDMETHOD(getItemInfoByAtom)(long atom, BSTR *value) = 0;
  STDMETHOD(isMemberOf)(IWMPPlaylist *playlist, VARIANT_BOOL *member) = 0;
  STDMETHOD(isReadOnlyItem)(BSTR name, VARIANT_BOOL *readOnly) = 0;
};
WMP_DECLARE_IID(IWMPMedia, 0x94d55e95, 0x3fac, 0x11d3, 0xb1, 0x55, 0x00, 0xc0, 0x4f, 0x79, 0xfa,
                0xa6)

interface IWMPPlaylist : public IDispatch {
  STDMETHOD(get_count)(long *count) = 0;
  STDMETHOD(get_name)(BSTR *name) = 0;
  STDMETHOD(put_name)(BSTR name) = 0;
  STDMETHOD(get_attributeCount)(long *count) = 0;
  STDMETHOD(get_attributeName)(long index, BSTR *name) = 0;
  STDMETHOD(get_Item)(long index, IWMPMedia **media) = 0;
  STDMETHOD(getItemInfo)(BSTR name, BSTR *value) = 0;
  STDMETHOD(setItemInfo)(BSTR name, BSTR value) = 0;
  STDMETHOD(get_isIdentical)(IWMPPlaylist *other, VARIANT_BOOL *identical) = 0;
  STDMETHOD(clear)() = 0;
  STDMETHOD(insertItem)(long index, IWMPMedia *media) = 0;
  STDMETHOD(appendItem)(IWMPMedia *media) = 0;
  STDMETHOD(removeItem)(IWMPMedia *media) = 0;
  STDMETHOD(moveItem)(long oldIndex, long newIndex) = 0;
};
WMP_DECLARE_IID(IWMPPlaylist, 0xd5f0f4f1, 0x130c, 0x11d3, 0xb1, 0x4e, 0x00, 0xc0, 0x4f, 0x79, 0xfa,
                0xa6)

// ---- transport and settings ------------------------------------------------
interface IWMPControls : public IDispatch {
  STDMETHOD(get_isAvailable)(BSTR item, VARIANT_BOOL *available) = 0;
  STDMETHOD(play)() = 0;
  STDMETHOD(stop)() = 0;
  STDMETHOD(pause)() = 0;
  STDMETHOD(fastForward)() = 0;
  STDMETHOD(fastReverse)() = 0;
  STDMETHOD(get_currentPosition)(double *seconds) = 0;
  STDMETHOD(put_currentPosition)(double seconds) = 0;
  STDMETHOD(get_currentPositionString)(BSTR *text) = 0;
  STDMETHOD(next)() = 0;
  STDMETHOD(previous)() = 0;
  // The getter of the current item; MinGW's header names it without get_.
  STDMETHOD(currentItem)(IWMPMedia **media) = 0;
  STDMETHOD(put_currentItem)(IWMPMedia *media) = 0;
  STDMETHOD(get_currentMarker)(long *marker) = 0;
  STDMETHOD(put_currentMarker)(long marker) = 0;
  STDMETHOD(playItem)(IWMPMedia *media) = 0;
};
WMP_DECLARE_IID(IWMPControls, 0x74c09e02, 0xf828, 0x11d2, 0xa7, 0x4b, 0x00, 0xa0, 0xc9, 0x05, 0xf3,
                0x6e)

interface IWMPSettings : public IDispatch {
  STDMETHOD(get_isAvailable)(BSTR item, VARIANT_BOOL *available) = 0;
  STDMETHOD(get_autoStart)(VARIANT_BOOL *autoStart) = 0;
  STDMETHOD(put_autoStart)(VARIANT_BOOL autoStart) = 0;
  STDMETHOD(get_baseURL)(BSTR *url) = 0;
  STDMETHOD(put_baseURL)(BSTR url) = 0;
  STDMETHOD(get_defaultFrame)(BSTR *frame) = 0;
  STDMETHOD(put_defaultFrame)(BSTR frame) = 0;
  STDMETHOD(get_invokeURLs)(VARIANT_BOOL *invoke) = 0;
  STDMETHOD(put_invokeURLs)(VARIANT_BOOL invoke) = 0;
  STDMETHOD(get_mute)(VARIANT_BOOL *mute) = 0;
  STDMETHOD(put_mute)(VARIANT_BOOL mute) = 0;
  STDMETHOD(get_playCount)(long *count) = 0;
  STDMETHOD(put_playCount)(long count) = 0;
  STDMETHOD(get_rate)(double *rate) = 0;
  STDMETHOD(put_rate)(double rate) = 0;
  STDMETHOD(get_balance)(long *balance) = 0;
  STDMETHOD(put_balance)(long balance) = 0;
  STDMETHOD(get_volume)(long *volume) = 0;
  STDMETHOD(put_volume)(long volume) = 0;
  STDMETHOD(getMode)(BSTR mode, VARIANT_BOOL *on) = 0;
  STDMETHOD(setMode)(BSTR mode, VARIANT_BOOL on) = 0;
  STDMETHOD(get_enableErrorDialogs)(VARIANT_BOOL *enable) = 0;
  STDMETHOD(put_enableErrorDialogs)(VARIANT_BOOL enable) = 0;
};
WMP_DECLARE_IID(IWMPSettings, 0x9104d1ab, 0x80c9, 0x4fed, 0xab, 0xf0, 0x2e, 0x64, 0x17, 0xa6, 0xdf,
                0x14)

// ---- the library -----------------------------------------------------------
interface IWMPStringCollection : public IDispatch {
  STDMETHOD(get_count)(long *count) = 0;
  STDMETHOD(Item)(long index, BSTR *text) = 0;
};
WMP_DECLARE_IID(IWMPStringCollection, 0x4a976298, 0x8c0d, 0x11d3, 0xb3, 0x89, 0x00, 0xc0, 0x4f,
                0x68, 0x57, 0x4b)

interface IWMPMediaCollection : public IDispatch {
  STDMETHOD(add)(BSTR url, IWMPMedia **media) = 0;
  STDMETHOD(getAll)(IWMPPlaylist **items) = 0;
  STDMETHOD(getByName)(BSTR name, IWMPPlaylist **items) = 0;
  STDMETHOD(getByGenre)(BSTR genre, IWMPPlaylist **items) = 0;
  STDMETHOD(getByAuthor)(BSTR author, IWMPPlaylist **items) = 0;
  STDMETHOD(getByAlbum)(BSTR album, IWMPPlaylist **items) = 0;
  STDMETHOD(getByAttribute)(BSTR attribute, BSTR value, IWMPPlaylist **items) = 0;
  STDMETHOD(remove)(IWMPMedia *media, VARIANT_BOOL deleteFile) = 0;
  STDMETHOD(getAttributeStringCollection)
  (BSTR attribute, BSTR mediaType, IWMPStringCollection **strings) = 0;
  STDMETHOD(getMediaAtom)(BSTR name, long *atom) = 0;
  STDMETHOD(setDeleted)(IWMPMedia *media, VARIANT_BOOL deleted) = 0;
  STDMETHOD(isDeleted)(IWMPMedia *media, VARIANT_BOOL *deleted) = 0;
};
WMP_DECLARE_IID(IWMPMediaCollection, 0x8363bc22, 0xb4b4, 0x4b19, 0x98, 0x9d, 0x1c, 0xd7, 0x65, 0x74,
                0x9d, 0xd1)

interface IWMPPlaylistArray : public IDispatch {
  STDMETHOD(get_count)(long *count) = 0;
  STDMETHOD(Item)(long index, IWMPPlaylist **playlist) = 0;
};
WMP_DECLARE_IID(IWMPPlaylistArray, 0x679409c0, 0x99f7, 0x11d3, 0x9f, 0xb7, 0x00, 0x10, 0x5a, 0xa6,
                0x20, 0xbb)

interface IWMPPlaylistCollection : public IDispatch {
  STDMETHOD(newPlaylist)(BSTR name, IWMPPlaylist **playlist) = 0;
  STDMETHOD(getAll)(IWMPPlaylistArray **playlists) = 0;
  STDMETHOD(getByName)(BSTR name, IWMPPlaylistArray **playlists) = 0;
  STDMETHOD(remove)(IWMPPlaylist *playlist) = 0;
  STDMETHOD(setDeleted)(IWMPPlaylist *playlist, VARIANT_BOOL deleted) = 0;
  STDMETHOD(isDeleted)(IWMPPlaylist *playlist, VARIANT_BOOL *deleted) = 0;
  STDMETHOD(importPlaylist)(IWMPPlaylist *playlist, IWMPPlaylist **imported) = 0;
};
WMP_DECLARE_IID(IWMPPlaylistCollection, 0x10a13217, 0x23a7, 0x439b, 0xb1, 0xc0, 0xd8, 0x47, 0xc7,
                0x9b, 0x77, 0x74)

// ---- CD drives -------------------------------------------------------------
interface IWMPCdrom : public IDispatch {
  STDMETHOD(get_driveSpecifier)(BSTR *drive) = 0;
  STDMETHOD(get_Playlist)(IWMPPlaylist **playlist) = 0;
  STDMETHOD(eject)() = 0;
};
WMP_DECLARE_IID(IWMPCdrom, 0xcfab6e98, 0x8730, 0x11d3, 0xb3, 0x88, 0x00, 0xc0, 0x4f, 0x68, 0x57,
                0x4b)

interface IWMPCdromCollection : public IDispatch {
  STDMETHOD(get_count)(long *count) = 0;
  STDMETHOD(Item)(long index, IWMPCdrom **drive) = 0;
  STDMETHOD(getByDriveSpecifier)(BSTR drive, IWMPCdrom **cdrom) = 0;
};
WMP_DECLARE_IID(IWMPCdromCollection, 0xee4c8fe2, 0x34b2, 0x11d3, 0xa3, 0xbf, 0x00, 0x60, 0x97, 0xc9,
                0xb3, 0x44)

// ---- the player ------------------------------------------------------------
interface IWMPCore : public IDispatch {
  STDMETHOD(close)() = 0;
  STDMETHOD(get_URL)(BSTR *url) = 0;
  STDMETHOD(put_URL)(BSTR url) = 0;
  STDMETHOD(get_openState)(WMPOpenState *state) = 0;
  STDMETHOD(get_playState)(WMPPlayState *state) = 0;
  STDMETHOD(get_controls)(IWMPControls **controls) = 0;
  STDMETHOD(get_settings)(IWMPSettings **settings) = 0;
  STDMETHOD(get_currentMedia)(IWMPMedia **media) = 0;
  STDMETHOD(put_currentMedia)(IWMPMedia *media) = 0;
  STDMETHOD(get_mediaCollection)(IWMPMediaCollection **collection) = 0;
  STDMETHOD(get_playlistCollection)(IWMPPlaylistCollection **collection) = 0;
  STDMETHOD(get_versionInfo)(BSTR *version) = 0;
  STDMETHOD(launchURL)(BSTR url) = 0;
  STDMETHOD(get_network)(IWMPNetwork **network) = 0;
  STDMETHOD(get_currentPlaylist)(IWMPPlaylist **playlist) = 0;
  STDMETHOD(put_currentPlaylist)(IWMPPlaylist *playlist) = 0;
  STDMETHOD(get_cdromCollection)(IWMPCdromCollection **collection) = 0;
  STDMETHOD(get_closedCaption)(IWMPClosedCaption **caption) = 0;
  STDMETHOD(get_isOnline)(VARIANT_BOOL *online) = 0;
  STDMETHOD(get_Error)(IWMPError **error) = 0;
  STDMETHOD(get_status)(BSTR *status) = 0;
};
WMP_DECLARE_IID(IWMPCore, 0xd84cca99, 0xcce2, 0x11d2, 0x9e, 0xcc, 0x00, 0x00, 0xf8, 0x08, 0x59,
                0x81)

interface IWMPCore2 : public IWMPCore {
  STDMETHOD(get_dvd)(IWMPDVD **dvd) = 0;
};
WMP_DECLARE_IID(IWMPCore2, 0xbc17e5b7, 0x7561, 0x4c18, 0xbb, 0x90, 0x17, 0xd4, 0x85, 0x77, 0x56,
                0x59)

interface IWMPCore3 : public IWMPCore2 {
  STDMETHOD(newPlaylist)(BSTR name, BSTR url, IWMPPlaylist **playlist) = 0;
  STDMETHOD(newMedia)(BSTR url, IWMPMedia **media) = 0;
};
WMP_DECLARE_IID(IWMPCore3, 0x7587c667, 0x628f, 0x499f, 0x88, 0xe7, 0x6a, 0x6f, 0x4e, 0x88, 0x84,
                0x64)

interface IWMPPlayer4 : public IWMPCore3 {
  STDMETHOD(get_enabled)(VARIANT_BOOL *enabled) = 0;
  STDMETHOD(put_enabled)(VARIANT_BOOL enabled) = 0;
  STDMETHOD(get_fullScreen)(VARIANT_BOOL *fullScreen) = 0;
  STDMETHOD(put_fullScreen)(VARIANT_BOOL fullScreen) = 0;
  STDMETHOD(get_enableContextMenu)(VARIANT_BOOL *enable) = 0;
  STDMETHOD(put_enableContextMenu)(VARIANT_BOOL enable) = 0;
  STDMETHOD(put_uiMode)(BSTR mode) = 0;
  STDMETHOD(get_uiMode)(BSTR *mode) = 0;
  STDMETHOD(get_stretchToFit)(VARIANT_BOOL *stretch) = 0;
  STDMETHOD(put_stretchToFit)(VARIANT_BOOL stretch) = 0;
  STDMETHOD(get_windowlessVideo)(VARIANT_BOOL *windowless) = 0;
  STDMETHOD(put_windowlessVideo)(VARIANT_BOOL windowless) = 0;
  STDMETHOD(get_isRemote)(VARIANT_BOOL *remote) = 0;
  STDMETHOD(get_playerApplication)(IWMPPlayerApplication **application) = 0;
  STDMETHOD(openPlayer)(BSTR url) = 0;
};
WMP_DECLARE_IID(IWMPPlayer4, 0x6c497d62, 0x8919, 0x413c, 0x82, 0xdb, 0xe9, 0x35, 0xfb, 0x3e, 0xc5,
                0x84)

// ---- events ----------------------------------------------------------------
// The custom-interface face of the events; every method returns nothing.
interface IWMPEvents : public IUnknown {
  STDMETHOD_(void, OpenStateChange)(long state) = 0;
  STDMETHOD_(void, PlayStateChange)(long state) = 0;
  STDMETHOD_(void, AudioLanguageChange)(long language) = 0;
  STDMETHOD_(void, StatusChange)() = 0;
  STDMETHOD_(void, ScriptCommand)(BSTR type, BSTR param) = 0;
  STDMETHOD_(void, NewStream)() = 0;
  STDMETHOD_(void, Disconnect)(long result) = 0;
  STDMETHOD_(void, Buffering)(VARIANT_BOOL start) = 0;
  STDMETHOD_(void, Error)() = 0;
  STDMETHOD_(void, Warning)(long warning, long param, BSTR description) = 0;
  STDMETHOD_(void, EndOfStream)(long result) = 0;
  STDMETHOD_(void, PositionChange)(double oldPosition, double newPosition) = 0;
  STDMETHOD_(void, MarkerHit)(long marker) = 0;
  STDMETHOD_(void, DurationUnitChange)(long unit) = 0;
  STDMETHOD_(void, CdromMediaChange)(long drive) = 0;
  STDMETHOD_(void, PlaylistChange)(IDispatch *playlist, WMPPlaylistChangeEventType change) = 0;
  STDMETHOD_(void, CurrentPlaylistChange)(WMPPlaylistChangeEventType change) = 0;
  STDMETHOD_(void, CurrentPlaylistItemAvailable)(BSTR item) = 0;
  STDMETHOD_(void, MediaChange)(IDispatch *item) = 0;
  STDMETHOD_(void, CurrentMediaItemAvailable)(BSTR name) = 0;
  STDMETHOD_(void, CurrentItemChange)(IDispatch *media) = 0;
  STDMETHOD_(void, MediaCollectionChange)() = 0;
  STDMETHOD_(void, MediaCollectionAttributeStringAdded)(BSTR attribute, BSTR value) = 0;
  STDMETHOD_(void, MediaCollectionAttributeStringRemoved)(BSTR attribute, BSTR value) = 0;
  STDMETHOD_(void, MediaCollectionAttributeStringChanged)
  (BSTR attribute, BSTR oldValue, BSTR newValue) = 0;
  STDMETHOD_(void, PlaylistCollectionChange)() = 0;
  STDMETHOD_(void, PlaylistCollectionPlaylistAdded)(BSTR name) = 0;
  STDMETHOD_(void, PlaylistCollectionPlaylistRemoved)(BSTR name) = 0;
  STDMETHOD_(void, PlaylistCollectionPlaylistSetAsDeleted)(BSTR name, VARIANT_BOOL deleted) = 0;
  STDMETHOD_(void, ModeChange)(BSTR mode, VARIANT_BOOL on) = 0;
  STDMETHOD_(void, MediaError)(IDispatch *media) = 0;
  STDMETHOD_(void, OpenPlaylistSwitch)(IDispatch *item) = 0;
  STDMETHOD_(void, DomainChange)(BSTR domain) = 0;
  STDMETHOD_(void, SwitchedToPlayerApplication)() = 0;
  STDMETHOD_(void, SwitchedToControl)() = 0;
  STDMETHOD_(void, PlayerDockedStateChange)() = 0;
  STDMETHOD_(void, PlayerReconnect)() = 0;
  STDMETHOD_(void, Click)(short button, short shift, long x, long y) = 0;
  STDMETHOD_(void, DoubleClick)(short button, short shift, long x, long y) = 0;
  STDMETHOD_(void, KeyDown)(short keyCode, short shift) = 0;
  STDMETHOD_(void, KeyPress)(short character) = 0;
  STDMETHOD_(void, KeyUp)(short keyCode, short shift) = 0;
  STDMETHOD_(void, MouseDown)(short button, short shift, long x, long y) = 0;
  STDMETHOD_(void, MouseMove)(short button, short shift, long x, long y) = 0;
  STDMETHOD_(void, MouseUp)(short button, short shift, long x, long y) = 0;
};
WMP_DECLARE_IID(IWMPEvents, 0x19a6627b, 0xda9e, 0x47c1, 0xbb, 0x23, 0x00, 0xb5, 0xe6, 0x68, 0x23,
                0x6a)

// The dispatch face of the same events: Invoke with the ids of <wmpids.h>.
interface _WMPOCXEvents : public IDispatch {};
WMP_DECLARE_IID(_WMPOCXEvents, 0x6bf52a51, 0x394a, 0x11d3, 0xb1, 0x53, 0x00, 0xc0, 0x4f, 0x79, 0xfa,
                0xa6)
// The Windows SDK spells the dispinterface's id with a D.
inline const IID DIID__WMPOCXEvents = IID__WMPOCXEvents;

// ---- the control -----------------------------------------------------------
class WindowsMediaPlayer;
__CRT_UUID_DECL(WindowsMediaPlayer, 0x6bf52a52, 0x394a, 0x11d3, 0xb1, 0x53, 0x00, 0xc0, 0x4f, 0x79,
                0xfa, 0xa6)
inline const CLSID CLSID_WindowsMediaPlayer = {
    0x6bf52a52, 0x394a, 0x11d3, {0xb1, 0x53, 0x00, 0xc0, 0x4f, 0x79, 0xfa, 0xa6}};

#undef WMP_DECLARE_IID
