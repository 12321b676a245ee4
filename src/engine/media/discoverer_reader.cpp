// Reading a file's attributes with GStreamer's discoverer: any format
// GStreamer's plugins know, video included. A discoverer costs about a
// millisecond to make, so one is kept for the process's life (reading one
// file at a time) rather than made for every file.
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

#include <cstdint>
#include <cstring>
#include <mutex>

#include "engine/media/attribute_readers.h"
#include "engine/media/file_type.h"
#include "engine/media/gstreamer_ready.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// Reading headers and tags takes milliseconds; the bound only guards against
// a file whose demuxer stalls.
constexpr GstClockTime kDiscoverTimeout = 5 * GST_SECOND;

// GStreamer's caps names mapped to the WAVE format tags registered for them
// (mmreg.h). Raw audio, MPEG audio and WMA depend on caps fields as well and
// are decided in FormatTagOf; a WAV file names its own tag (wave_format.h).
struct CapsTag {
  const char *caps;
  unsigned tag;
};
constexpr CapsTag kFormatTags[] = {
    {"audio/x-adpcm", 0x0002},  // WAVE_FORMAT_ADPCM (layout=microsoft; dvi below)
    {"audio/x-alaw", 0x0006},   // WAVE_FORMAT_ALAW
    {"audio/x-mulaw", 0x0007},  // WAVE_FORMAT_MULAW
    {"audio/x-dts", 0x0008},    // WAVE_FORMAT_DTS
    {"audio/x-gsm", 0x0031},    // WAVE_FORMAT_GSM610
    {"audio/x-ac3", 0x2000},    // WAVE_FORMAT_DVM, the tag AC-3 goes by
    {"audio/x-alac", 0x6C61},   // WAVE_FORMAT_ALAC
    {"audio/x-vorbis", 0x674F}, // WAVE_FORMAT_OGG_VORBIS_MODE_1
    {"audio/x-opus", 0x704F},   // WAVE_FORMAT_OPUS
    {"audio/AMR", 0x7361},      // WAVE_FORMAT_AMR_NB
    {"audio/x-speex", 0xA109},  // WAVE_FORMAT_SPEEX_VOICE
    {"audio/x-flac", 0xF1AC},   // WAVE_FORMAT_FLAC
};
constexpr unsigned kWavePcm = 0x0001;
constexpr unsigned kWaveIeeeFloat = 0x0003;
constexpr unsigned kWaveDviAdpcm = 0x0011;
constexpr unsigned kWaveMpeg = 0x0050;       // MPEG-1 layers 1 and 2
constexpr unsigned kWaveMpegLayer3 = 0x0055; // MP3
constexpr unsigned kWaveRawAac = 0x00FF;
constexpr unsigned kWaveWma1 = 0x0160;
constexpr unsigned kWaveWmaVoice = 0x000A;

unsigned FormatTagOf(const GstStructure *caps) {
  const char *name = gst_structure_get_name(caps);
  int value = 0;
  if (std::strcmp(name, "audio/x-raw") == 0) {
    const char *format = gst_structure_get_string(caps, "format");
    return format && format[0] == 'F' ? kWaveIeeeFloat : kWavePcm;
  }
  if (std::strcmp(name, "audio/mpeg") == 0) {
    if (gst_structure_get_int(caps, "mpegversion", &value) && value != 1)
      return kWaveRawAac; // MPEG-2/4 AAC
    if (gst_structure_get_int(caps, "layer", &value) && value != 3)
      return kWaveMpeg;
    return kWaveMpegLayer3;
  }
  if (std::strcmp(name, "audio/x-wma") == 0) {
    // wmaversion 1 to 4: WMA 1, WMA 2 ("Windows Media Audio"), WMA Pro, lossless.
    if (!gst_structure_get_int(caps, "wmaversion", &value) || value < 1 || value > 4)
      value = 2;
    return kWaveWma1 + unsigned(value - 1);
  }
  if (std::strcmp(name, "audio/x-wms") == 0)
    return kWaveWmaVoice;
  if (std::strcmp(name, "audio/x-adpcm") == 0) {
    const char *layout = gst_structure_get_string(caps, "layout");
    if (layout && std::strcmp(layout, "dvi") == 0)
      return kWaveDviAdpcm;
  }
  for (const CapsTag &entry : kFormatTags) {
    if (std::strcmp(name, entry.caps) == 0)
      return entry.tag;
  }
  return 0;
}

