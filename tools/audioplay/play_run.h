// Playing what the user named, to its end, while the host's thread waits
// for the player's messages; what happens is reported as it arrives.
#pragma once

#include <audioplayer.h>

class MprisService;

#include <string>
#include <vector>

// One thing to play: a playlist file or URL, or a run of consecutive media
// files that is played as one playlist.
struct Group {
  bool playlist = false;
  std::vector<std::string> items;
  bool cd = false; // items[0] is a CD drive or disc image
};

// What is said while playing.
enum class Talk {
  Quiet,   // play states and errors, as raw notification lines
  Normal,  // the items, state changes and errors in words
  Verbose, // Normal, with every notification's code and parameters
};

// How to play: the settings given on the command line.
struct PlayOptions {
  Talk talk = Talk::Normal;
  bool interactive = false; // a terminal: progress line and keys
  bool loop = false;
  bool shuffle = false;
  long volume = -1; // 0..100, or -1 to leave it
  double start = 0; // seconds into the first item
  double rate = 1;
  // Groups on the command line before and after this one, which Next and
  // Previous go on to from its ends; and whether to begin at its last item
  // (Previous came from the group after it).
  bool groupBefore = false, groupAfter = false;
  bool startAtLast = false;
  // The item to begin at instead (-1: none), and whether to wait there
  // stopped: where the desktop had left a group it comes back to.
  long startIndex = -1;
  bool startHeld = false;
};

// The callback to give InitInstance: reports each notification and records
// what the running PlayGroup needs to know.
long CALLBACK OnNotification(long cookie, CallNotify code, long first, long second);

// How many error notifications (CN_Error) arrived so far, playing or not.
long ErrorsHeard();

// Dispatches the messages already posted to this thread.
void DispatchPending();

// Makes the group the current playlist; false, with a message, on failure.
bool LoadGroup(CAudioPlayer &player, const Group &group);

// Loads and plays the group to its end. When interactive, the position is a
// progress line redrawn in place and keys steer the player: space
// pause/resume, n/p next/previous, left/right seek 5 s, +/- volume, m mute,
// l loop, s shuffle, q quit. Returns 0 when it played to the end (or the
// user quit), 1 when an item could not be played or the player failed, 130
// or 143 when interrupted by SIGINT or SIGTERM. With `mpris`, the desktop
// sees what plays and steers it too. `left` says how the group was left.
enum class GroupEnd {
  Played,     // to its end: the next group follows
  ToNext,     // Next from its last item
  ToPrevious, // Previous from its first item
  Opened,     // the desktop opened a playlist: it plays next, as a group of its own
  Quit,       // the user or the desktop quit: nothing else plays
};
struct GroupLeft {
  GroupEnd end = GroupEnd::Played;
  bool loaded = false; // it was loaded and began to play
  // For Opened: the playlist, and where this group was (its item, the
  // position in it, stopped or not) for coming back if it cannot be played.
  std::string opened;
  long index = -1;
  double at = 0;
  bool held = false;
};
int PlayGroup(CAudioPlayer &player, const Group &group, const PlayOptions &options,
              MprisService *mpris, GroupLeft *left);
