// Playing what the user named, to its end, while pumping the player's
// messages on this thread; every notification is printed as it arrives.
#pragma once

#include <audioplayer.h>

#include <string>
#include <vector>

// One thing to play: a playlist file or URL, or a run of consecutive media
// files that is played as one playlist.
struct Group {
  bool playlist = false;
  std::vector<std::string> items;
};

// The callback to give InitInstance: prints "CN_<name> <first> <second>"
// for each notification (play states with their name) and records what the
// running PlayGroup needs to know.
long CALLBACK PrintNotification(long cookie, CallNotify code, long first, long second);

// How many error notifications (CN_Error) arrived so far, playing or not.
long ErrorsHeard();

// Dispatches the messages already posted to this thread.
void DispatchPending();

// Makes SIGINT and SIGTERM end PlayGroup cleanly, with status 130.
void InstallInterruptHandler();

// Makes the group the current playlist; false, with a message, on failure.
bool LoadGroup(CAudioPlayer &player, const Group &group);

// Loads and plays the group to its end, printing the current item and the
// position about once a second unless `quiet`. When `interactive`, the
// position is a progress line redrawn in place and keys steer the player:
// space pause/resume, n/p next/previous, left/right seek 5 s, +/- volume,
// m mute, l loop, s shuffle, q quit. Returns 0 when it played to the end
// (or the user quit), 1 when an item could not be played or the player
// failed, 130 when interrupted.
int PlayGroup(CAudioPlayer &player, const Group &group, bool quiet, bool interactive);