constexpr std::uint32_t FourCC(const char (&code)[5]) {
  return std::uint32_t(std::uint8_t(code[0])) | std::uint32_t(std::uint8_t(code[1])) << 8 |
         std::uint32_t(std::uint8_t(code[2])) << 16 | std::uint32_t(std::uint8_t(code[3])) << 24;
}

struct CapsFourCC {
  const char *caps;
  int version; // the caps' version field must equal this; 0 for any
  std::uint32_t code;
};
// The version field is "wmvversion", "mpegversion" or "divxversion" by caps.
constexpr CapsFourCC kFourCCs[] = {
    {"video/x-wmv", 1, FourCC("WMV1")},    {"video/x-wmv", 2, FourCC("WMV2")},
    {"video/x-wmv", 3, FourCC("WMV3")},    {"video/mpeg", 1, FourCC("MPG1")},
    {"video/mpeg", 2, FourCC("MPG2")},     {"video/mpeg", 4, FourCC("MP4V")},
    {"video/x-divx", 3, FourCC("DIV3")},   {"video/x-divx", 4, FourCC("DIVX")},
    {"video/x-divx", 5, FourCC("DX50")},   {"video/x-xvid", 0, FourCC("XVID")},
    {"video/x-msmpeg", 0, FourCC("MP43")}, {"video/x-h263", 0, FourCC("H263")},
    {"video/x-h264", 0, FourCC("H264")},   {"video/x-h265", 0, FourCC("HEVC")},
    {"video/x-vp8", 0, FourCC("VP80")},    {"video/x-vp9", 0, FourCC("VP90")},
    {"video/x-av1", 0, FourCC("AV01")},    {"video/x-theora", 0, FourCC("THEO")},
    {"video/x-dv", 0, FourCC("dvsd")},     {"image/jpeg", 0, FourCC("MJPG")},
};

std::uint32_t FourCCOf(const GstStructure *caps) {
  const char *name = gst_structure_get_name(caps);
  // Raw video and WMV (e.g. "WVC1", "WMVA") carry the code as their format.
  const char *format = gst_structure_get_string(caps, "format");
  if (format && std::strlen(format) == 4 &&
      (std::strcmp(name, "video/x-raw") == 0 || std::strcmp(name, "video/x-wmv") == 0)) {
    char code[5] = {format[0], format[1], format[2], format[3], 0};
    return FourCC(code);
  }
  int version = 0;
  if (!gst_structure_get_int(caps, "wmvversion", &version) &&
      !gst_structure_get_int(caps, "mpegversion", &version))
    gst_structure_get_int(caps, "divxversion", &version);
  for (const CapsFourCC &entry : kFourCCs) {
    if (std::strcmp(name, entry.caps) == 0 && (entry.version == 0 || entry.version == version))
      return entry.code;
  }
  return 0;
}

// The text tags the control exposes, by GStreamer tag.
struct TagName {
  const char *tag;
  const char16_t *attribute;
};
constexpr TagName kTextTags[] = {
    {GST_TAG_TITLE, u"Title"},    {GST_TAG_ARTIST, u"Author"},
    {GST_TAG_ALBUM, u"Album"},    {GST_TAG_ALBUM_ARTIST, u"AlbumArtist"},
    {GST_TAG_GENRE, u"WM/Genre"}, {GST_TAG_COMPOSER, u"WM/Composer"},
};

// A rate GStreamer reports, or 0 where it means "unknown": some elements
// say so with G_MAXINT (an empty Speex stream does).
unsigned KnownRate(guint value) {
  return value >= guint(G_MAXINT) ? 0 : value;
}

unsigned TagBitrate(const GstTagList *tags) {
  guint value = 0;
  if (tags && (gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &value) ||
               gst_tag_list_get_uint(tags, GST_TAG_NOMINAL_BITRATE, &value)))
    return KnownRate(value);
  return 0;
}

