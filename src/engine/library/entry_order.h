// The keys that order a saved playlist's entries in the database. Keys are
// sparse (appended entries lie kEntryKeyGap apart), so an entry inserted
// between two others takes a key between theirs and no other row changes.
// Only when two neighbours have no key left between them are a few entries
// around the place renumbered: the smallest window, doubling from 2, whose
// keys can be spread at least kEntryMinSpacing apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine {

constexpr std::int64_t kEntryKeyGap = std::int64_t(1) << 20;
constexpr std::int64_t kEntryMinSpacing = std::int64_t(1) << 10;

struct EntryKeyPlan {
  std::int64_t key = 0;              // the new entry's key
  std::size_t first = 0;             // renumber the entries from `first` on...
  std::vector<std::int64_t> rekeyed; // ...to these keys, in order; none when empty
};

// The key for an entry inserted at position `index` (0..size) of the
// ascending `keys`.
EntryKeyPlan PlanEntryInsert(const std::vector<std::int64_t> &keys, std::size_t index);

} // namespace engine
