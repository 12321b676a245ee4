// Playlist files by http:// and https:// URL, fetched through GStreamer's
// own HTTP source (souphttpsrc from the good plugins, which playback of
// HTTP media already uses): no second HTTP stack in the process, and the
// proxy and TLS settings are the ones playback follows.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace engine {

// The longest a fetch may keep the host's thread, and the most it reads.
constexpr std::chrono::seconds kPlaylistFetchTime{5};
constexpr std::size_t kPlaylistFetchBytes = 16 * 1024 * 1024;

// "http://..." or "https://...", in any case.
bool IsHttpUrl(const std::u16string &url);

// The body of the URL, or nullopt with `status` saying why: 0x800705B4
// when the server did not finish by `deadline` (kPlaylistFetchTime from
// the call unless given: the lists of one expansion share one), 0x80070002
// when it refused, failed or broke off, 0x8007000E past kPlaylistFetchBytes.
using FetchDeadline = std::chrono::steady_clock::time_point;
std::optional<std::string> FetchPlaylist(const std::u16string &url, std::int32_t *status,
                                         FetchDeadline deadline = std::chrono::steady_clock::now() +
                                                                  kPlaylistFetchTime);

} // namespace engine
