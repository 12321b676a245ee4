// The desktop's media-player interface (MPRIS: org.mpris.MediaPlayer2 and
// org.mpris.MediaPlayer2.Player on the D-Bus session bus), so that media
// keys and desktop widgets steer audioplay. GDBus runs on a thread of its
// own with its own main context; what the desktop asks for is posted to the
// player's window as kMprisMessage and carried out on the host's thread,
// which publishes what plays back to the bus with Publish. Without a
// session bus nothing is made and audioplay runs as before.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

// wParam: an MprisCommand; lParam: microseconds for SeekBy and SeekTo, the
// volume in percent for SetVolume, 0 or 1 for SetLoop and SetShuffle, the
// rate in millionths for SetRate, and for OpenUri a new std::string (the
// URI) that the receiver deletes.
constexpr UINT kMprisMessage = WM_APP + 0x204;

enum class MprisCommand : WPARAM {
  PlayPause,
  Play,
  Pause,
  Stop,
  Next,
  Previous,
  SeekBy,
  SeekTo,
  SetVolume,
  SetLoop,
  SetShuffle,
  SetRate,
  OpenUri,
  Quit,
};

// The rates audioplay plays at (--rate and the desktop's Rate).
constexpr double kMinimumRate = 0.001;
constexpr double kMaximumRate = 16;

// What the desktop is shown.
struct MprisState {
  std::string status = "Stopped"; // "Playing", "Paused" or "Stopped"
  long index = -1;                // of the current item; -1: none
  long count = 0;                 // items in the playlist
  std::string title, artist, album;
  std::string url;     // a path, or a URL with its scheme
  std::string picture; // the path of the item's picture, if it has one
  double length = 0;   // seconds
  double position = 0; // seconds, at `read`
  std::chrono::steady_clock::time_point read{};
  double volume = 0.5; // 0..1
  double rate = 1;
  bool loop = false, shuffle = false;
  // Groups of the command line before and after the playlist that plays,
  // which Previous and Next go on to.
  bool groupBefore = false, groupAfter = false;
  bool seeked = false; // the position jumped: Publish says so (Seeked)
};

class MprisService {
public:
  // Null when there is no session bus (DBUS_SESSION_BUS_ADDRESS unset) or
  // the name cannot be had.
  static std::unique_ptr<MprisService> Start(HWND window);
  ~MprisService();
  MprisService(const MprisService &) = delete;
  MprisService &operator=(const MprisService &) = delete;

  // Called on the host's thread; the bus hears of what changed.
  void Publish(const MprisState &state);

  struct Bus; // the GDBus side, on its thread

private:
  explicit MprisService(std::unique_ptr<Bus> bus);
  std::unique_ptr<Bus> bus_;
};
