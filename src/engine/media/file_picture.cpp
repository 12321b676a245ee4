// Finding a file's picture in its tags or its folder; see file_picture.h.
#include "engine/media/file_picture.h"

#include <audioplayer_picture.h>
#include <com.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

#include "engine/media/cache_folder.h"
#include "engine/media/matroska_attachments.h"
#include "engine/media/media_fragment.h"
#include "engine/media/tag_file.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

const std::int32_t kFileNotFound = std::int32_t(0x80070002);

// The best picture offered so far: a front cover over any other.
struct Choice {
  TagLib::ByteVector data;
  std::string declared; // the MIME type the tag says
  bool front = false;

  void Offer(const TagLib::ByteVector &bytes, const TagLib::String &mime, bool isFront) {
    if (bytes.isEmpty() || (!data.isEmpty() && (front || !isFront)))
      return;
    data = bytes;
    declared = mime.to8Bit(true);
    front = isFront;
  }
};

void FromId3v2(TagLib::ID3v2::Tag *tag, Choice &choice) {
  if (tag == nullptr)
    return;
  for (TagLib::ID3v2::Frame *frame : tag->frameList("APIC"))
    if (auto *apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame *>(frame))
      choice.Offer(apic->picture(), apic->mimeType(),
                   apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover);
}

void FromFlacPictures(const TagLib::List<TagLib::FLAC::Picture *> &pictures, Choice &choice) {
  for (const TagLib::FLAC::Picture *picture : pictures)
    choice.Offer(picture->data(), picture->mimeType(),
                 picture->type() == TagLib::FLAC::Picture::FrontCover);
}

// An APE tag's pictures (WavPack, Monkey's Audio, Musepack, and MP3 files
// some taggers give one): binary items named "Cover Art (...)", each the
// image's file name, a NUL and its bytes.
void FromApe(TagLib::APE::Tag *tag, Choice &choice) {
  if (tag == nullptr)
    return;
  for (const auto &[key, item] : tag->itemListMap()) {
    if (item.type() != TagLib::APE::Item::Binary || !key.upper().startsWith("COVER ART"))
      continue;
    const TagLib::ByteVector value = item.binaryData();
    const int name = value.find('\0');
    if (name >= 0)
      choice.Offer(value.mid(unsigned(name) + 1), "", key.upper() == "COVER ART (FRONT)");
  }
}

// The picture the tags hold, whatever the format.
Choice EmbeddedPicture(TagLib::File *file) {
  Choice choice;
  if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(file)) {
    FromId3v2(mpeg->hasID3v2Tag() ? mpeg->ID3v2Tag() : nullptr, choice);
    if (choice.data.isEmpty())
      FromApe(mpeg->hasAPETag() ? mpeg->APETag() : nullptr, choice);
  } else if (auto *wavpack = dynamic_cast<TagLib::WavPack::File *>(file))
    FromApe(wavpack->hasAPETag() ? wavpack->APETag() : nullptr, choice);
  else if (auto *ape = dynamic_cast<TagLib::APE::File *>(file))
    FromApe(ape->hasAPETag() ? ape->APETag() : nullptr, choice);
  else if (auto *mpc = dynamic_cast<TagLib::MPC::File *>(file))
    FromApe(mpc->hasAPETag() ? mpc->APETag() : nullptr, choice);
  else if (auto *flac = dynamic_cast<TagLib::FLAC::File *>(file)) {
    FromFlacPictures(flac->pictureList(), choice);
    if (flac->hasXiphComment())
      FromFlacPictures(flac->xiphComment()->pictureList(), choice);
  } else if (auto *ogg = dynamic_cast<TagLib::Ogg::File *>(file)) {
    if (auto *comment = dynamic_cast<TagLib::Ogg::XiphComment *>(ogg->tag()))
      FromFlacPictures(comment->pictureList(), choice);
  } else if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file)) {
    if (mp4->hasMP4Tag() && mp4->tag()->contains("covr"))
      for (const TagLib::MP4::CoverArt &cover : mp4->tag()->item("covr").toCoverArtList())
        choice.Offer(cover.data(), "", true);
  } else if (auto *asf = dynamic_cast<TagLib::ASF::File *>(file)) {
    for (const TagLib::ASF::Attribute &attribute : asf->tag()->attribute("WM/Picture")) {
      const TagLib::ASF::Picture picture = attribute.toPicture();
      if (picture.isValid())
        choice.Offer(picture.picture(), picture.mimeType(),
                     picture.type() == TagLib::ASF::Picture::FrontCover);
    }
  } else if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file)) {
    FromId3v2(wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr, choice);
  } else if (auto *aiff = dynamic_cast<TagLib::RIFF::AIFF::File *>(file)) {
    FromId3v2(aiff->hasID3v2Tag() ? aiff->tag() : nullptr, choice);
  }
  return choice;
}

