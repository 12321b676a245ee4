// The queue's thread and its hand-over; see tag_write_queue.h.
#include "engine/library/tag_write_queue.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "engine/library/media_library.h"

namespace engine {

struct TagWriteQueue::State {
  std::mutex mutex;
  std::condition_variable idle;
  std::weak_ptr<MediaLibrary> library;
  std::deque<std::int64_t> order; // items in the order their first edit came
  std::map<std::int64_t, std::set<std::u16string>> names;
  bool working = false;
  bool closing = false;
  std::thread::id worker;
};

TagWriteQueue::TagWriteQueue() : state_(std::make_shared<State>()) {}

TagWriteQueue::~TagWriteQueue() {
  std::lock_guard lock(state_->mutex);
  state_->closing = true;
  state_->order.clear();
  state_->names.clear();
}

void TagWriteQueue::Add(const std::shared_ptr<MediaLibrary> &library, std::int64_t id,
                        const std::u16string &name) {
  std::lock_guard lock(state_->mutex);
  if (state_->closing)
    return;
  state_->library = library;
  auto [names, fresh] = state_->names.try_emplace(id);
  names->second.insert(name);
  if (fresh)
    state_->order.push_back(id);
  if (state_->working)
    return;
  state_->working = true;
  std::thread(Work, state_).detach(); // the thread holds the state it needs
}

void TagWriteQueue::Work(std::shared_ptr<State> state) {
  std::unique_lock lock(state->mutex);
  state->worker = std::this_thread::get_id();
  while (!state->order.empty()) {
    const std::int64_t id = state->order.front();
    state->order.pop_front();
    std::set<std::u16string> names = std::move(state->names[id]);
    state->names.erase(id);
    std::shared_ptr<MediaLibrary> library = state->library.lock();
    lock.unlock();
    if (library)
      library->WriteFileTags(id, names);
    library.reset(); // may be the last: the library then ends on this thread
    lock.lock();
  }
  state->working = false;
  state->worker = {};
  state->idle.notify_all();
}

void TagWriteQueue::Wait(std::chrono::milliseconds bound) {
  std::unique_lock lock(state_->mutex);
  if (state_->worker != std::this_thread::get_id())
    state_->idle.wait_for(lock, bound, [&] { return !state_->working; });
}

} // namespace engine
