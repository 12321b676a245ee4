#include "engine/playback/audio_filter.h"

#include <gst/gst.h>

#include "engine/playback/gapless_trim.h"

#include <mutex>
#include <utility>

namespace engine {

namespace {

constexpr const char *kSlotName = "audioplayer-tempo-slot";

// Where the tempo element goes: after the filter's first element.
struct TempoSlot {
  TempoSlot(GstElement *filter, GstElement *head) : filter(filter), head(head) {}
  GstElement *const filter, *const head; // the filter owns this and holds the head
  std::mutex mutex;
  // The rest under the mutex.
  bool wanted = false;
  gulong probe = 0; // waiting on the head's output for the change
  // In the filter while the rate is not 1: the tempo element and the
  // converter to the formats it takes.
  GstElement *convert = nullptr, *tempo = nullptr;
};

TempoSlot *SlotOf(GstElement *filter) {
  return filter ? static_cast<TempoSlot *>(g_object_get_data(G_OBJECT(filter), kSlotName))
                : nullptr;
}

void Discard(GstElement *element) {
  if (element != nullptr)
    gst_object_unref(gst_object_ref_sink(element));
}

// The tempo element in or out of the path, as wanted. Under the slot's
// lock, with nothing flowing out of the head; what follows it there
// carries the head's stream, caps and segment to its new peer first.
void Relink(TempoSlot &slot) {
  if ((slot.tempo != nullptr) == slot.wanted)
    return;
  GstPad *out = gst_element_get_static_pad(slot.filter, "src");
  GstPad *from = gst_element_get_static_pad(slot.head, "src");
  gst_ghost_pad_set_target(GST_GHOST_PAD(out), nullptr);
  if (slot.wanted) {
    slot.convert = gst_element_factory_make("audioconvert", nullptr);
    slot.tempo = gst_element_factory_make("scaletempo", nullptr);
  }
  if (slot.wanted && slot.convert != nullptr && slot.tempo != nullptr) {
    gst_bin_add_many(GST_BIN(slot.filter), slot.convert, slot.tempo, nullptr);
    gst_element_link_many(slot.head, slot.convert, slot.tempo, nullptr);
    gst_element_sync_state_with_parent(slot.convert);
    gst_element_sync_state_with_parent(slot.tempo);
    GstPad *tempoOut = gst_element_get_static_pad(slot.tempo, "src");
    gst_ghost_pad_set_target(GST_GHOST_PAD(out), tempoOut);
    gst_object_unref(tempoOut);
  } else {
    if (slot.wanted) { // played at the rate with its pitch changed, rather than not at all
      Discard(slot.convert);
      Discard(slot.tempo);
      slot.wanted = false;
    } else {
      for (GstElement *element : {slot.tempo, slot.convert}) {
        gst_element_set_state(element, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(slot.filter), element); // unlinks it, and frees it
      }
    }
    slot.convert = slot.tempo = nullptr;
    gst_ghost_pad_set_target(GST_GHOST_PAD(out), from);
  }
  gst_object_unref(from);
  gst_object_unref(out);
}

// The first serialized event after a seek that changed the rate (its
// segment), on the streaming thread: the path is changed before it goes on.
// Not at a buffer: a pad hands its stream, caps and segment to a new peer
// before it runs its probes, so a buffer's probe that relinks would send the
// buffer to a tempo element that never had them.
GstPadProbeReturn OnHeadBlocked(GstPad *, GstPadProbeInfo *, gpointer data) {
  auto *slot = static_cast<TempoSlot *>(data);
  std::lock_guard lock(slot->mutex);
  slot->probe = 0;
  Relink(*slot);
  return GST_PAD_PROBE_REMOVE;
}

} // namespace

GstElement *MakeAudioFilter(const Levelling &levelling) {
  GstElement *head = MakeLevellingGain(levelling);
  if (head == nullptr) {
    head = gst_element_factory_make("identity", nullptr);
    if (head == nullptr)
      return nullptr;
    g_object_set(head, "signal-handoffs", FALSE, nullptr);
  }
  GstElement *filter = gst_bin_new("audio-filter");
  gst_bin_add(GST_BIN(filter), head);
  for (const char *name : {"sink", "src"}) {
    GstPad *pad = gst_element_get_static_pad(head, name);
    gst_element_add_pad(filter, gst_ghost_pad_new(name, pad));
    gst_object_unref(pad);
  }
  g_object_set_data_full(G_OBJECT(filter), kSlotName, new TempoSlot(filter, head),
                         [](gpointer data) { delete static_cast<TempoSlot *>(data); });
  AddTrimming(filter);
  return filter;
}

void TempoForRate(GstElement *filter, double rate) {
  TempoSlot *slot = SlotOf(filter);
  if (slot == nullptr)
    return;
  std::lock_guard lock(slot->mutex);
  slot->wanted = rate != 1;
  if ((slot->tempo != nullptr) == slot->wanted || slot->probe != 0)
    return; // as it is, or a change already waits (and reads `wanted` when made)
  GstPad *from = gst_element_get_static_pad(slot->head, "src");
  slot->probe = gst_pad_add_probe(
      from, GstPadProbeType(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      OnHeadBlocked, slot, nullptr);
  gst_object_unref(from);
}

void DropTempo(GstElement *filter) {
  TempoSlot *slot = SlotOf(filter);
  if (slot == nullptr)
    return;
  std::lock_guard lock(slot->mutex);
  if (slot->probe != 0) {
    GstPad *from = gst_element_get_static_pad(slot->head, "src");
    gst_pad_remove_probe(from, std::exchange(slot->probe, 0));
    gst_object_unref(from);
  }
  slot->wanted = false;
  Relink(*slot);
}

} // namespace engine