// The first audio stream describes the file.
void ReadAudioStream(GstDiscovererStreamInfo *stream, FileAttributes &out, StreamSummary &sum) {
  if (sum.audio)
    return;
  sum.audio = true;
  auto *audio = GST_DISCOVERER_AUDIO_INFO(stream);
  const unsigned channels = gst_discoverer_audio_info_get_channels(audio);
  unsigned tag = 0;
  if (GstCaps *caps = gst_discoverer_stream_info_get_caps(stream)) {
    if (gst_caps_get_size(caps) > 0) {
      const GstStructure *structure = gst_caps_get_structure(caps, 0);
      sum.wave = gst_structure_has_name(structure, "audio/x-wav");
      tag = FormatTagOf(structure);
    }
    gst_caps_unref(caps);
  }
  sum.audioBitrate = KnownRate(gst_discoverer_audio_info_get_bitrate(audio));
  if (!sum.audioBitrate)
    sum.audioBitrate = TagBitrate(gst_discoverer_stream_info_get_tags(stream));
  if (!sum.audioBitrate && (tag == kWavePcm || tag == kWaveIeeeFloat))
    sum.audioBitrate = std::uint64_t(gst_discoverer_audio_info_get_sample_rate(audio)) * channels *
                       gst_discoverer_audio_info_get_depth(audio);
  if (channels)
    out.text[u"Channels"] = IntegerText(channels);
  out.text[u"FormatTag"] = IntegerText(tag);
}

// The first video stream describes the file.
void ReadVideoStream(GstDiscovererStreamInfo *stream, FileAttributes &out, StreamSummary &sum) {
  if (sum.video)
    return;
  sum.video = true;
  auto *video = GST_DISCOVERER_VIDEO_INFO(stream);
  out.width = long(gst_discoverer_video_info_get_width(video));
  out.height = long(gst_discoverer_video_info_get_height(video));
  sum.videoBitrate = KnownRate(gst_discoverer_video_info_get_bitrate(video));
  if (!sum.videoBitrate)
    sum.videoBitrate = TagBitrate(gst_discoverer_stream_info_get_tags(stream));
  const unsigned num = gst_discoverer_video_info_get_framerate_num(video);
  const unsigned denom = gst_discoverer_video_info_get_framerate_denom(video);
  if (num && denom && !gst_discoverer_video_info_is_image(video))
    out.text[u"FrameRate"] = NumberText(double(num) / denom);
  if (GstCaps *caps = gst_discoverer_stream_info_get_caps(stream)) {
    if (gst_caps_get_size(caps) > 0)
      out.text[u"FourCC"] = IntegerText(FourCCOf(gst_caps_get_structure(caps, 0)));
    gst_caps_unref(caps);
  }
}

// Tags of the container (iTunes atoms, ASF attributes, Matroska tags) come
// before any stream's: they describe the file as a whole.
void ReadContainerTags(GstDiscovererInfo *info, FileAttributes &out) {
  GstDiscovererStreamInfo *top = gst_discoverer_info_get_stream_info(info);
  for (GstDiscovererStreamInfo *at = top; at != nullptr;) {
    if (!GST_IS_DISCOVERER_CONTAINER_INFO(at))
      break;
    if (const GstTagList *tags =
            gst_discoverer_container_info_get_tags(GST_DISCOVERER_CONTAINER_INFO(at)))
      ReadTextTags(tags, out);
    GList *inner = gst_discoverer_container_info_get_streams(GST_DISCOVERER_CONTAINER_INFO(at));
    GstDiscovererStreamInfo *next =
        inner && !inner->next ? GST_DISCOVERER_STREAM_INFO(g_object_ref(inner->data)) : nullptr;
    gst_discoverer_stream_info_list_free(inner);
    if (at != top)
      g_object_unref(at);
    at = next;
  }
  if (top)
    g_object_unref(top);
}

