// Walking an MP3's frame headers; see mpeg_frames.h.
#include "engine/media/mpeg_frames.h"

#include <fstream>
#include <vector>

#include "engine/media/id3v2_tag.h"

namespace engine {

namespace {

// Frames read before a file whose rates all agree is taken for CBR.
constexpr int kSampledFrames = 32;
constexpr std::size_t kChunk = 64 * 1024;

struct Frame {
  unsigned key = 0; // version, layer and sample rate: what every frame of a stream shares
  unsigned bitrate = 0;
  std::size_t bytes = 0;
  unsigned samples = 0;
  int rate = 0;
};

std::optional<Frame> FrameAt(const unsigned char *h) {
  if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
    return std::nullopt;
  const unsigned version = (h[1] >> 3) & 3;     // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
  const unsigned layer = 4 - ((h[1] >> 1) & 3); // 4: reserved
  const unsigned bitrateIndex = h[2] >> 4, rateIndex = (h[2] >> 2) & 3;
  if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
    return std::nullopt;
  static constexpr unsigned short kBitrates[2][3][15] = {
      {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
       {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
       {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
      {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
  static constexpr int kRates[] = {44100, 48000, 32000};
  const bool first = version == 3;
  Frame frame;
  frame.key = (h[1] & 0x1Eu) | rateIndex << 8;
  frame.bitrate = kBitrates[first ? 0 : 1][layer - 1][bitrateIndex] * 1000u;
  frame.rate = kRates[rateIndex] / (first ? 1 : version == 2 ? 2 : 4);
  const unsigned padding = (h[2] >> 1) & 1;
  if (layer == 1) {
    frame.samples = 384;
    frame.bytes = (12 * frame.bitrate / unsigned(frame.rate) + padding) * 4;
  } else {
    frame.samples = layer == 3 && !first ? 576 : 1152;
    frame.bytes = frame.samples / 8 * frame.bitrate / unsigned(frame.rate) + padding;
  }
  return frame;
}

// Reads the file forward through a window of kChunk bytes.
class Reader {
public:
  explicit Reader(const std::string &path) : file_(path, std::ios::binary) {}
  // The four bytes at `at` (forward of the last call), or null past the end.
  const unsigned char *At(std::uint64_t at) {
    if (at < start_ || at + 4 > start_ + window_.size()) {
      window_.resize(kChunk);
      file_.clear();
      file_.seekg(std::streamoff(at));
      file_.read(reinterpret_cast<char *>(window_.data()), std::streamsize(kChunk));
      window_.resize(std::size_t(file_.gcount()));
      start_ = at;
      if (window_.size() < 4)
        return nullptr;
    }
    return window_.data() + (at - start_);
  }

private:
  std::ifstream file_;
  std::vector<unsigned char> window_;
  std::uint64_t start_ = 0;
};

} // namespace

std::optional<MpegFrameCount> CountVariableMpegFrames(const std::string &path) {
  unsigned char head[10] = {};
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char *>(head), sizeof head);
  Reader reader(path);
  std::uint64_t at = std::uint64_t(Id3v2Length(head));
  const unsigned char *bytes = reader.At(at);
  const std::optional<Frame> first = bytes ? FrameAt(bytes) : std::nullopt;
  if (!first)
    return std::nullopt;
  MpegFrameCount count{0, 0, first->rate};
  bool variable = false;
  int frames = 0;
  // Frame after frame while the headers follow on; a frame of another
  // stream, junk or the tags at the end stop the count.
  for (; (bytes = reader.At(at)) != nullptr; ++frames) {
    const std::optional<Frame> frame = FrameAt(bytes);
    if (!frame || frame->key != first->key)
      break;
    variable |= frame->bitrate != first->bitrate;
    if (!variable && frames == kSampledFrames)
      return std::nullopt;
    count.samples += frame->samples;
    count.audioBytes += frame->bytes;
    at += frame->bytes;
  }
  if (!variable)
    return std::nullopt;
  return count;
}

} // namespace engine
