// Whether a URL names a network item: one with a scheme other than file://
// and cdda:// (a CD's table of contents says all of a track). Such an item
// has no file to read attributes from (what its stream says is kept
// instead), and its opening is bounded.
#pragma once

#include <string>

namespace engine {

inline bool IsNetworkUrl(const std::u16string &url) {
  const std::size_t scheme = url.find(u"://");
  return scheme != std::u16string::npos && url.compare(0, scheme, u"file") != 0 &&
         url.compare(0, scheme, u"cdda") != 0;
}

} // namespace engine
