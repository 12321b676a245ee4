// The states the current item's stream goes through, and every way from one
// to another. What the host asked (play or pause) is part of the state: a
// stream that loads goes on to play or stays paused by it.
#pragma once

namespace engine {

enum class SessionState {
  Stopped,           // nothing opened
  Opening,           // opened to play: loading
  OpeningPaused,     // opened to stay paused: loading
  Playing,           // loaded and playing, or on its way there
  Paused,            // loaded and paused
  HandingOver,       // playing on into the next item: the host hears the change
  HandingOverPaused, // the same, paused meanwhile
};

// What moves the stream from one state to another.
enum class SessionMove {
  Open,          // an item opens to play
  OpenPaused,    // an item opens to stay paused
  Play,          // the host asks to play
  Pause,         // the host asks to pause
  Load,          // the pipeline has loaded the opened item
  HearHandOver,  // the host is to hear that the stream went on into the next item
  HandOverHeard, // it has
  Stop,          // playback ends: stopped, failed, ended or replaced
};

// The state `move` leads to from `state`; a move that means nothing in a
// state leaves it there.
SessionState After(SessionState state, SessionMove move);

// Whether an item is opened (loading or loaded).
inline bool IsActive(SessionState state) {
  return state != SessionState::Stopped;
}
// Whether the opened item is loaded: position and seeks work.
inline bool IsLoaded(SessionState state) {
  return state == SessionState::Playing || state == SessionState::Paused ||
         state == SessionState::HandingOver || state == SessionState::HandingOverPaused;
}
// Whether the host wants it to play.
inline bool WantsPlay(SessionState state) {
  return state == SessionState::Opening || state == SessionState::Playing ||
         state == SessionState::HandingOver;
}
inline bool IsHandingOver(SessionState state) {
  return state == SessionState::HandingOver || state == SessionState::HandingOverPaused;
}

} // namespace engine
