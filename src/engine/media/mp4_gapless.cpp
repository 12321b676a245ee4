// Reading an MP4's edit list and hiding it; see mp4_gapless.h.
#include "engine/media/mp4_gapless.h"

#include <cstdint>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace engine {

namespace {

constexpr std::uint64_t kMostMovieBytes = 16 << 20;

std::uint64_t Big(const unsigned char *bytes, int count) {
  std::uint64_t value = 0;
  for (int i = 0; i < count; ++i)
    value = value << 8 | bytes[i];
  return value;
}

void PutBig(unsigned char *bytes, int count, std::uint64_t value) {
  for (int i = count - 1; i >= 0; --i, value >>= 8)
    bytes[i] = static_cast<unsigned char>(value);
}

struct Box {
  unsigned char *start = nullptr; // the header
  unsigned char *body = nullptr;
  std::size_t bodySize = 0;
};

// The boxes in [from, to), in order; stops at one that does not fit.
std::vector<Box> BoxesIn(unsigned char *from, unsigned char *to) {
  std::vector<Box> boxes;
  while (to - from >= 8) {
    std::uint64_t size = Big(from, 4);
    std::size_t header = 8;
    if (size == 1 && to - from >= 16) {
      size = Big(from + 8, 8);
      header = 16;
    } else if (size == 0) {
      size = std::uint64_t(to - from);
    }
    if (size < header || size > std::uint64_t(to - from))
      break;
    boxes.push_back({from, from + header, std::size_t(size - header)});
    from += size;
  }
  return boxes;
}

bool Is(const Box &box, const char *type) {
  return std::memcmp(box.start + 4, type, 4) == 0;
}

const Box *Child(const std::vector<Box> &boxes, const char *type) {
  for (const Box &box : boxes)
    if (Is(box, type))
      return &box;
  return nullptr;
}

std::vector<Box> Children(const Box *box) {
  return box ? BoxesIn(box->body, box->body + box->bodySize) : std::vector<Box>{};
}

// Where a version 0 or 1 box keeps its timescale and duration.
struct Times {
  unsigned char *timescale = nullptr;
  unsigned char *duration = nullptr;
  int durationBytes = 4;
};

std::optional<Times> TimesOf(const Box *box, std::size_t version0At, std::size_t version1At) {
  if (box == nullptr || box->bodySize < 1)
    return std::nullopt;
  const bool wide = box->body[0] == 1;
  const std::size_t at = wide ? version1At : version0At;
  if (box->bodySize < at + 4 + (wide ? 8 : 4))
    return std::nullopt;
  return Times{box->body + at, box->body + at + 4, wide ? 8 : 4};
}

// One edit that plays the media at its rate from a point in it: that
// point and the edit's length, in the media's samples.
std::optional<GaplessTrim> EditTrim(const Box *elst, std::uint64_t movieScale,
                                    std::uint64_t mediaScale) {
  if (elst == nullptr || elst->bodySize < 8)
    return std::nullopt;
  const bool wide = elst->body[0] == 1;
  const std::size_t entry = wide ? 20 : 12;
  if (Big(elst->body + 4, 4) != 1 || elst->bodySize < 8 + entry ||
      Big(elst->body + 8 + entry - 4, 4) != 0x10000)
    return std::nullopt;
  const std::uint64_t length = Big(elst->body + 8, wide ? 8 : 4);
  const std::int64_t mediaTime = std::int64_t(Big(elst->body + (wide ? 16 : 12), wide ? 8 : 4)) -
                                 (!wide && elst->body[12] & 0x80 ? std::int64_t(1) << 32 : 0);
  if (mediaTime < 0)
    return std::nullopt; // an empty edit first: the track starts later in the movie
  GaplessTrim trim;
  trim.skip = std::uint64_t(mediaTime);
  trim.keep = length * mediaScale / movieScale;
  return trim;
}

// iTunes' own note of the same, where a file has no edit list (older iTunes
// and encoders that copied it): the "iTunSMPB" item, whose text's hex words
// after the first are the priming, the padding and the source's samples.
std::optional<GaplessTrim> ITunesTrim(const std::vector<Box> &userData) {
  const Box *meta = Child(userData, "meta");
  if (meta == nullptr || meta->bodySize < 4)
    return std::nullopt;
  const Box shown{meta->start, meta->body + 4, meta->bodySize - 4}; // after its version and flags
  for (const Box &item : Children(Child(Children(&shown), "ilst"))) {
    if (!Is(item, "----"))
      continue;
    const std::vector<Box> parts = Children(&item);
    const Box *name = Child(parts, "name"), *data = Child(parts, "data");
    if (!name || !data || name->bodySize != 12 || std::memcmp(name->body + 4, "iTunSMPB", 8) != 0 ||
        data->bodySize < 8)
      continue;
    const std::string text(reinterpret_cast<const char *>(data->body + 8), data->bodySize - 8);
    std::uint64_t words[4] = {};
    std::size_t at = 0;
    for (std::uint64_t &word : words) {
      at = text.find_first_not_of(' ', at);
      if (at == std::string::npos)
        return std::nullopt;
      const std::size_t end = std::min(text.find(' ', at), text.size());
      if (end - at > 16 || text.find_first_not_of("0123456789ABCDEFabcdef", at) < end)
        return std::nullopt;
      word = std::stoull(text.substr(at, end - at), nullptr, 16);
      at = end;
    }
    GaplessTrim trim;
    trim.skip = words[1];
    trim.keep = words[3];
    return trim;
  }
  return std::nullopt;
}

// The parts of a movie box the trim is read from and the hiding changes.
struct Movie {
  GaplessTrim trim;
  unsigned char *edit = nullptr; // the edit list box's type, if it has one
  unsigned char *movieDuration = nullptr, *trackDuration = nullptr;
  int movieDurationBytes = 4, trackDurationBytes = 4;
  std::uint64_t movieLength = 0; // the whole media, in the movie's timescale
};

std::optional<Movie> MovieOf(unsigned char *moov, std::size_t size) {
  const std::vector<Box> top = BoxesIn(moov, moov + size);
  if (top.size() != 1 || !Is(top[0], "moov"))
    return std::nullopt;
  const std::vector<Box> movie = Children(&top[0]);
  const Box *trak = nullptr;
  for (const Box &box : movie)
    if (Is(box, "trak")) {
      if (trak != nullptr)
        return std::nullopt; // more than one track: leave the timing to the demuxer
      trak = &box;
    }
  const std::vector<Box> track = Children(trak);
  const std::vector<Box> media = Children(Child(track, "mdia"));
  const Box *hdlr = Child(media, "hdlr");
  const std::vector<Box> table = Children(Child(Children(Child(media, "minf")), "stbl"));
  const Box *stsd = Child(table, "stsd");
  const auto mvhd = TimesOf(Child(movie, "mvhd"), 12, 20);
  const auto mdhd = TimesOf(Child(media, "mdhd"), 12, 20);
  const auto tkhd = TimesOf(Child(track, "tkhd"), 16, 24); // its "timescale" is the track id
  if (!hdlr || hdlr->bodySize < 12 || std::memcmp(hdlr->body + 8, "soun", 4) != 0 || !stsd ||
      stsd->bodySize < 16 || std::memcmp(stsd->body + 12, "mp4a", 4) != 0 || !mvhd || !mdhd ||
      !tkhd)
    return std::nullopt;
  const std::uint64_t movieScale = Big(mvhd->timescale, 4), mediaScale = Big(mdhd->timescale, 4);
  const std::uint64_t mediaLength = Big(mdhd->duration, mdhd->durationBytes);
  if (movieScale == 0 || mediaScale < 8000 || mediaScale > 384000)
    return std::nullopt;
  Movie found;
  const Box *edts = Child(track, "edts");
  const std::optional<GaplessTrim> trim =
      edts ? EditTrim(Child(Children(edts), "elst"), movieScale, mediaScale)
           : ITunesTrim(Children(Child(movie, "udta")));
  if (!trim || trim->keep == 0 || trim->skip + trim->keep > mediaLength)
    return std::nullopt;
  found.trim = *trim;
  found.trim.rate = int(mediaScale);
  found.trim.editList = true;
  if (edts)
    found.edit = Child(Children(edts), "elst")->start + 4;
  found.movieDuration = mvhd->duration;
  found.movieDurationBytes = mvhd->durationBytes;
  found.trackDuration = tkhd->duration;
  found.trackDurationBytes = tkhd->durationBytes;
  found.movieLength = (mediaLength * movieScale + mediaScale - 1) / mediaScale;
  return found;
}

} // namespace

