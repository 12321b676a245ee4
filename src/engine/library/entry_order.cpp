#include "engine/library/entry_order.h"

#include <algorithm>

namespace engine {

EntryKeyPlan PlanEntryInsert(const std::vector<std::int64_t> &keys, std::size_t index) {
  const std::size_t count = keys.size();
  if (count == 0)
    return {0, 0, {}};
  if (index >= count)
    return {keys.back() + kEntryKeyGap, 0, {}};
  if (index == 0)
    return {keys.front() - kEntryKeyGap, 0, {}};
  if (keys[index] - keys[index - 1] >= 2)
    return {keys[index - 1] + (keys[index] - keys[index - 1]) / 2, 0, {}};

  // No room: respread a window of neighbours, with the new entry in it.
  for (std::size_t width = 2;; width *= 2) {
    const std::size_t last = std::min(count, index + width / 2);
    const std::size_t first = last > width ? last - width : 0;
    const std::size_t slots = last - first + 1; // the window's entries and the new one
    // The ends of the list are open: keys may go past the outermost ones.
    const std::int64_t low =
        first > 0 ? keys[first - 1] : keys[first] - std::int64_t(slots + 1) * kEntryKeyGap;
    const std::int64_t high =
        last < count ? keys[last] : keys[last - 1] + std::int64_t(slots + 1) * kEntryKeyGap;
    const std::int64_t spacing = (high - low) / std::int64_t(slots + 1);
    if (spacing < kEntryMinSpacing && (first > 0 || last < count))
      continue;
    EntryKeyPlan plan;
    plan.first = first;
    for (std::size_t slot = 0; slot < slots; ++slot) {
      const std::int64_t key = low + spacing * std::int64_t(slot + 1);
      if (first + slot == index)
        plan.key = key;
      else
        plan.rekeyed.push_back(key);
    }
    return plan;
  }
}

} // namespace engine
