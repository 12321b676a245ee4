// What a server's Content-Type says of a playlist it hands out: the
// format it names, or plain text, which servers send lists as too.
#pragma once

#include <string_view>

namespace engine {

enum class ServedKind { None, M3U, PLS, ASX, XSPF, WPL, Text };

// By the media type alone, its parameters left out, in any case.
ServedKind ServedKindOf(std::string_view contentType);

} // namespace engine
