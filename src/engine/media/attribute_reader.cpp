// Choosing the reader for a file, and the attributes every reader derives
// the same way from what it found.
#include "engine/media/attribute_reader.h"

#include "engine/media/media_fragment.h"

#include <gst/gst.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "engine/media/attribute_readers.h"
#include "engine/media/gstreamer_ready.h"
#include "engine/media/wave_format.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// Turns a plain path or a file:// URL into the local path and the URI the
// discoverer wants; false for anything else.
bool LocalFile(const std::string &url, std::string &path, std::string &uri) {
  if (url.empty())
    return false;
  if (gst_uri_is_valid(url.c_str())) {
    gchar *protocol = gst_uri_get_protocol(url.c_str());
    const bool isFile = protocol && g_ascii_strcasecmp(protocol, "file") == 0;
    g_free(protocol);
    if (!isFile)
      return false;
    gchar *local = g_filename_from_uri(url.c_str(), nullptr, nullptr);
    if (!local)
      return false;
    path = local;
    g_free(local);
  } else {
    path = url;
  }
  gchar *made = gst_filename_to_uri(path.c_str(), nullptr);
  if (!made)
    return false;
  uri = made;
  g_free(made);
  return true;
}

std::u16string ExtensionOf(const std::string &path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return {};
  std::string extension = path.substr(dot + 1);
  for (char &c : extension)
    c = g_ascii_tolower(c);
  return Utf16Of(extension);
}

void AddBitrates(std::uint64_t fileSize, const StreamSummary &sum, FileAttributes &out) {
  // Lossless and some VBR streams report no rate; the average over the file
  // is what a listener would call the bit rate.
  std::uint64_t fileRate = 0;
  if (out.duration > 0)
    fileRate = std::uint64_t(std::llround(double(fileSize) * 8 / out.duration));
  std::uint64_t audioRate = sum.lossless ? 0 : sum.audioBitrate;
  std::uint64_t videoRate = sum.videoBitrate;
  if (!audioRate && sum.audio && !sum.video)
    audioRate = fileRate;
  if (!videoRate && sum.video && !sum.audio)
    videoRate = fileRate;
  if (sum.audio && audioRate)
    out.text[u"AudioBitrate"] = IntegerText(audioRate);
  if (sum.video && videoRate)
    out.text[u"VideoBitrate"] = IntegerText(videoRate);
  const std::uint64_t total =
      (sum.audio && !audioRate) || (sum.video && !videoRate) ? fileRate : audioRate + videoRate;
  if (total)
    out.text[u"Bitrate"] = IntegerText(total);
}

// What both readers report alike, once one of them has read the file.
void Finish(const std::u16string &url, const std::string &path, std::uint64_t fileSize,
            StreamSummary &sum, FileAttributes &out) {
  if (sum.wave) {
    // The format chunk names the codec by the very tag the control reports.
    if (const std::optional<WaveFormat> wave = ReadWaveFormat(path)) {
      out.text[u"FormatTag"] = IntegerText(wave->formatTag);
      out.text[u"Channels"] = IntegerText(wave->channels);
      sum.audioBitrate = std::uint64_t(wave->averageBytesPerSecond) * 8;
      sum.lossless = false;
    }
  }
  AddBitrates(fileSize, sum, out);
  out.text[u"SourceURL"] = url;
  out.text[u"Duration"] = NumberText(out.duration);
  out.text[u"MediaType"] = sum.video ? u"video" : u"audio";
  out.text[u"FileSize"] = IntegerText(fileSize);
  const std::u16string extension = ExtensionOf(path);
  if (!extension.empty())
    out.text[u"FileType"] = extension;
}

} // namespace

std::u16string NumberText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  std::string text = buffer;
  text.erase(text.find_last_not_of('0') + 1);
  if (!text.empty() && text.back() == '.')
    text.pop_back();
  return Utf16Of(text);
}

std::u16string IntegerText(std::uint64_t value) {
  return Utf16Of(std::to_string(value));
}

bool ReadFileAttributesWith(AttributeReader reader, const std::u16string &url,
                            FileAttributes &out) {
  out = FileAttributes{};
  std::string path, uri;
  // GStreamer names the URIs, and reads what the tag library cannot.
  if (!EnsureGstreamer() || !LocalFile(Utf8Of(url), path, uri))
    return false;
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
    return false;
  StreamSummary sum;
  bool read = false;
  // The tag library first, whatever the file is named: it reads what it
  // knows from the headers alone.
  if (reader != AttributeReader::Discoverer)
    read = ReadWithTagLib(path, ExtensionOf(path), out, sum);
  if (!read && reader != AttributeReader::TagLib) {
    out = FileAttributes{};
    sum = StreamSummary{};
    read = ReadWithDiscoverer(uri, out, sum);
  } else if (read && sum.tagsCut && reader == AttributeReader::Chosen) {
    // Field by field: the discoverer gives what the tag library lost past
    // a damaged frame, and what the tag library read stays.
    FileAttributes more;
    StreamSummary ignored;
    if (ReadWithDiscoverer(uri, more, ignored))
      for (const char16_t *name :
           {u"Title", u"Author", u"Album", u"AlbumArtist", u"WM/Genre", u"WM/Composer"})
        if (auto found = more.text.find(name); found != more.text.end())
          out.text.emplace(found->first, found->second);
  }
  if (!read || (!sum.audio && !sum.video))
    return false;
  Finish(url, path, std::uint64_t(status.st_size), sum, out);
  return true;
}

namespace {
// One slot is all the engine needs (CD tracks); players on several threads
// offer the same reader.
std::atomic<UrlAttributeReader> urlReader{nullptr};
} // namespace

void OfferUrlReader(UrlAttributeReader reader) {
  urlReader.store(reader);
}

bool ReadFileAttributes(const std::u16string &url, FileAttributes &out) {
  const UrlAttributeReader other = urlReader.load();
  if (other != nullptr && other(url, out))
    return true;
  const MediaFragment part = PlayedPart(url);
  if (part.file == url)
    return ReadFileAttributesWith(AttributeReader::Chosen, url, out);
  // A part of a file: the file's attributes but its length, and no title
  // (the file's is the whole album's; the part's comes from its sheet).
  if (!ReadFileAttributesWith(AttributeReader::Chosen, part.file, out))
    return false;
  out.duration = std::max(0.0, part.Length(out.duration));
  out.text[u"Duration"] = NumberText(out.duration);
  out.text[u"SourceURL"] = url;
  out.text.erase(u"Title");
  return true;
}

bool IsDerivedAttribute(const std::u16string &name) {
  static const std::u16string_view kDerived[] = {
      u"SourceURL", u"FileType",  u"Duration",  u"Bitrate", u"AudioBitrate", u"VideoBitrate",
      u"Channels",  u"FrameRate", u"FormatTag", u"FourCC",  u"MediaType",    u"FileSize",
  };
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  return std::any_of(std::begin(kDerived), std::end(kDerived), [&](std::u16string_view derived) {
    return derived.size() == name.size() &&
           std::equal(derived.begin(), derived.end(), name.begin(),
                      [&](char16_t a, char16_t b) { return lower(a) == lower(b); });
  });
}

} // namespace engine
