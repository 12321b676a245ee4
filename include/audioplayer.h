// audioplayer: an in-process audio player over the system's media player
// control.
//
// Before the first call
// ---------------------
// Status. Every operation that reports success or failure returns a `long`
// holding a 32-bit COM status, sign-extended where `long` is wider (64-bit
// Linux): zero or positive is success, negative is failure. Test the sign,
// `if (status >= 0)`, never equality with 0; some successes are positive.
// The library's own failures are E_FAIL 0x80004005 (not created, a null or
// empty argument, a precondition), E_INVALIDARG 0x80070057 (an index or
// record the operation rejects) and E_OUTOFMEMORY 0x8007000E; every other
// negative value is the control's status passed through unchanged.
//
// Threads. A player is used only from the thread that created it. The
// control raises its events on that thread while it pumps its window
// messages (GetMessageW/PeekMessageW and DispatchMessageW), and the callback
// runs there, inside the event; it never runs on any other thread.
//
// On Linux, <windows.h> is the library's own (installed beside this header)
// and the library provides of it only what a host calls: the message pump
// (GetMessageW, PeekMessageW, TranslateMessage, DispatchMessageW,
// PostQuitMessage, and PostMessageW, which another thread of the host may
// call to wake a GetMessageW), DestroyWindow for the player's window, and the
// UTF-8 and UTF-16 conversions MultiByteToWideChar and WideCharToMultiByte.
// A host that runs a main loop of its own (GLib, Qt) waits on the thread's
// message descriptor instead of GetMessageW: <audioplayer_mainloop.h>.
//
// The callback may call back into the player, any operation, including one
// that makes the control raise another event at once; that nested
// notification arrives re-entrantly and does not disturb the outer one.
//
// Text. Every string is NUL-terminated UTF-16 in `unsigned short` units.
// Paths, URLs, drive specifiers and playlist names are cut to 259 units
// before they reach the control.
//
// Ownership. Every pointer argument belongs to the caller for the call
// only; the library keeps none and hands back nothing the host must free.
// The player itself is returned by InitInstance and given back to
// DestroyInstance.
//
// Environment: what the library does to the process
// -------------------------------------------------
// Loading. When the library is loaded it makes the loading thread a COM
// single-threaded apartment (CoInitialize), initialises the common controls
// and registers the control-hosting window classes "AtlAxWin120" and
// "AtlAxWinLic120"; unloading uninitialises COM once. On Windows that is the
// system's COM; on Linux it is the library's own, which nothing outside the
// library sees. It installs no signal handler and never changes the locale,
// the working folder or the standard streams.
//
// InitInstance creates the player's hosting window (a child of the host's
// window, or a popup of its own) and destroys the hosting window of the
// player created before it; DestroyInstance hides the window.
//
// Threads. The library's own code starts one thread, on Linux, while it
// writes a host's tag edits into media files (SetMusicInfo), and only then:
// it touches nothing of the host's. On Linux the embedded
// engine plays through GStreamer, which the library initialises on first
// use (gst_init_check) and which runs threads of its own: each player's
// playback pipeline (decoding, the audio output), the tag reader that reads
// a file's attributes, and HTTP fetches of playlists and streams. Nothing
// they report reaches the host from there: it is posted to the player's
// window and handled on the player's thread. The engine also ranks
// GStreamer's cdparanoiasrc below cdiocddasrc for the whole process, so
// that cdda:// URLs of disc images play.
//
// Files written (Linux; on Windows the control keeps its own):
// - the media library and saved playlists, one SQLite database:
//   $AUDIOPLAYER_LIBRARY, else $XDG_DATA_HOME/audioplayer/library.db, else
//   $HOME/.local/share/audioplayer/library.db, with its "-wal" and "-shm"
//   files while a player is alive; folders made 0700, the file 0600;
// - the registry (the "LibraryRights" preference): $AUDIOPLAYER_REGISTRY,
//   else $XDG_CONFIG_HOME/audioplayer/registry, else
//   $HOME/.config/audioplayer/registry, replaced whole on each change;
// - the playlist files the host names (UpdateCurPlaylistToFile), and the
//   WAV file AUDIOPLAYER_SINK=file:PATH names;
// - for a disc image's CUE sheet that libcdio cannot read as it stands (a
//   byte-order mark, a .bin of another name), a copy it can, with a link
//   to the .bin: $XDG_CACHE_HOME/audioplayer/disc-images, else
//   $HOME/.cache/audioplayer/disc-images;
// - the pictures media files embed, once each, named by their content
//   (audioplayer_picture.h): $XDG_CACHE_HOME/audioplayer/pictures, else
//   $HOME/.cache/audioplayer/pictures.
// A media file is written only to put the host's edit of a text tag into
// it (SetMusicInfo), by a new copy renamed over it, and is never deleted.
//
// Environment variables read (Linux):
// - AUDIOPLAYER_LIBRARY, XDG_DATA_HOME, HOME: where the database is;
// - AUDIOPLAYER_REGISTRY, XDG_CONFIG_HOME, HOME: where the registry is;
// - XDG_CACHE_HOME, HOME: where the disc-image sheet copies and the
//   extracted pictures are;
// - AUDIOPLAYER_SINK: the audio output: unset for the default one, "fake"
//   (silent, real time), "pulse:SINK", "alsa:DEVICE", or "file:PATH.wav"
//   (the samples that would be heard, written as fast as they decode); a
//   device that goes away mid-track gives way to the default output;
// - AUDIOPLAYER_OPEN_SECONDS: the most a network item may take to open
//   (connect, answer, give the data it starts from) before it fails as a
//   missing file does, with CN_MediaError for it (default 10);
// - AUDIOPLAYER_LEVELLING: loudness levelling by the files' ReplayGain
//   tags, read when the player is made: "off" (the default: the samples as
//   decoded), "track", "album" or "auto" (the album's gain for a track
//   played in order next to one of its album), then optionally ",PREAMP" and
//   ",UNTAGGED" in dB (for example "album,3,-6"): a gain on top of the
//   tag's, and the gain of a file neither tagged nor measured; a peak keeps
//   the gain from clipping, and without one no gain goes above 0 dB. While
//   it is on, a local file played whole is measured (EBU R128) and the
//   measure kept in the media library: from its next play an untagged file
//   is brought to -18 LUFS (audioplayer_loudness.h tells a host what is
//   known). Anything else is off;
// - AUDIOPLAYER_ACP: the ANSI code page (default 1252): M3U files written,
//   and CP_ACP in MultiByteToWideChar and WideCharToMultiByte;
// - DISPLAY: the X display the player's window is drawn on, when the host
//   shows it (audioplayer_x11.h); the library opens one connection to it.
//   On Wayland the library opens none: it draws on the connection the host
//   hands it (audioplayer_wayland.h).
// GStreamer and GLib read their own (GST_PLUGIN_PATH, GST_DEBUG, ...).
//
// Compatibility
// -------------
// AUDIOPLAYER_VERSION_MAJOR, _MINOR and _PATCH are the version of the
// library this header belongs to; on Linux the shared library is
// libaudioplayer.so.MAJOR.MINOR.PATCH with the SONAME libaudioplayer.so.MAJOR.
// Within a major version the exported surface stays the one class: its
// virtual operations keep their order and signatures, tagMediaInfo its
// layout, and the notification codes their meaning; a minor version may add
// behaviour or accept what was refused; a patch version only fixes. A host
// built against one major version does not load another (the SONAME
// differs).
#pragma once

