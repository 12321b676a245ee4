// The control's two event faces and how a sink connected on each hears an
// event: IWMPEvents by direct call, or _WMPOCXEvents by Invoke with the
// dispatch ids of <wmpids.h> and the arguments last-first, as a real
// control does. Media and playlist arguments are made into new objects for
// the call and released after it.
#pragma once

#include "engine/engine_event.h"

namespace engine {

enum class EventFace { Events, Dispatch };

// For EventFace::Events the sink is its IWMPEvents, for EventFace::Dispatch
// its IDispatch (_WMPOCXEvents).
EventDelivery DeliveryOf(EventFace face);

} // namespace engine
