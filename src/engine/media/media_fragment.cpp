#include "engine/media/media_fragment.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// Seconds as "12", "12.5" or "12.013333": digits and at most one point.
std::optional<double> Seconds(std::u16string_view text) {
  if (text.starts_with(u"npt:"))
    text.remove_prefix(4);
  if (text.empty() || text.size() > 24)
    return std::nullopt;
  std::string ascii;
  bool point = false;
  for (char16_t c : text) {
    if (c == u'.' && !point)
      point = true;
    else if (c < u'0' || c > u'9')
      return std::nullopt;
    ascii += char(c);
  }
  if (ascii == ".")
    return std::nullopt;
  return std::strtod(ascii.c_str(), nullptr);
}

std::u16string SecondsText(double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6f", seconds);
  std::string text = buffer;
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.')
    text.pop_back();
  return Utf16Of(text);
}

} // namespace

std::optional<MediaFragment> ParseMediaFragment(const std::u16string &url) {
  const std::size_t hash = url.rfind(u"#t=");
  if (hash == std::u16string::npos || hash == 0)
    return std::nullopt;
  const std::u16string_view value = std::u16string_view(url).substr(hash + 3);
  const std::size_t comma = value.find(u',');
  MediaFragment part{.file = url.substr(0, hash)};
  if (comma != 0) {
    auto start = Seconds(value.substr(0, comma));
    if (!start)
      return std::nullopt;
    part.start = *start;
  }
  if (comma != std::u16string_view::npos) {
    auto end = Seconds(value.substr(comma + 1));
    if (!end || *end <= part.start)
      return std::nullopt;
    part.end = *end;
  }
  return part;
}

std::u16string MediaFragmentUrl(const std::u16string &file, double start, double end) {
  std::u16string url = file;
  url += u"#t=";
  url += SecondsText(start);
  if (end >= 0) {
    url += u',';
    url += SecondsText(end);
  }
  return url;
}

MediaFragment PlayedPart(const std::u16string &url) {
  auto part = ParseMediaFragment(url);
  if (part) {
    std::error_code error;
    const bool local = url.find(u"://") == std::u16string::npos;
    if (!local || !std::filesystem::is_regular_file(std::filesystem::path(Utf8Of(url)), error))
      return *part;
  }
  return {.file = url};
}

} // namespace engine
