// The registry file's reader on arbitrary bytes (the file is the user's, and
// may be damaged or hostile).
//
// Beyond not crashing: a text that reads as a registry writes back out as a
// text that reads again, and writing that again gives the same text (the
// round trip reaches a fixed point after one step).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  namespace reg = platform::registry;
  reg::Key root;
  if (!reg::Parse(std::string_view(reinterpret_cast<const char *>(data), size), &root))
    return 0;
  const std::string written = reg::Serialize(root);
  reg::Key again;
  if (!reg::Parse(written, &again))
    std::abort(); // what the registry writes, it must read
  if (reg::Serialize(again) != written)
    std::abort(); // and read it as it was
  return 0;
}
