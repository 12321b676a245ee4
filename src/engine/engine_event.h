// An event of the control, as queued by the engine and raised later on the
// host's thread, and how one connected sink hears it: the control's event
// faces (control/event_delivery.h) know how to call a sink.
#pragma once

#include <wmp.h>
#include <wmpids.h>

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
};

// Calls `sink` with the event, through the face it was connected on.
using EventDelivery = void (*)(IUnknown *sink, const EngineEvent &event);

} // namespace engine
