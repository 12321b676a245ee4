// An event of the control, as queued by the engine and raised later on the
// host's thread, and its delivery to one sink through either event face:
// IWMPEvents by direct call, or _WMPOCXEvents by Invoke with the dispatch
// ids of <wmpids.h> and the arguments last-first, as a real control does.
#pragma once

#include <wmp.h>
#include <wmpids.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/library/media_item.h"
#include "engine/library/playlist_data.h"

namespace engine {

struct EngineEvent {
  DISPID id = 0;
  long number = 0; // the new state, the change kind, the result
  double from = 0; // PositionChange: old and new position
  double to = 0;
  std::u16string text{};                    // ModeChange: the mode
  bool flag = false;                        // ModeChange: on; Buffering: start
  std::shared_ptr<MediaItem> media{};       // MediaError, CurrentItemChange, MediaChange
  std::shared_ptr<PlaylistData> playlist{}; // PlaylistChange
  // Not an event: work the engine does once the events queued before it
  // have been raised, so that their sinks still see the state they report.
  std::function<void()> then{};
};

enum class EventFace { Events, Dispatch };

// `sink` is the sink's IWMPEvents for EventFace::Events, its IDispatch
// (_WMPOCXEvents) for EventFace::Dispatch. Media and playlist arguments are
// made into new objects for the call and released after it.
void DeliverEvent(EventFace face, IUnknown *sink, const EngineEvent &event);

} // namespace engine
