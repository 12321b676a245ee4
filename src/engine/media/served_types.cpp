#include "engine/media/served_types.h"

#include <glib.h>

#include <utility>

namespace engine {

ServedKind ServedKindOf(std::string_view type) {
  type = type.substr(0, type.find(';'));
  while (!type.empty() && type.back() == ' ')
    type.remove_suffix(1);
  static constexpr std::pair<std::string_view, ServedKind> kTypes[] = {
      {"audio/x-mpegurl", ServedKind::M3U},
      {"audio/mpegurl", ServedKind::M3U},
      {"application/x-mpegurl", ServedKind::M3U},
      {"audio/x-m3u", ServedKind::M3U},
      {"application/vnd.apple.mpegurl", ServedKind::M3U},
      {"audio/x-scpls", ServedKind::PLS},
      {"audio/scpls", ServedKind::PLS},
      {"application/pls+xml", ServedKind::PLS},
      {"video/x-ms-asf", ServedKind::ASX},
      {"video/x-ms-wax", ServedKind::ASX},
      {"audio/x-ms-wax", ServedKind::ASX},
      {"video/x-ms-wvx", ServedKind::ASX},
      {"application/xspf+xml", ServedKind::XSPF},
      {"application/vnd.ms-wpl", ServedKind::WPL},
      {"text/plain", ServedKind::Text},
  };
  for (const auto &[name, kind] : kTypes)
    if (type.size() == name.size() &&
        g_ascii_strncasecmp(type.data(), name.data(), name.size()) == 0)
      return kind;
  return ServedKind::None;
}

} // namespace engine
