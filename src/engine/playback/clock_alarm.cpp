#include "engine/playback/clock_alarm.h"

#include <gst/gst.h>

#include <cmath>

namespace engine {

namespace {

struct Posting {
  GstBus *bus;
  const char *name;
  unsigned long serial;
};

// Runs on the clock's thread.
gboolean Post(GstClock *, GstClockTime, GstClockID, gpointer data) {
  auto *posting = static_cast<Posting *>(data);
  GstStructure *fields =
      gst_structure_new(posting->name, "serial", G_TYPE_UINT64, guint64(posting->serial), nullptr);
  gst_bus_post(posting->bus, gst_message_new_application(nullptr, fields));
  return TRUE;
}

void Forget(gpointer data) {
  auto *posting = static_cast<Posting *>(data);
  gst_object_unref(posting->bus);
  delete posting;
}

} // namespace

std::unique_ptr<ClockAlarm> ClockAlarm::After(GstClock *clock, double seconds, GstBus *bus,
                                              const char *name, unsigned long serial) {
  if (clock == nullptr || bus == nullptr)
    return nullptr;
  std::unique_ptr<ClockAlarm> alarm(new ClockAlarm);
  alarm->clock_ = GST_CLOCK(gst_object_ref(clock));
  const GstClockID id = gst_clock_new_single_shot_id(
      clock, gst_clock_get_time(clock) + GstClockTime(std::llround(seconds * GST_SECOND)));
  alarm->id_ = id;
  auto *posting = new Posting{GST_BUS(gst_object_ref(bus)), name, serial};
  if (gst_clock_id_wait_async(id, Post, posting, Forget) != GST_CLOCK_OK)
    return nullptr; // the destroy notice has let go of the posting
  return alarm;
}

bool ClockAlarm::Rang(GstMessage *message, const char *name, unsigned long serial) {
  guint64 rang = 0;
  return GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION &&
         gst_message_has_name(message, name) &&
         gst_structure_get_uint64(gst_message_get_structure(message), "serial", &rang) &&
         rang == serial;
}

ClockAlarm::~ClockAlarm() {
  if (id_ != nullptr) {
    gst_clock_id_unschedule(id_);
    gst_clock_id_unref(id_);
  }
  if (clock_ != nullptr)
    gst_object_unref(clock_);
}

} // namespace engine