struct ImageType {
  const char *mime;
  const char *extension;
};

// What the bytes are, by their signature (a tag's MIME type is often
// missing or wrong); the declared type where none is known.
ImageType TypeOf(const TagLib::ByteVector &data, const std::string &declared) {
  if (data.startsWith("\xFF\xD8\xFF"))
    return {"image/jpeg", ".jpg"};
  if (data.startsWith("\x89PNG"))
    return {"image/png", ".png"};
  if (data.startsWith("GIF8"))
    return {"image/gif", ".gif"};
  if (data.startsWith("BM"))
    return {"image/bmp", ".bmp"};
  if (data.startsWith("RIFF") && data.mid(8, 4) == "WEBP")
    return {"image/webp", ".webp"};
  if (declared == "image/jpeg" || declared == "image/jpg")
    return {"image/jpeg", ".jpg"};
  if (declared == "image/png")
    return {"image/png", ".png"};
  return {nullptr, nullptr};
}

// Writes the picture under its content's name, once: a name that exists
// holds these bytes already. Written beside and renamed, so that a reader
// never sees half an image.
std::int32_t Extract(const TagLib::ByteVector &data, const ImageType &type, FilePicture *out) {
  const std::filesystem::path folder = CacheFolder("pictures");
  gchar *digest = g_compute_checksum_for_data(
      G_CHECKSUM_SHA256, reinterpret_cast<const guchar *>(data.data()), data.size());
  const std::filesystem::path path = folder / (std::string(digest) + type.extension);
  g_free(digest);
  out->path = path.string();
  out->mimeType = type.mime;
  out->bytes = data.size();
  out->embedded = true;
  std::error_code error;
  if (std::filesystem::exists(path, error))
    return S_OK;
  std::filesystem::create_directories(folder, error);
  const std::string partial = path.string() + "." + std::to_string(::getpid()) + ".part";
  FILE *file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr)
    return E_ACCESSDENIED;
  const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  if (std::fclose(file) != 0 || !written || std::rename(partial.c_str(), path.c_str()) != 0) {
    std::remove(partial.c_str());
    return std::int32_t(0x8007045D); // ERROR_IO_DEVICE
  }
  return S_OK;
}

// The names image files beside a track go by, as rippers, stores and
// players save them, best first, in any case: Windows Media Player's own
// (Folder.jpg, AlbumArt_{...}_Large.jpg, AlbumArtSmall.jpg) among them.
constexpr const char *kFolderNames[] = {
    "cover",    "folder",           "front",        "albumart_*_large", "album",
    "albumart", "albumart_*_small", "albumartsmall"};
constexpr ImageType kFolderTypes[] = {{"image/jpeg", ".jpg"},  {"image/jpeg", ".jpeg"},
                                      {"image/png", ".png"},   {"image/gif", ".gif"},
                                      {"image/webp", ".webp"}, {"image/bmp", ".bmp"}};
// A folder of more entries than this is a collection, not an album's.
constexpr int kMostFolderEntries = 20000;

