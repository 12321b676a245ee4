// The file writes that a library's edits ask for (tag_writer.h), done on a
// thread of their own: copying a long file, or a file on a slow or network
// mount, never holds the host's thread. Edits of one item that arrive while
// it waits are written together, in one copy.
//
// The thread runs while there is work and ends when there is none. It holds
// its library only while it writes: whoever lets the library go waits
// (Wait) for the writes it asked for first.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

namespace engine {

class MediaLibrary;

class TagWriteQueue {
public:
  TagWriteQueue();
  ~TagWriteQueue(); // drops the writes not begun: their edits stay in the library

  // Asks for the item's attribute `name` to be written to its file, as the
  // library holds it when the write is done.
  void Add(const std::shared_ptr<MediaLibrary> &library, std::int64_t id,
           const std::u16string &name);
  // Waits, at most `bound`, until every write asked so far is done; returns
  // at once on the queue's own thread. A write not done by then goes on.
  void Wait(std::chrono::milliseconds bound);

private:
  struct State;
  static void Work(std::shared_ptr<State> state);
  std::shared_ptr<State> state_;
};

} // namespace engine