#define AUDIOPLAYER_VERSION_MAJOR 1
#define AUDIOPLAYER_VERSION_MINOR 0
#define AUDIOPLAYER_VERSION_PATCH 0

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The play state reported by GetPlayState and CN_PlayStateChange.
enum PlayState {
  PS_Undefined = 0,
  PS_Stopped = 1,
  PS_Paused = 2,
  PS_Playing = 3,
  PS_ScanForward = 4,
  PS_ScanReverse = 5,
  PS_Buffering = 6,
  PS_Waiting = 7,
  PS_MediaEnded = 8,
  PS_Transitioning = 9,
  PS_Ready = 10,
  PS_Reconnecting = 11,
  PS_Last = 12
};

// Notification codes handed to the host callback, with their parameters
// (first, second):
enum CallNotify {
  CN_Reserved0 = 0,             // never raised by the library
  CN_PlayStateChange = 1,       // (PlayState, index of the current item)
  CN_OpenStateChange = 2,       // (open state 1..21 or 0, index of the current item)
  CN_Reserved3 = 3,             // never delivered
  CN_Error = 4,                 // (0, 0)
  CN_MediaError = 5,            // (media item identity, its index); see below
  CN_Reserved6 = 6,             // never delivered
  CN_Reserved7 = 7,             // never raised by the library
  CN_Click = 8,                 // (x, y) of a left click in the player's window
  CN_CurrentPlaylistChange = 9, // (the control's change kind, 0)
};
// CN_MediaError's first parameter is the low 32 bits of the control's media
// object address: an identity for the duration of the callback only, never
// a pointer to dereference.

// The host callback: (cookie given to InitInstance, code, first, second).
// Its result is ignored.
typedef long(CALLBACK *AudioNotifyProc)(long cookie, CallNotify code, long first, long second);

// Which player implementation stands behind the interface.
enum WMPVersion { WV_None = 0, WV_WMP9 = 3 };

