// A constant-initialised counter: objects may be made before any dynamic
// initialiser of this library has run.
#include "engine/control/live_objects.h"

#include <atomic>

namespace {
constinit std::atomic<long> liveObjects{0};
} // namespace

namespace engine {

long LiveObjects() {
  return liveObjects.load();
}

void CountLiveObject(int delta) {
  liveObjects.fetch_add(delta);
}

} // namespace engine
