// WideCharToMultiByte / MultiByteToWideChar for UTF-8 and the single-byte
// code pages the player meets in file names and tags: Windows-1252 (the
// usual ANSI code page) and ISO 8859-1.
#include <winnls.h>
#include <winreg.h>
#include <winuser.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "utf8.h"

namespace {

constexpr UINT kCpThreadAcp = 3;
constexpr UINT kCpWindows1252 = 1252;
constexpr UINT kCpLatin1 = 28591;
constexpr DWORD kErrorInvalidFlags = 1004;
constexpr DWORD kWcErrInvalidChars = 0x80;
constexpr DWORD kMbPrecomposed = 0x1;
constexpr DWORD kMbErrInvalidChars = 0x8;

// Windows-1252 bytes 0x80-0x9F. The five bytes 1252 leaves unassigned (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as the
// Windows table does, so every byte round-trips.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

char16_t DecodeSingleByte(UINT codePage, unsigned char byte) {
  if (codePage == kCpWindows1252 && byte >= 0x80 && byte <= 0x9F)
    return kWindows1252High[byte - 0x80];
  return byte;
}

// False when the code page has no byte for the character.
bool EncodeSingleByte(UINT codePage, char32_t c, char *byte) {
  // ASCII is itself in every supported code page; only the rest needs the
  // table, which would otherwise be searched for every character of a path.
  if (c < 0x80) {
    *byte = char(c);
    return true;
  }
  if (codePage == kCpWindows1252) {
    for (int i = 0; i < 32; ++i) {
      if (kWindows1252High[i] == c) {
        *byte = char(0x80 + i);
        return true;
      }
    }
    if (c >= 0x80 && c <= 0x9F)
      return false; // taken by the table above
  }
  if (c > 0xFF)
    return false;
  *byte = char(c);
  return true;
}

bool IsSupported(UINT codePage) {
  return codePage == CP_UTF8 || codePage == kCpWindows1252 || codePage == kCpLatin1;
}

UINT Resolve(UINT codePage) {
  return codePage == CP_ACP || codePage == kCpThreadAcp ? GetACP() : codePage;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// Hands the converted text to the caller: capacity 0 asks for the size only.
template <typename Char>
int Deliver(const std::basic_string<Char> &converted, Char *out, int capacity) {
  if (converted.size() > std::size_t(INT32_MAX))
    return Fail(ERROR_INVALID_PARAMETER);
  int needed = int(converted.size());
  if (capacity == 0)
    return needed;
  if (needed > capacity)
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(out, converted.data(), converted.size() * sizeof(Char));
  return needed;
}

} // namespace

extern "C" UINT WINAPI GetACP() {
  const char *named = std::getenv("AUDIOPLAYER_ACP");
  if (named != nullptr) {
    char *end = nullptr;
    unsigned long codePage = std::strtoul(named, &end, 10);
    if (end != named && *end == 0 && IsSupported(UINT(codePage)))
      return UINT(codePage);
  }
  return kCpWindows1252;
}

extern "C" int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength,
                                          LPSTR bytes, int byteCapacity, LPCSTR defaultChar,
                                          LPBOOL usedDefaultChar) {
  if (wide == nullptr || wideLength == 0 || wideLength < -1 || byteCapacity < 0 ||
      (bytes == nullptr && byteCapacity > 0))
    return Fail(ERROR_INVALID_PARAMETER);
  codePage = Resolve(codePage);
  if (!IsSupported(codePage))
    return Fail(ERROR_INVALID_PARAMETER);

  // -1: the text is NUL-terminated and the NUL is converted too.
  std::size_t length = 0;
  if (wideLength == -1) {
    while (wide[length] != 0)
      ++length;
    ++length;
  } else {
    length = std::size_t(wideLength);
  }

  std::string converted;
  if (codePage == CP_UTF8) {
    if (defaultChar != nullptr || usedDefaultChar != nullptr)
      return Fail(ERROR_INVALID_PARAMETER);
    if ((flags & ~kWcErrInvalidChars) != 0)
      return Fail(kErrorInvalidFlags);
    if (!platform::Utf16ToUtf8(wide, length, flags & kWcErrInvalidChars, &converted))
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    return Deliver(converted, bytes, byteCapacity);
  }

  char fallback = defaultChar != nullptr ? defaultChar[0] : '?';
  bool usedDefault = false;
  for (std::size_t i = 0; i < length; ++i) {
    char32_t c = wide[i];
    // A surrogate pair is one character and so one default character.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    }
    char byte = 0;
    if (!EncodeSingleByte(codePage, c, &byte)) {
      byte = fallback;
      usedDefault = true;
    }
    converted.push_back(byte);
  }
  if (usedDefaultChar != nullptr)
    *usedDefaultChar = usedDefault ? TRUE : FALSE;
  return Deliver(converted, bytes, byteCapacity);
}

extern "C" int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR bytes, int byteLength,
                                          LPWSTR wide, int wideCapacity) {
  if (bytes == nullptr || byteLength == 0 || byteLength < -1 || wideCapacity < 0 ||
      (wide == nullptr && wideCapacity > 0))
    return Fail(ERROR_INVALID_PARAMETER);
  codePage = Resolve(codePage);
  if (!IsSupported(codePage))
    return Fail(ERROR_INVALID_PARAMETER);

  std::size_t length = byteLength == -1 ? std::strlen(bytes) + 1 : std::size_t(byteLength);

  std::u16string converted;
  if (codePage == CP_UTF8) {
    if ((flags & ~kMbErrInvalidChars) != 0)
      return Fail(kErrorInvalidFlags);
    if (!platform::Utf8ToUtf16(bytes, length, flags & kMbErrInvalidChars, &converted))
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    return Deliver(converted, wide, wideCapacity);
  }

  // Every byte of these code pages is defined, so MB_ERR_INVALID_CHARS never fires.
  if ((flags & ~(kMbPrecomposed | kMbErrInvalidChars)) != 0)
    return Fail(kErrorInvalidFlags);
  for (std::size_t i = 0; i < length; ++i)
    converted.push_back(DecodeSingleByte(codePage, static_cast<unsigned char>(bytes[i])));
  return Deliver(converted, wide, wideCapacity);
}