// Attribute bits of tagMediaInfo::dwMask, and the single attribute that
// SetMusicInfo writes.
enum InfoType {
  INFO_TITLE = 0x1,
  INFO_ALBUM = 0x2,
  INFO_AUTHOR = 0x4,
  INFO_DURATION = 0x8,
  INFO_SOURCEURL = 0x10,
  INFO_GENRE = 0x20,
  INFO_COMPOSER = 0x40,
  INFO_TOC = 0x80,
  INFO_ALBUMARTIST = 0x100,
  INFO_CONTENTID = 0x200,
  INFO_FILETYPE = 0x400,
  INFO_WIDTH = 0x800,
  INFO_HEIGHT = 0x1000,
  INFO_VIDEOCODEC = 0x2000,
  INFO_AUDIOCODEC = 0x4000,
  INFO_VIDEOBITRATE = 0x8000,
  INFO_AUDIOBITRATE = 0x10000,
  INFO_ASPECTRATIO = 0x20000,
  INFO_BITRATE = 0x40000,
  INFO_FRAMERATE = 0x80000,
  INFO_CHANNELS = 0x100000
};

// Media information. The host sets dwMask to the attributes it wants; a
// fill operation zeroes everything else, keeps dwMask, and stores each text
// cut to 424 units with a NUL at index 424 (szFileType: 3 units and a NUL).
// The widths are fixed: 32-bit integers, 64-bit double, 16-bit text units.
struct tagMediaInfo {
  std::uint32_t dwMask;
  unsigned short szTitle[425];
  unsigned short szAlbum[425];
  unsigned short szAuthor[425];
  unsigned short szSourceURL[425];
  unsigned short szGenre[425];
  double dDuration; // seconds
  unsigned short szComposer[425];
  unsigned short szTOC[425];
  unsigned short szAlbumArtist[425];
  unsigned short szContentID[425];
  unsigned short szFileType[4];
  std::int32_t lWidth; // image source, pixels; 0 when none
  std::int32_t lHeight;
  unsigned short szVideoCodec[425];
  unsigned short szAudioCodec[425];
  std::int32_t lVideoBitrate;
  std::int32_t lAudioBitrate;
  std::int32_t lAspectX; // lowest terms
  std::int32_t lAspectY;
  std::int32_t lBitrate;
  std::int32_t lFrameRate;
  std::int32_t lChannels;
};
// The layout every build of the library and of a host must share: a host
// compiled with other packing (/Zp2, #pragma pack) fails here, not at run time.
static_assert(sizeof(tagMediaInfo) == 9408 && alignof(tagMediaInfo) == 8);
static_assert(offsetof(tagMediaInfo, szTitle) == 4 && offsetof(tagMediaInfo, szGenre) == 3404);
static_assert(offsetof(tagMediaInfo, dDuration) == 4256 && offsetof(tagMediaInfo, szTOC) == 5114);
static_assert(offsetof(tagMediaInfo, szFileType) == 7664 && offsetof(tagMediaInfo, lWidth) == 7672);
static_assert(offsetof(tagMediaInfo, szVideoCodec) == 7680 &&
              offsetof(tagMediaInfo, lVideoBitrate) == 9380);
static_assert(offsetof(tagMediaInfo, lChannels) == 9404);

#if defined(_WIN32)
#if defined(AUDIOPLAYER_BUILD)
#define AUDIOPLAYER_API __declspec(dllexport)
#else
#define AUDIOPLAYER_API __declspec(dllimport)
#endif
#else
#define AUDIOPLAYER_API __attribute__((visibility("default")))
#endif

// The player. Get one from InitInstance, give it back to DestroyInstance.
// Every operation below is answered by the player's back end; this class's
// own bodies report failure (E_FAIL, null, 0, false, or nothing).
class AUDIOPLAYER_API CAudioPlayer {
public:
  // Creates a player with its window (a child of `parent`, or a popup of
  // its own when `parent` is null, at `rect`, or 0,0 sized 0x0 when null)
  // and the control in it. `style` and `exStyle` 0 choose the defaults: for
  // a popup WS_POPUP|WS_BORDER|WS_SYSMENU with WS_EX_CLIENTEDGE. A new player
  // destroys the window of the player created before it. Writes the status
  // to `status`; returns null when it is negative.
  static CAudioPlayer *InitInstance(long &status, HINSTANCE instance, HWND parent, RECT *rect,
                                    const unsigned short *windowName, DWORD style, DWORD exStyle,
                                    AudioNotifyProc callback, long cookie);
  // Destroys a player; null is ignored. Its window is hidden, not destroyed.
  // `delete player` does the same, in a host built with g++ or with
  // Microsoft's compiler: the player's table carries the destructor each
  // ABI calls, and the memory is freed by the library that allocated it.
  static void DestroyInstance(CAudioPlayer *player);

