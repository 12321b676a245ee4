#include "engine/playlist_files/playlist_text.h"

#include <winnls.h>

#include <filesystem>

#include "engine/text/utf8_text.h"

namespace engine {

namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xFEFF;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  c = Lower(c);
  return c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
}

bool IsAbsolutePath(std::u16string_view text) {
  if (!text.empty() && (text[0] == u'/' || text[0] == u'\\'))
    return true;
  return text.size() >= 3 && text[1] == u':' && (text[2] == u'\\' || text[2] == u'/');
}

// A relative reference against the folder URL of a playlist fetched by URL:
// "/x" from the server's root, "a/../b" with its dot segments removed.
std::u16string JoinUrl(const std::u16string &folder, std::u16string_view entry) {
  std::u16string relative(entry);
  for (char16_t &c : relative)
    c = c == u'\\' ? u'/' : c;
  const std::size_t authority = folder.find(u"://") + 3;
  const std::size_t root = std::min(folder.find(u'/', authority), folder.size());
  std::u16string path = relative.front() == u'/' ? relative : folder.substr(root) + u"/" + relative;
  std::vector<std::u16string> segments;
  std::size_t at = 0;
  while (at <= path.size()) {
    const std::size_t next = std::min(path.find(u'/', at), path.size());
    const std::u16string segment = path.substr(at, next - at);
    if (segment == u"..") {
      if (!segments.empty())
        segments.pop_back();
    } else if (segment != u"." && !(segment.empty() && next < path.size())) {
      segments.push_back(segment);
    }
    at = next + 1;
  }
  std::u16string joined = folder.substr(0, root);
  for (const std::u16string &segment : segments)
    joined += u"/" + segment;
  return joined;
}

} // namespace

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back()))
    text.remove_suffix(1);
  return text;
}

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view lowerPrefix) {
  if (text.size() < lowerPrefix.size())
    return false;
  for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
    if (Lower(text[i]) != lowerPrefix[i])
      return false;
  }
  return true;
}

// UTF-16 with its byte order mark, else UTF-8 (a mark is dropped), else the
// ANSI code page, which is what the library's own M3U writer uses.
std::u16string DecodeText(std::string_view bytes) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 &&
      ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
    const bool little = byte(0) == 0xFF;
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += little ? char16_t(byte(i) | byte(i + 1) << 8) : char16_t(byte(i) << 8 | byte(i + 1));
    return text;
  }
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
    bytes.remove_prefix(3);
  std::u16string text;
  if (platform::Utf8ToUtf16(bytes.data(), bytes.size(), true, &text))
    return text;
  text.assign(bytes.size(), u'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), text.data(),
                                         int(text.size()));
  if (length <= 0)
    return Utf16Of(bytes); // an ANSI code page that is UTF-8 itself
  text.resize(std::size_t(length));
  return text;
}

std::vector<std::u16string_view> Lines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\n' || text[i] == u'\r') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return lines;
}

// The text with its %XX escapes of UTF-8 bytes undone.
std::u16string Unescaped(std::u16string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      bytes += char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      bytes += Utf8Of(text.substr(i, 1));
    }
  }
  return Utf16Of(bytes);
}

// file://[host]/path with %XX escapes of UTF-8 bytes, as a local path.
std::u16string PathOfFileUrl(std::u16string_view url) {
  std::u16string_view rest = url.substr(7); // after "file://"
  const std::size_t slash = rest.find(u'/');
  rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash);
  std::u16string path = Unescaped(rest);
  // file:///C:/Music/a.mp3 names a Windows drive path.
  if (path.size() >= 3 && path[0] == u'/' && path[2] == u':')
    path.erase(0, 1);
  return path;
}

// "http://...", "mms://...": a scheme of two or more characters, so that a
// drive letter ("C:") is not taken for one.
bool HasScheme(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && ((Lower(text[i]) >= u'a' && Lower(text[i]) <= u'z') ||
                             (i > 0 && ((text[i] >= u'0' && text[i] <= u'9') || text[i] == u'+' ||
                                        text[i] == u'-' || text[i] == u'.'))))
    ++i;
  return i >= 2 && i < text.size() && text[i] == u':';
}

std::u16string Resolve(std::u16string_view entry, const std::u16string &baseFolder) {
  entry = Trim(entry);
  if (entry.empty())
    return {};
  if (StartsWithNoCase(entry, u"file://"))
    return PathOfFileUrl(entry);
  if (HasScheme(entry) || baseFolder.empty())
    return std::u16string(entry);
  // A drive path (C:\Music\a.mp3) is a path wherever the list came from.
  const bool drivePath = entry.size() >= 3 && entry[1] == u':' &&
                         (entry[2] == u'\\' || entry[2] == u'/') && Lower(entry[0]) >= u'a' &&
                         Lower(entry[0]) <= u'z';
  if (HasScheme(baseFolder) && !drivePath)
    return JoinUrl(baseFolder, entry);
  if (IsAbsolutePath(entry))
    return std::u16string(entry);
  // A list made on Windows separates folders with backslashes.
  std::string relative = Utf8Of(entry);
  for (char &c : relative)
    c = c == '\\' ? '/' : c;
  const std::filesystem::path joined =
      std::filesystem::path(Utf8Of(baseFolder)) / std::filesystem::path(relative);
  return Utf16Of(joined.lexically_normal().string());
}

} // namespace engine