std::optional<GaplessTrim> Mp4Trim(const unsigned char *moov, std::size_t size) {
  // Read only: the walk takes writable pointers for the hiding's sake.
  const std::optional<Movie> movie = MovieOf(const_cast<unsigned char *>(moov), size);
  return movie ? std::optional<GaplessTrim>(movie->trim) : std::nullopt;
}

bool HideMp4EditList(unsigned char *moov, std::size_t size) {
  const std::optional<Movie> movie = MovieOf(moov, size);
  if (!movie)
    return false;
  if (movie->edit != nullptr)
    std::memcpy(movie->edit, "free", 4);
  PutBig(movie->movieDuration, movie->movieDurationBytes, movie->movieLength);
  PutBig(movie->trackDuration, movie->trackDurationBytes, movie->movieLength);
  return true;
}

std::optional<GaplessTrim> ReadMp4Gapless(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::uint64_t at = 0;
  unsigned char header[16];
  while (file.seekg(std::streamoff(at)) && file.read(reinterpret_cast<char *>(header), 8)) {
    std::uint64_t size = Big(header, 4);
    if (size == 1) {
      if (!file.read(reinterpret_cast<char *>(header + 8), 8))
        return std::nullopt;
      size = Big(header + 8, 8);
    }
    if (size < 8)
      return std::nullopt; // to the end, or damaged: no movie box follows
    if (std::memcmp(header + 4, "moov", 4) == 0) {
      if (size > kMostMovieBytes)
        return std::nullopt;
      std::vector<unsigned char> moov(size);
      if (!file.seekg(std::streamoff(at)) ||
          !file.read(reinterpret_cast<char *>(moov.data()), std::streamsize(size)))
        return std::nullopt;
      return Mp4Trim(moov.data(), moov.size());
    }
    at += size;
  }
  return std::nullopt;
}

} // namespace engine