  CAudioPlayer();
  CAudioPlayer(const CAudioPlayer &other);
  CAudioPlayer &operator=(const CAudioPlayer &other);

  // The player's window (null before it exists), and WV_WMP9.
  virtual HWND GetPlayWindow();
  virtual WMPVersion GetCurrentPlayerVer();

  // Media information of a file (title, album, author, duration, source
  // URL, genre, composer, album artist), and one attribute written back:
  // into the media library at once, and on Linux into the file's own tags
  // soon after, off the host's thread (the README's media library section
  // says when a file is left alone; the edit then stays in the library).
  virtual long GetMusicInfo(const unsigned short *path, tagMediaInfo *info);
  virtual long SetMusicInfo(const unsigned short *path, const unsigned short *value, InfoType type);

  // Transport. PlaySingleFile empties the current playlist, adds `path`
  // and plays it.
  virtual long PlaySingleFile(const unsigned short *path);
  virtual long Play();
  virtual long Pause();
  virtual long Resume();
  virtual long Stop();
  virtual long GotoBegin();
  virtual long GotoEnd();
  virtual long NextTrack();
  virtual long PrevTrack();
  virtual long GetPos(double *seconds);
  virtual long SetPos(double seconds); // E_FAIL past the current item's duration
  virtual long GetPlayState(PlayState *state);

  // Settings. Flags read back as 1 or 0.
  virtual long SetVol(long volume); // 0..100
  virtual long GetVol(long *volume);
  virtual long SetMute(int mute);
  virtual long GetMute(int *mute);
  virtual long SetVisFullSrc(int fullScreen);
  virtual long GetVisFullSrc(int *fullScreen);
  virtual long EnableVis(int visible); // display mode "none" or "invisible"
  virtual long EnableErrorDialogs(int enable);
  virtual int IsSupportSetRate(); // non-zero when the rate can change
  virtual long SetRate(double rate);
  virtual long SetLoop(int loop);
  virtual long GetLoop(int *loop);
  virtual long SetShuffle(int shuffle);
  virtual long GetShuffle(int *shuffle);

  // Playlist files and URLs: play one, or make it the current playlist.
  virtual long PlayPlaylist(const unsigned short *path);
  virtual long SetCurPlaylist(const unsigned short *path);

  // Editing the current playlist; indexes are 0-based, 0..count for
  // insertion.
  virtual long AppendMusic(const unsigned short *path);
  virtual long InsertMusic(const unsigned short *path, long index);
  virtual long RemoveMusic(long index);
  virtual long MoveMusic(long from, long to);
  virtual long ClearAllMusic();
  virtual long GetCurPlaylistMusicInfo(long index, tagMediaInfo *info);
  virtual long SetCurPlaylistMusicInfo(long index, tagMediaInfo *info);
  virtual long GetCurPlaylistCount(long *count);

  // Saved playlists and the current item.
  virtual long GetPlaylistNumByName(const unsigned short *name, long *count);
  virtual long GetPlaylistIndex(long *index); // -1 when there is none
  virtual long SaveCurPlaylist(const unsigned short *name);
  // Writes the current playlist as .asx, .m3u or .wpl, by the extension.
  virtual long UpdateCurPlaylistToFile(const unsigned short *path);
  virtual long PlaylistIndex(long index);
  virtual long DeleteItemFromCollection(const unsigned short *path);
  virtual long GetPLCollectionCount(long *count);
  // `name` receives at most 424 units and a NUL: give 425.
  virtual long GetPLCollectionNamebyIndex(long index, unsigned short *name);
  virtual long UpdatePlaylistbyIndex(long index);
  // Makes the CD in `drive` the current playlist: one item per audio track,
  // with its name (CD-Text, else "Track N"), length, the disc's "TOC" and
  // file type "cda". On Windows `drive` is the control's drive specifier
  // ("D:"). On Linux it is a device path ("/dev/sr0"), a device name ("sr0"),
  // or a disc image (a .cue sheet with its .bin, a .toc, a .nrg); a
  // specifier that names nothing gives E_INVALIDARG, a drive without a disc
  // 0x80070015, a disc without audio tracks 0x8007000D.
  virtual long SetCdromToCurPlaylist(const unsigned short *drive);

  // Delivers a notification to the callback as the control's events do.
  virtual void CallAudioProc(CallNotify code, long first, long second);
  virtual long SetPlayListIndex(long index); // 0..count-1
  virtual long PlayCurrent();

protected:
  virtual long CreatePlayer(HWND parent, HINSTANCE instance, RECT *rect,
                            const unsigned short *windowName, DWORD style, DWORD exStyle,
                            AudioNotifyProc callback, long cookie);

public:
  virtual ~CAudioPlayer();
};
