// Reading a file's attributes with TagLib: tags and audio properties from
// the headers alone, for the audio formats a music collection mostly holds.
// The codec's WAVE format tag comes from the file type (and, for MPEG,
// MP4 and ASF, from what the headers say of the codec).
#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/flacfile.h>
#include <taglib/mp4atom.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/xingheader.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>
#include <taglib/wavpackfile.h>

#include <algorithm>
#include <fstream>
#include <cmath>
#include <string_view>

#include "engine/media/aac_config.h"
#include "engine/media/aiff_text.h"
#include "engine/media/attribute_readers.h"
#include "engine/media/flac_metadata.h"
#include "engine/media/id3v2_tag.h"
#include "engine/media/mpeg_frames.h"
#include "engine/media/mpeg_gapless.h"
#include "engine/media/ogg_gapless.h"
#include "engine/media/tag_file.h"
#include "engine/media/tag_properties.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// The registered WAVE format tags (mmreg.h) of the codecs these files hold.
constexpr unsigned kWavePcm = 0x0001;
constexpr unsigned kWaveMpeg = 0x0050;
constexpr unsigned kWaveMpegLayer3 = 0x0055;
constexpr unsigned kWaveRawAac = 0x00FF;
constexpr unsigned kWaveWma1 = 0x0160; // then WMA 2, Pro, Lossless
constexpr unsigned kWaveSpeex = 0xA109;
constexpr unsigned kWaveAlac = 0x6C61;
constexpr unsigned kWaveVorbis = 0x674F;
constexpr unsigned kWaveOpus = 0x704F;
constexpr unsigned kWaveFlac = 0xF1AC;

// The extensions that name MPEG audio (see TakenForAnother).
constexpr std::u16string_view kMpegExtensions[] = {u"mp3", u"mp2", u"mp1", u"mpga"};

