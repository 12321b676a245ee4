#include "engine/playback/retired_selectors.h"

#include <gst/gst.h>

#include <mutex>
#include <utility>
#include <vector>

#include "engine/playback/element_factory.h"

namespace engine {

struct RetiredSelectors::Kept {
  std::mutex mutex;
  std::vector<GstElement *> elements;

  void LetGo() {
    std::vector<GstElement *> going;
    {
      std::lock_guard lock(mutex);
      going.swap(elements);
    }
    for (GstElement *element : going) {
      gst_element_set_state(element, GST_STATE_NULL);
      gst_object_unref(element);
    }
  }
};

namespace {

bool IsSelector(GstElement *element) {
  return MadeBy(element, "input-selector");
}

// On the thread that removes it, before the bin drops its reference.
void OnElementRemoved(GstBin *, GstElement *element, gpointer data) {
  if (!IsSelector(element))
    return;
  auto *kept = static_cast<std::shared_ptr<RetiredSelectors::Kept> *>(data)->get();
  std::lock_guard lock(kept->mutex);
  kept->elements.push_back(GST_ELEMENT(gst_object_ref(element)));
}

void ForgetKept(gpointer data, GClosure *) {
  delete static_cast<std::shared_ptr<RetiredSelectors::Kept> *>(data);
}

} // namespace

RetiredSelectors::RetiredSelectors(GstElement *playbin)
    : playbin_(playbin), kept_(std::make_shared<Kept>()) {
  handler_ = g_signal_connect_data(playbin, "element-removed", G_CALLBACK(OnElementRemoved),
                                   new std::shared_ptr<Kept>(kept_), ForgetKept, GConnectFlags(0));
}

RetiredSelectors::~RetiredSelectors() {
  g_signal_handler_disconnect(playbin_, handler_);
  kept_->LetGo();
}

void RetiredSelectors::Release() {
  GST_OBJECT_LOCK(playbin_);
  const bool settled = GST_STATE_PENDING(playbin_) == GST_STATE_VOID_PENDING;
  GST_OBJECT_UNLOCK(playbin_);
  if (settled)
    kept_->LetGo();
}

} // namespace engine