void ReadStreams(GstDiscovererInfo *info, FileAttributes &out, StreamSummary &sum) {
  GList *streams = gst_discoverer_info_get_stream_list(info);
  for (GList *node = streams; node; node = node->next) {
    auto *stream = GST_DISCOVERER_STREAM_INFO(node->data);
    if (const GstTagList *tags = gst_discoverer_stream_info_get_tags(stream))
      ReadTextTags(tags, out);
    if (GST_IS_DISCOVERER_AUDIO_INFO(stream))
      ReadAudioStream(stream, out, sum);
    else if (GST_IS_DISCOVERER_VIDEO_INFO(stream))
      ReadVideoStream(stream, out, sum);
  }
  gst_discoverer_stream_info_list_free(streams);
}

// Holds a GObject reference for the scope.
template <typename T> struct GObjectHolder {
  T *object;
  ~GObjectHolder() {
    if (object)
      g_object_unref(object);
  }
};

} // namespace

// Tags may sit on the container or on a stream; the container, then the
// first stream (in topology order) that has a tag, gives its value.
void ReadTextTags(const GstTagList *tags, FileAttributes &out) {
  for (const TagName &entry : kTextTags) {
    if (out.text.count(entry.attribute))
      continue;
    gchar *value = nullptr;
    if (gst_tag_list_get_string(tags, entry.tag, &value) && value && *value)
      out.text[entry.attribute] = Utf16Of(value);
    g_free(value);
  }
  // Matroska's demuxer has no tag for an album artist and passes it on as
  // an extended comment, as ffmpeg and mkvpropedit write it.
  for (guint i = 0; !out.text.count(u"AlbumArtist"); ++i) {
    const gchar *comment = nullptr;
    if (!gst_tag_list_peek_string_index(tags, GST_TAG_EXTENDED_COMMENT, i, &comment))
      break;
    for (const char *key : {"ALBUM_ARTIST=", "ALBUMARTIST=", "ALBUM ARTIST="})
      if (comment && g_ascii_strncasecmp(comment, key, std::strlen(key)) == 0 &&
          comment[std::strlen(key)] != '\0')
        out.text[u"AlbumArtist"] = Utf16Of(comment + std::strlen(key));
  }
}

namespace {

// One discoverer for the process's life, one file at a time.
GstDiscoverer *Discoverer() {
  static GstDiscoverer *const discoverer = gst_discoverer_new(kDiscoverTimeout, nullptr);
  return discoverer;
}

std::mutex &DiscovererLock() {
  static std::mutex lock;
  return lock;
}

} // namespace

void SetDiscovererTimeout(double seconds) {
  if (!EnsureGstreamer())
    return;
  std::lock_guard hold(DiscovererLock());
  if (GstDiscoverer *discoverer = Discoverer())
    g_object_set(discoverer, "timeout", GstClockTime(seconds * GST_SECOND), nullptr);
}

bool ReadWithDiscoverer(const std::string &uri, FileAttributes &out, StreamSummary &sum) {
  if (!EnsureGstreamer())
    return false;
  // Not handed a file it would spend its whole timeout on, a core busy.
  if (gchar *path = g_filename_from_uri(uri.c_str(), nullptr, nullptr)) {
    const bool never = NeverPlays(path);
    g_free(path);
    if (never)
      return false;
  }
  GstDiscoverer *const discoverer = Discoverer();
  if (!discoverer)
    return false;
  std::unique_lock<std::mutex> hold(DiscovererLock());
  GObjectHolder<GstDiscovererInfo> info{
      gst_discoverer_discover_uri(discoverer, uri.c_str(), nullptr)};
  hold.unlock();
  const GstDiscovererResult result =
      info.object ? gst_discoverer_info_get_result(info.object) : GST_DISCOVERER_ERROR;
  // A timeout is no verdict: the same file may be read at the next try.
  out.unsure = result == GST_DISCOVERER_TIMEOUT;
  // A missing plugin (for a second stream, a subtitle, a cover) leaves
  // what was found readable; the caller still wants a stream.
  if (result != GST_DISCOVERER_OK && result != GST_DISCOVERER_MISSING_PLUGINS)
    return false;
  ReadContainerTags(info.object, out);
  ReadStreams(info.object, out, sum);
  const GstClockTime duration = gst_discoverer_info_get_duration(info.object);
  if (GST_CLOCK_TIME_IS_VALID(duration))
    out.duration = double(duration) / GST_SECOND;
  return true;
}

} // namespace engine