// The ASF stream type of a video stream (ASF_Video_Media), as stored.
constexpr unsigned char kAsfVideoMedia[] = {0xC0, 0xEF, 0x19, 0xBC, 0x4D, 0x5B, 0xCF, 0x11,
                                            0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
// The most of an ASF header read to look for it.
constexpr long kAsfHeaderLimit = 1 << 20;

// Several values are joined as GStreamer joins them. What is read already
// stays: a second tag only fills the gaps of the first.
void ReadTags(const TagLib::PropertyMap &properties, FileAttributes &out) {
  for (const TagProperty &entry : kTagProperties) {
    auto found = properties.find(entry.property);
    if (found == properties.end())
      continue;
    const std::string value = found->second.toString(", ").to8Bit(true);
    if (!value.empty())
      out.text.emplace(entry.attribute, Utf16Of(value));
  }
  // ffmpeg names the album artist "album_artist" in APE tags and Vorbis
  // comments, where taggers write "Album Artist" and "ALBUMARTIST".
  if (auto found = properties.find("ALBUM_ARTIST"); found != properties.end())
    if (const std::string value = found->second.toString(", ").to8Bit(true); !value.empty())
      out.text.emplace(u"AlbumArtist", Utf16Of(value));
}

// TagLib gives an MP3's ID3v2 tag alone when it has one; the ID3v1 and APE
// tags beside it fill what it lacks, as mutagen and the discoverer read
// them (an album only the ID3v1 tag names, a field of a damaged frame).
void ReadOtherMpegTags(TagLib::MPEG::File &file, FileAttributes &out) {
  if (file.hasAPETag())
    ReadTags(file.APETag()->properties(), out);
  if (file.hasID3v1Tag())
    ReadTags(file.ID3v1Tag()->properties(), out);
}

// The ID3v2 text frames the control shows, by their frame IDs.
constexpr const char *kShownFrames[] = {"TIT2", "TPE1", "TALB", "TPE2", "TCON", "TCOM"};
// The most of an ID3v2 tag looked through for them (a tag with pictures
// can be megabytes; the text frames come first as taggers write them).
constexpr unsigned kId3v2ScanLimit = 1 << 18;

// TagLib stops reading an ID3v2 tag at a damaged frame (a TYER of no
// size), so the frames after it are lost to it, though GStreamer's own
// ID3 reader skips the damage and reads them. Whether a frame the control
// shows is in the tag's bytes but not among the frames TagLib read.
bool LostShownFrames(TagLib::MPEG::File &file) {
  if (!file.hasID3v2Tag())
    return false;
  file.seek(0);
  const TagLib::ByteVector header = file.readBlock(10);
  if (header.size() < 10 || !header.startsWith("ID3"))
    return false;
  unsigned size = 0;
  for (unsigned i = 6; i < 10; ++i)
    size = size << 7 | (static_cast<unsigned char>(header[i]) & 0x7F);
  const TagLib::ByteVector tag = file.readBlock(std::min(size, kId3v2ScanLimit));
  const TagLib::ID3v2::FrameListMap &read = file.ID3v2Tag()->frameListMap();
  for (const char *id : kShownFrames)
    if (tag.find(id) >= 0 && read.find(id) == read.end())
      return true;
  return false;
}

// TagLib gives a WAV file's ID3v2 tag alone when it has one; its INFO list
// fills what the tag lacks. GStreamer reads the list's "ISBJ" (subject)
// field as the album artist, and its own WAV writer puts the album artist
// there.
void ReadWaveInfo(TagLib::RIFF::WAV::File &file, FileAttributes &out) {
  if (!file.hasInfoTag())
    return;
  ReadTags(file.InfoTag()->properties(), out);
  if (out.text.count(u"AlbumArtist"))
    return;
  const std::string subject = file.InfoTag()->fieldText("ISBJ").to8Bit(true);
  if (!subject.empty())
    out.text[u"AlbumArtist"] = Utf16Of(subject);
}

struct Codec {
  unsigned formatTag = 0;
  bool lossless = false; // the file's average rate is the rate
  bool wave = false;     // the WAV format chunk names the codec
  bool known = true;     // false: a codec this reader cannot name
  // MP4 and ASF keep tags in more ways than the tag library reads (GStreamer's
  // own muxers write some of them): a file of these without tags it can
  // read goes to the discoverer.
  bool tagsMayHide = false;
};

Codec CodecOf(TagLib::File *file) {
  if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(file))
    return {mpeg->audioProperties() && mpeg->audioProperties()->layer() != 3 ? kWaveMpeg
                                                                             : kWaveMpegLayer3};
  if (dynamic_cast<TagLib::FLAC::File *>(file) || dynamic_cast<TagLib::Ogg::FLAC::File *>(file))
    return {kWaveFlac, true};
  if (dynamic_cast<TagLib::Ogg::Vorbis::File *>(file))
    return {kWaveVorbis};
  if (dynamic_cast<TagLib::Ogg::Opus::File *>(file))
    return {kWaveOpus};
  if (dynamic_cast<TagLib::Ogg::Speex::File *>(file))
    return {kWaveSpeex};
  if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file)) {
    const auto *properties = mp4->audioProperties();
    if (properties && properties->codec() == TagLib::MP4::Properties::AAC)
      return {kWaveRawAac, false, false, true, true};
    if (properties && properties->codec() == TagLib::MP4::Properties::ALAC)
      return {kWaveAlac, true, false, true, true};
    return {0, false, false, false};
  }
  if (auto *asf = dynamic_cast<TagLib::ASF::File *>(file)) {
    switch (asf->audioProperties() ? asf->audioProperties()->codec()
                                   : TagLib::ASF::Properties::Unknown) {
    case TagLib::ASF::Properties::WMA1:
      return {kWaveWma1, false, false, true, true};
    case TagLib::ASF::Properties::WMA2:
      return {kWaveWma1 + 1, false, false, true, true};
    case TagLib::ASF::Properties::WMA9Pro:
      return {kWaveWma1 + 2, false, false, true, true};
    case TagLib::ASF::Properties::WMA9Lossless:
      return {kWaveWma1 + 3, true, false, true, true};
    default:
      return {0, false, false, false};
    }
  }
  if (dynamic_cast<TagLib::RIFF::WAV::File *>(file))
    return {kWavePcm, false, true};
  // No registered tag names them, as the discoverer finds; read here, an
  // APE tag's values all count (GStreamer's apedemux keeps the first of
  // "piman\0jzig").
  if (dynamic_cast<TagLib::WavPack::File *>(file) || dynamic_cast<TagLib::APE::File *>(file))
    return {0, true};
  if (auto *aiff = dynamic_cast<TagLib::RIFF::AIFF::File *>(file)) {
    const auto *properties = aiff->audioProperties();
    if (properties && properties->isAiffC() && properties->compressionType() != "NONE")
      return {0, false, false, false}; // compressed AIFF-C: the discoverer names it
    return {kWavePcm};
  }
  return {0, false, false, false};
}

