// What a network item's server handed out when it said the item is a
// playlist (its Content-Type: audio/x-mpegurl, audio/x-scpls, ...), kept
// as it passes the HTTP source: a URL without a list's name (a station's
// "/listen") fails as media, and the session then plays the list's
// entries, without fetching it a second time.
#pragma once

#include <memory>
#include <optional>
#include <string>

typedef struct _GstElement GstElement;

namespace engine {

struct ServedList {
  std::string type; // the Content-Type, as sent
  std::string body; // at most kMostServedListBytes of it
};
constexpr std::size_t kMostServedListBytes = 256 * 1024;

class ServedListWatch {
public:
  // Watches the HTTP sources `pipeline` makes from now on.
  explicit ServedListWatch(GstElement *pipeline);
  // At each open: what an earlier stream served is no longer the item's.
  void Forget();
  // What the latest stream's server served, if it named a list or text.
  std::optional<ServedList> Served() const;

  struct State;

private:
  std::shared_ptr<State> state_;
};

} // namespace engine
