// The stream selectors playbin retires. When the playbin goes on to the
// next stream it drops the old stream's selector from a streaming thread;
// a state change of the pipeline running at that moment (the asynchronous
// step to PLAYING after a preroll, or after a seek) can set the selector
// back to PLAYING and drop the last reference to it there, and GStreamer
// then disposes an element that is running. The retired selectors are
// kept here and let go at NULL on the host's thread, once the pipeline's
// state has settled.
#pragma once

#include <memory>

typedef struct _GstElement GstElement;

namespace engine {

class RetiredSelectors {
public:
  // Keeps every selector removed from `playbin` from now on.
  explicit RetiredSelectors(GstElement *playbin);
  ~RetiredSelectors(); // lets go of what it keeps; call after the playbin is at NULL
  RetiredSelectors(const RetiredSelectors &) = delete;
  RetiredSelectors &operator=(const RetiredSelectors &) = delete;

  // Lets go of the selectors kept, unless a state change of the playbin is
  // under way.
  void Release();

  struct Kept; // shared with the playbin's signal handler

private:
  GstElement *playbin_;
  std::shared_ptr<Kept> kept_;
  unsigned long handler_ = 0;
};

} // namespace engine
