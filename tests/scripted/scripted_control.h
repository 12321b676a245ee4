// scripted::Control: a stand-in for the Windows Media Player control that
// the back-end tests create instead of the real one. While a Control
// exists, CoCreateInstance(CLSID_WindowsMediaPlayer) builds a scripted
// player object over the Control's model (the latest Control registered
// wins; destroying it revokes the registration).
//
// Model. The state lives in plain data (Model below), never in COM objects:
// every COM object the control hands out is a transient wrapper over a
// record of the model, so once the player has released everything no COM
// object of the control is alive, and liveObjects() tells whether it did.
// Wrappers over the same record are "identical" (get_isIdentical).
//
// Default behaviour is that of a simple real control: playlists append,
// count and select; next/previous move through the current playlist (and
// wrap when the "loop" mode is on); getByName looks in the saved library;
// newPlaylist(name, url) returns the playlist registered for `url` in
// Model::playlistFiles or a fresh empty one; newMedia(url) copies the item
// registered in Model::mediaFiles or makes a bare one; the media
// collection's add returns the library's item for the url or adds one.
// No event is ever raised by itself: the test raises each one.
//
// Scripting, by method name "Interface.method" (the interface is the
// object's main one, so IWMPCore methods are named "IWMPPlayer4.get_URL"):
//   fail(name, hr)     the method returns `hr` (any status, S_FALSE or
//                      0x00000002 included) and does nothing else; its out
//                      parameters are cleared.
//   giveNull(name)     the method returns S_OK with a null out parameter.
//   onCall(name, fn)   runs `fn` when the method is called, after recording
//                      it and before answering (so a hook may raise events
//                      from inside the call).
// Extra names: "IClassFactory.CreateInstance" (or failCreate(hr)),
// "IConnectionPointContainer.FindConnectionPoint.IWMPEvents" and
// "IConnectionPointContainer.FindConnectionPoint._WMPOCXEvents" (fail only
// the lookup of that face), "<Interface>.QueryInterface.<IID name>" (fail a
// QueryInterface for that interface; QueryInterface is not recorded).
//
// Recording: every method call except QueryInterface/AddRef/Release is
// recorded with its arguments as text: integers in decimal, VARIANT_BOOL as
// "-1"/"0", doubles as printf "%g", strings as UTF-8 ("" for a null BSTR),
// a media item as its URL, a playlist as its name, a null object as "null",
// an object of some other implementation as "foreign", an IID by name.
//
// Threads: single-threaded, like the control on its apartment thread; an
// event raised by the test reaches the sinks synchronously.
#pragma once

#include <windows.h>
#include <wmp.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace scripted {

// ---- the model -------------------------------------------------------------
struct MediaItem {
  std::u16string url;
  std::u16string name;
  // getItemInfo/setItemInfo read and write these only.
  std::map<std::u16string, std::u16string> attributes;
  // setItemInfo on one of these fails with E_ACCESSDENIED.
  std::set<std::u16string> readOnly;
  double duration = 0;
  long imageWidth = 0;
  long imageHeight = 0;
};
using Media = std::shared_ptr<MediaItem>;

struct Playlist {
  std::u16string name;
  std::vector<Media> items;
};
using PlaylistRef = std::shared_ptr<Playlist>;

struct CdDrive {
  std::u16string specifier; // e.g. u"D:"
  PlaylistRef disc;         // null: no disc, get_Playlist fails
};

struct Model {
  // The current playlist and the index of its current item (none: no item).
  // Editing the current playlist keeps the index on the same item.
  PlaylistRef currentPlaylist = std::make_shared<Playlist>();
  std::optional<std::size_t> currentItem;

  std::vector<PlaylistRef> savedPlaylists;             // the playlist library
  std::map<std::u16string, PlaylistRef> playlistFiles; // url -> playlist file
  std::map<std::u16string, MediaItem> mediaFiles;      // url -> item template
  std::vector<Media> mediaLibrary;                     // the media collection
  std::vector<CdDrive> cdDrives;

  long playState = wmppsUndefined;
  double position = 0;

  // Settings.
  long volume = 50;
  bool mute = false;
  double rate = 1.0;
  bool rateAvailable = true; // settings.get_isAvailable("rate")
  std::map<std::u16string, bool> modes = {{u"loop", false}, {u"shuffle", false}};
  bool fullScreen = false;
};

// ---- recording -------------------------------------------------------------
struct Call {
  std::string method;            // "IWMPControls.play"
  std::vector<std::string> args; // as described at the top
};

struct State; // shared by the Control and every object it hands out

class Control {
public:
  Control();
  ~Control();
  Control(const Control &) = delete;
  Control &operator=(const Control &) = delete;

  Model &model();

  // Model helpers: a new item (not added anywhere), a new playlist of new
  // items for `urls`, and the same added to the saved library.
  Media makeMedia(std::u16string url, std::u16string name = {}, double duration = 0);
  PlaylistRef makePlaylist(std::u16string name, const std::vector<std::u16string> &urls = {});
  PlaylistRef savePlaylist(std::u16string name, const std::vector<std::u16string> &urls = {});
  // Replaces the current playlist (current item: the first, if any).
  PlaylistRef setCurrentPlaylist(std::u16string name, const std::vector<std::u16string> &urls);

  // Scripting.
  void fail(const std::string &method, HRESULT hr);
  void giveNull(const std::string &method);
  void onCall(const std::string &method, std::function<void()> hook);
  void failCreate(HRESULT hr) { fail("IClassFactory.CreateInstance", hr); }
  void clearScript();

  // Recording.
  const std::vector<Call> &calls() const;
  std::vector<Call> callsTo(const std::string &method) const;
  std::size_t count(const std::string &method) const;
  void clearCalls();
  // The recorded method names, one a line, for failure messages.
  std::string callLog() const;

  // Events, to every connected sink on the face it was connected on: the
  // IWMPEvents method, or _WMPOCXEvents::Invoke with the event's dispatch id
  // and the arguments last-first in DISPPARAMS (VT_I4, VT_I2, VT_R8, VT_BOOL,
  // VT_BSTR, VT_DISPATCH). Raising with no sink connected does nothing.
  std::size_t connectionCount() const;
  void raiseOpenStateChange(long state);
  void raisePlayStateChange(long state);
  void raiseError();
  void raiseCurrentPlaylistChange(long change);
  // The media object handed to the sinks is a fresh wrapper over `item`
  // (or the given object, passed as it is); the result is its address as
  // delivered, for comparison with what the player reports.
  std::uintptr_t raiseMediaError(const Media &item);
  std::uintptr_t raiseMediaError(std::size_t currentPlaylistIndex);
  std::uintptr_t raiseMediaError(IWMPMedia *media);
  void raiseClick(short button, short shift, long x, long y);

  // Player objects made by the factory so far and CreateInstance calls.
  std::size_t instancesCreated() const;

private:
  std::shared_ptr<State> state_;
  DWORD registration_ = 0;
};

// ---- leak accounting (process-wide) ----------------------------------------
// COM objects of the scripted control alive now (class factories excluded),
// and the sum of their reference counts. Both are 0 once everything handed
// out has been released.
std::size_t liveObjects();
long outstandingReferences();
// "IWMPMedia: 2 objects, 3 references" lines, or "no live objects".
std::string leakReport();

// UTF-8 of UTF-16 text, for assertions.
std::string utf8(const std::u16string &text);

} // namespace scripted
