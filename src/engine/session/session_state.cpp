#include "engine/session/session_state.h"

namespace engine {

SessionState After(SessionState state, SessionMove move) {
  using State = SessionState;
  switch (move) {
  case SessionMove::Open:
    return State::Opening;
  case SessionMove::OpenPaused:
    return State::OpeningPaused;
  case SessionMove::Play:
    return state == State::OpeningPaused       ? State::Opening
           : state == State::Paused            ? State::Playing
           : state == State::HandingOverPaused ? State::HandingOver
                                               : state;
  case SessionMove::Pause:
    return state == State::Opening       ? State::OpeningPaused
           : state == State::Playing     ? State::Paused
           : state == State::HandingOver ? State::HandingOverPaused
                                         : state;
  case SessionMove::Load:
    return state == State::Opening         ? State::Playing
           : state == State::OpeningPaused ? State::Paused
                                           : state;
  case SessionMove::HearHandOver:
    return state == State::Playing  ? State::HandingOver
           : state == State::Paused ? State::HandingOverPaused
                                    : state;
  case SessionMove::HandOverHeard:
    return state == State::HandingOver         ? State::Playing
           : state == State::HandingOverPaused ? State::Paused
                                               : state;
  case SessionMove::Stop:
    return State::Stopped;
  }
  return state;
}

} // namespace engine
