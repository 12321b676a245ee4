// BSTR allocation with the Windows layout: a 32-bit byte count stands right
// before the characters and a NUL right after them, so callers may read the
// length from the prefix or treat the text as NUL-terminated.
#include <com.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);

std::uint32_t *PrefixOf(BSTR text) {
  return reinterpret_cast<std::uint32_t *>(reinterpret_cast<char *>(text) - kPrefixBytes);
}

std::size_t Length(const OLECHAR *text) {
  std::size_t length = 0;
  while (text[length] != 0)
    ++length;
  return length;
}

} // namespace

extern "C" BSTR SysAllocStringLen(const OLECHAR *text, UINT length) {
  // The byte count must fit the 32-bit prefix.
  if (length > (UINT32_MAX - kPrefixBytes - sizeof(OLECHAR)) / sizeof(OLECHAR))
    return nullptr;
  std::size_t bytes = std::size_t(length) * sizeof(OLECHAR);
  // calloc: a null text still gives zeroed, NUL-terminated storage.
  char *block = static_cast<char *>(std::calloc(1, kPrefixBytes + bytes + sizeof(OLECHAR)));
  if (block == nullptr)
    return nullptr;
  std::uint32_t prefix = std::uint32_t(bytes);
  std::memcpy(block, &prefix, kPrefixBytes);
  BSTR result = reinterpret_cast<BSTR>(block + kPrefixBytes);
  if (text != nullptr && bytes != 0)
    std::memcpy(result, text, bytes);
  return result;
}

extern "C" BSTR SysAllocString(const OLECHAR *text) {
  if (text == nullptr)
    return nullptr;
  std::size_t length = Length(text);
  if (length > UINT32_MAX)
    return nullptr;
  return SysAllocStringLen(text, UINT(length));
}

extern "C" UINT SysStringByteLen(BSTR text) {
  if (text == nullptr)
    return 0;
  std::uint32_t prefix;
  std::memcpy(&prefix, PrefixOf(text), kPrefixBytes);
  return prefix;
}

extern "C" UINT SysStringLen(BSTR text) {
  return SysStringByteLen(text) / sizeof(OLECHAR);
}

extern "C" void SysFreeString(BSTR text) {
  if (text != nullptr)
    std::free(PrefixOf(text));
}