// The stream's rate as GStreamer reports it: exact for PCM, the encoder's
// nominal rate for Vorbis, else the average the headers give.
std::uint64_t AudioBitrate(TagLib::File *file, const TagLib::AudioProperties &properties) {
  if (auto *aiff = dynamic_cast<TagLib::RIFF::AIFF::File *>(file))
    return std::uint64_t(properties.sampleRate()) * unsigned(properties.channels()) *
           unsigned(aiff->audioProperties()->bitsPerSample());
  if (auto *vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File *>(file))
    if (vorbis->audioProperties()->bitrateNominal() > 0)
      return std::uint64_t(vorbis->audioProperties()->bitrateNominal());
  return properties.bitrate() > 0 ? std::uint64_t(properties.bitrate()) * 1000 : 0;
}

// The bytes of a FLAC's or an MP4's audio, without the tags, pictures and
// padding the file holds beside it (0 when the headers do not say): the
// average rate of a lossless stream is its bytes over its length.
std::uint64_t StreamBytes(TagLib::File *file) {
  if (auto *flac = dynamic_cast<TagLib::FLAC::File *>(file)) {
    std::ifstream bytes(flac->name(), std::ios::binary);
    const std::optional<FlacMetadata> metadata = ReadFlacMetadata(bytes);
    if (!metadata)
      return 0;
    long end = flac->length();
    if (end - long(metadata->audioOffset) >= 128) { // an ID3v1 tag at the end
      flac->seek(end - 128);
      if (flac->readBlock(3) == "TAG")
        end -= 128;
    }
    return end > long(metadata->audioOffset) ? std::uint64_t(end) - metadata->audioOffset : 0;
  }
  if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file)) {
    TagLib::MP4::Atoms atoms(mp4);
    std::uint64_t bytes = 0;
    for (const TagLib::MP4::Atom *atom : atoms.atoms)
      if (atom->name == "mdat" && atom->length > 8)
        bytes += std::uint64_t(atom->length - 8);
    return bytes;
  }
  return 0;
}

// An MP4 track's type ("soun", "vide", ...) from its handler atom: size,
// name, version and flags, a reserved word, then the type.
TagLib::ByteVector TrackType(TagLib::MP4::File &mp4, TagLib::MP4::Atom &track) {
  TagLib::MP4::Atom *handler = track.find("mdia", "hdlr");
  if (handler == nullptr)
    return {};
  mp4.seek(handler->offset + 16);
  return mp4.readBlock(4);
}

// TagLib describes the first audio stream alone: a file with a video
// track is the discoverer's, whatever its name says.
bool HasVideo(TagLib::File *file) {
  if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file)) {
    TagLib::MP4::Atoms atoms(mp4);
    TagLib::MP4::Atom *movie = atoms.find("moov");
    for (TagLib::MP4::Atom *track : movie ? movie->findall("trak") : TagLib::MP4::AtomList())
      if (TrackType(*mp4, *track) == "vide")
        return true;
    return false;
  }
  if (dynamic_cast<TagLib::ASF::File *>(file)) {
    // The header object (its size after its GUID) holds one stream
    // properties object per stream, each naming its type.
    file->seek(16);
    const long long size = file->readBlock(8).toLongLong(false);
    file->seek(0);
    const TagLib::ByteVector header = file->readBlock(
        static_cast<unsigned long>(std::clamp<long long>(size, 0, kAsfHeaderLimit)));
    return header.find(TagLib::ByteVector(reinterpret_cast<const char *>(kAsfVideoMedia),
                                          sizeof kAsfVideoMedia)) >= 0;
  }
  return false;
}

