#include "engine/playback/http_fetch.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include "engine/media/gstreamer_ready.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

constexpr std::int32_t kTimedOut = std::int32_t(0x800705B4);
constexpr std::int32_t kNotFetched = std::int32_t(0x80070002);
constexpr std::int32_t kTooLarge = std::int32_t(0x8007000E);

// An error on the pipeline's bus, if one was posted.
bool Failed(GstElement *pipeline) {
  GstBus *bus = gst_element_get_bus(pipeline);
  GstMessage *message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
  gst_object_unref(bus);
  if (message == nullptr)
    return false;
  gst_message_unref(message);
  return true;
}

} // namespace

bool IsHttpUrl(const std::u16string &url) {
  auto starts = [&](std::u16string_view scheme) {
    if (url.size() < scheme.size())
      return false;
    for (std::size_t i = 0; i < scheme.size(); ++i)
      if (char16_t(url[i] | 0x20) != scheme[i] && url[i] != scheme[i])
        return false;
    return true;
  };
  return starts(u"http://") || starts(u"https://");
}

std::optional<std::string> FetchPlaylist(const std::u16string &url, std::int32_t *status,
                                         FetchDeadline deadline) {
  *status = kNotFetched;
  if (!IsHttpUrl(url) || !EnsureGstreamer())
    return std::nullopt;
  const auto left = deadline - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) {
    *status = kTimedOut; // the expansion's time is spent: not even a connection
    return std::nullopt;
  }
  GstElement *source =
      gst_element_make_from_uri(GST_URI_SRC, Utf8Of(url).c_str(), nullptr, nullptr);
  GstElement *sink = gst_element_factory_make("appsink", nullptr);
  GstElement *pipeline = gst_pipeline_new(nullptr);
  if (source == nullptr || sink == nullptr || pipeline == nullptr) {
    for (GstElement *made : {source, sink, pipeline})
      if (made != nullptr)
        gst_object_unref(gst_object_ref_sink(made));
    return std::nullopt;
  }
  // The source's own limit is past ours, which is the one that counts.
  const auto seconds = guint(std::chrono::ceil<std::chrono::seconds>(left).count()) + 1;
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "timeout"))
    g_object_set(source, "timeout", seconds, nullptr);
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "retries"))
    g_object_set(source, "retries", 0, nullptr);
  g_object_set(sink, "sync", FALSE, nullptr);
  gst_bin_add_many(GST_BIN(pipeline), source, sink, nullptr);
  std::optional<std::string> body;
  if (gst_element_link(source, sink) &&
      gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
    std::string bytes;
    *status = kTimedOut;
    // Short waits, so that an error on the bus ends the fetch at once.
    constexpr GstClockTime kSlice = 50 * GST_MSECOND;
    while (std::chrono::steady_clock::now() < deadline) {
      GstSample *sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), kSlice);
      if (sample == nullptr) {
        // A source that fails posts its error, then ends the stream.
        if (Failed(pipeline)) {
          *status = kNotFetched;
          break;
        }
        if (gst_app_sink_is_eos(GST_APP_SINK(sink))) {
          body = std::move(bytes);
          *status = 0;
          break;
        }
        continue;
      }
      GstMapInfo map;
      GstBuffer *buffer = gst_sample_get_buffer(sample);
      if (buffer != nullptr && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        bytes.append(reinterpret_cast<const char *>(map.data), map.size);
        gst_buffer_unmap(buffer, &map);
      }
      gst_sample_unref(sample);
      if (bytes.size() > kPlaylistFetchBytes) {
        *status = kTooLarge;
        break;
      }
    }
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return body;
}

} // namespace engine
