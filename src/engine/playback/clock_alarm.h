// A message posted on a pipeline's bus when a clock reaches a time, so that
// it reaches the host's thread the way the bus's own messages do: how the
// playback wakes the session at a stream position, and tells it that a
// network item took too long to open.
#pragma once

#include <memory>

typedef struct _GstBus GstBus;
typedef struct _GstClock GstClock;
typedef struct _GstMessage GstMessage;

namespace engine {

class ClockAlarm {
public:
  // An application message named `name`, its "serial" field `serial`,
  // posted on `bus` once `clock` has gone `seconds` past its time now.
  // Takes a reference to `clock` and `bus` of its own; null if the clock
  // cannot wait.
  static std::unique_ptr<ClockAlarm> After(GstClock *clock, double seconds, GstBus *bus,
                                           const char *name, unsigned long serial);
  // Whether `message` is an alarm named `name` with `serial`.
  static bool Rang(GstMessage *message, const char *name, unsigned long serial);
  // Not posted any more, unless posting is under way.
  ~ClockAlarm();
  ClockAlarm(const ClockAlarm &) = delete;
  ClockAlarm &operator=(const ClockAlarm &) = delete;

private:
  ClockAlarm() = default;
  GstClock *clock_ = nullptr;
  void *id_ = nullptr; // the clock's single-shot id
};

} // namespace engine