// The channels of the file's audio: an MP4's AAC track's by its decoder
// configuration (aac_config.h), any other's as TagLib reads them.
unsigned ChannelsOf(TagLib::File *file, const TagLib::AudioProperties &properties) {
  if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file)) {
    TagLib::MP4::Atoms atoms(mp4);
    TagLib::MP4::Atom *movie = atoms.find("moov");
    for (TagLib::MP4::Atom *track : movie ? movie->findall("trak") : TagLib::MP4::AtomList()) {
      TagLib::MP4::Atom *table = track->find("mdia", "minf", "stbl", "stsd");
      if (table == nullptr || table->length < 16 || table->length > 1 << 16 ||
          TrackType(*mp4, *track) != "soun")
        continue;
      mp4->seek(table->offset + 8);
      const TagLib::ByteVector body = mp4->readBlock(static_cast<unsigned long>(table->length - 8));
      if (const unsigned channels =
              AacConfigChannels(reinterpret_cast<const unsigned char *>(body.data()), body.size()))
        return channels;
      break;
    }
  }
  return unsigned(properties.channels());
}

// TagLib knows a file by a signature anywhere in its first kilobyte, not
// at its start: an MPEG frame sync, or "fLaC", is found inside many another
// container (a Matroska FLAC track keeps the stream's header near the
// start). Such a file is the discoverer's. A FLAC stream starts the file,
// behind an ID3v2 tag or not; MPEG audio may start anywhere in a file its
// name says is MPEG, and in others only behind an ID3v2 tag.
bool TakenForAnother(TagLib::File *file, const std::u16string &extension) {
  const bool mpeg = dynamic_cast<TagLib::MPEG::File *>(file) != nullptr;
  if (!mpeg && dynamic_cast<TagLib::FLAC::File *>(file) == nullptr)
    return false;
  if (mpeg && std::find(std::begin(kMpegExtensions), std::end(kMpegExtensions), extension) !=
                  std::end(kMpegExtensions))
    return false;
  file->seek(0);
  const TagLib::ByteVector start = file->readBlock(10);
  unsigned char header[10] = {};
  std::copy_n(start.data(), std::min<std::size_t>(start.size(), 10), header);
  const long tag = Id3v2Length(header);
  if (tag == 0)
    return mpeg || !start.startsWith("fLaC");
  if (mpeg)
    return false;
  file->seek(tag);
  return file->readBlock(4) != "fLaC";
}

} // namespace

namespace {

// A FLAC file TagLib cannot read because a block's length is wrong
// (flac_metadata.h): its stream information and comments, read past it.
bool ReadFlacPastBadBlocks(const std::string &path, FileAttributes &out, StreamSummary &sum) {
  std::ifstream file(path, std::ios::binary);
  const std::optional<FlacMetadata> metadata = ReadFlacMetadata(file);
  if (!metadata)
    return false;
  std::uint32_t rate = 0, channels = 0;
  std::uint64_t samples = 0;
  for (const FlacMetadata::Block &block : metadata->blocks) {
    if ((block.type != FlacMetadata::kStreamInfo && block.type != FlacMetadata::kVorbisComment) ||
        block.length > (1U << 24))
      continue;
    std::string data(block.length, '\0');
    file.seekg(std::streamoff(block.offset));
    if (!file.read(data.data(), std::streamsize(data.size())))
      return false;
    const auto *b = reinterpret_cast<const unsigned char *>(data.data());
    if (block.type == FlacMetadata::kStreamInfo && data.size() >= 18) {
      rate = std::uint32_t(b[10]) << 12 | std::uint32_t(b[11]) << 4 | b[12] >> 4;
      channels = ((b[12] >> 1) & 7) + 1;
      samples = std::uint64_t(b[13] & 0x0F) << 32 | std::uint64_t(b[14]) << 24 |
                std::uint64_t(b[15]) << 16 | std::uint64_t(b[16]) << 8 | b[17];
    } else if (block.type == FlacMetadata::kVorbisComment) {
      const TagLib::Ogg::XiphComment comment(
          TagLib::ByteVector(data.data(), unsigned(data.size())));
      ReadTags(comment.properties(), out);
    }
  }
  if (rate == 0 || samples == 0)
    return false;
  out.duration = double(samples) / rate;
  out.text[u"Channels"] = IntegerText(channels);
  out.text[u"FormatTag"] = IntegerText(kWaveFlac);
  sum.audio = true;
  file.seekg(0, std::ios::end);
  const auto size = std::uint64_t(std::max<std::streamoff>(file.tellg(), 0));
  sum.audioBitrate =
      size > metadata->audioOffset
          ? std::uint64_t(std::llround(double(size - metadata->audioOffset) * 8 / out.duration))
          : 0;
  sum.lossless = sum.audioBitrate == 0;
  return true;
}

} // namespace