// How well a file name does as the folder's picture: the lower the
// better; -1 for no picture's name.
int RankOf(std::string name, const ImageType **type) {
  for (char &c : name)
    c = char(g_ascii_tolower(c));
  for (const ImageType &known : kFolderTypes) {
    const std::string_view extension = known.extension;
    if (name.size() <= extension.size() || !std::string_view(name).ends_with(extension))
      continue;
    const std::string stem = name.substr(0, name.size() - extension.size());
    for (std::size_t rank = 0; rank < std::size(kFolderNames); ++rank)
      if (g_pattern_match_simple(kFolderNames[rank], stem.c_str())) {
        *type = &known;
        return int(rank * std::size(kFolderTypes) + std::size_t(&known - kFolderTypes));
      }
  }
  return -1;
}

// The best-named image of the folder, by one look through it.
std::optional<FilePicture> BestInFolder(const std::filesystem::path &folder) {
  std::optional<FilePicture> best;
  int bestRank = -1, seen = 0;
  std::error_code error;
  for (auto entry = std::filesystem::directory_iterator(folder, error);
       !error && entry != std::filesystem::directory_iterator() && seen < kMostFolderEntries;
       entry.increment(error), ++seen) {
    const ImageType *type = nullptr;
    const int rank = RankOf(entry->path().filename().string(), &type);
    struct stat image {};
    if (rank < 0 || (bestRank >= 0 && rank >= bestRank) ||
        ::stat(entry->path().c_str(), &image) != 0 || !S_ISREG(image.st_mode) || image.st_size == 0)
      continue;
    best = FilePicture{entry->path().string(), type->mime, std::uint64_t(image.st_size), false};
    bestRank = rank;
  }
  return best;
}

bool FolderPicture(const std::filesystem::path &media, FilePicture *out) {
  const std::optional<FilePicture> found = BestInFolder(media.parent_path());
  if (found)
    *out = *found;
  return found.has_value();
}

} // namespace

std::int32_t FindFilePicture(const std::string &mediaPath, FilePicture *out) {
  std::string path = mediaPath;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0)
    path = Utf8Of(PlayedPart(Utf16Of(mediaPath)).file);
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return kFileNotFound;
  {
    const TagFile tagged(path);
    if (TagLib::File *file = tagged.Get()) {
      const Choice choice = EmbeddedPicture(file);
      const ImageType type = TypeOf(choice.data, choice.declared);
      if (type.mime != nullptr)
        return Extract(choice.data, type, out);
    }
  }
  std::ifstream stream(path, std::ios::binary);
  if (const std::optional<MatroskaPicture> attached = ReadMatroskaCover(stream)) {
    const TagLib::ByteVector data(attached->data.data(), unsigned(attached->data.size()));
    const ImageType type = TypeOf(data, attached->mimeType);
    if (type.mime != nullptr)
      return Extract(data, type, out);
  }
  return FolderPicture(std::filesystem::absolute(path), out) ? S_OK : S_FALSE;
}

} // namespace engine

// The host's face of it (audioplayer_picture.h).
extern "C" long AudioPlayerPictureOf(const unsigned short *mediaPath, AudioPlayerPicture *picture) {
  if (mediaPath == nullptr || picture == nullptr)
    return E_INVALIDARG;
  std::u16string path;
  for (const unsigned short *at = mediaPath; *at; ++at)
    path += char16_t(*at);
  engine::FilePicture found;
  const std::int32_t status = engine::FindFilePicture(engine::Utf8Of(path), &found);
  if (status != S_OK)
    return status;
  const std::u16string image = engine::Utf16Of(found.path);
  if (image.size() >= std::size(picture->path) || found.mimeType.size() >= sizeof picture->mimeType)
    return std::int32_t(0x8007007A); // ERROR_INSUFFICIENT_BUFFER
  std::copy(image.begin(), image.end(), picture->path);
  picture->path[image.size()] = 0;
  std::snprintf(picture->mimeType, sizeof picture->mimeType, "%s", found.mimeType.c_str());
  picture->bytes = static_cast<long long>(found.bytes);
  picture->embedded = found.embedded ? 1 : 0;
  return S_OK;
}