bool ReadWithTagLib(const std::string &path, const std::u16string &extension, FileAttributes &out,
                    StreamSummary &sum) {
  // TagLib picks its reader by the extension, then by the content.
  const TagFile tagged(path, true);
  TagLib::File *file = tagged.Get();
  if (file == nullptr)
    return ReadFlacPastBadBlocks(path, out, sum);
  // The MPEG reader takes almost anything for a file: no sample rate means
  // it found no audio.
  if (!file->audioProperties() || file->audioProperties()->sampleRate() <= 0 ||
      file->audioProperties()->channels() <= 0 || TakenForAnother(file, extension) ||
      HasVideo(file))
    return false;
  const Codec codec = CodecOf(file);
  if (!codec.known)
    return false;
  ReadTags(file->properties(), out);
  if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(file)) {
    ReadOtherMpegTags(*mpeg, out);
    sum.tagsCut = LostShownFrames(*mpeg);
  }
  if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file))
    ReadWaveInfo(*wav, out);
  if (dynamic_cast<TagLib::RIFF::AIFF::File *>(file)) {
    const AiffText text = ReadAiffText(path);
    if (!text.name.empty())
      out.text.emplace(u"Title", Utf16Of(text.name));
    if (!text.author.empty())
      out.text.emplace(u"Author", Utf16Of(text.author));
  }
  if (codec.tagsMayHide && out.text.empty())
    return false;
  const TagLib::AudioProperties *properties = file->audioProperties();
  out.duration = properties->lengthInMilliseconds() / 1000.0;
  std::optional<MpegFrameCount> frames;
  if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(file)) {
    if (const std::optional<GaplessTrim> trim = ReadMpegGapless(path))
      out.duration = double(trim->keep) / trim->rate; // the source's, as playback trims it
    else if (!mpeg->audioProperties()->xingHeader() && (frames = CountVariableMpegFrames(path)))
      out.duration = double(frames->samples) / frames->rate;
  }
  if (dynamic_cast<TagLib::Ogg::FLAC::File *>(file) && out.duration <= 0)
    if (const std::optional<GaplessTrim> length = ReadOggFlacLength(path))
      out.duration = double(length->keep) / length->rate;
  out.text[u"Channels"] = IntegerText(ChannelsOf(file, *properties));
  out.text[u"FormatTag"] = IntegerText(codec.formatTag);
  sum.audio = true;
  sum.wave = codec.wave;
  sum.lossless = codec.lossless;
  sum.audioBitrate = AudioBitrate(file, *properties);
  if (frames && out.duration > 0)
    sum.audioBitrate = std::uint64_t(std::llround(double(frames->audioBytes) * 8 / out.duration));
  if (codec.lossless && out.duration > 0)
    if (const std::uint64_t bytes = StreamBytes(file)) {
      sum.audioBitrate = std::uint64_t(std::llround(double(bytes) * 8 / out.duration));
      sum.lossless = false; // the stream's own rate, then
    }
  return true;
}

} // namespace engine
