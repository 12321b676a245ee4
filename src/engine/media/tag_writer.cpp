// The copy, edit, flush and rename of a tag write; see tag_writer.h.
#include "engine/media/tag_writer.h"

#include <com.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <taglib/aifffile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/apefile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/media/id3v2_tag.h"
#include "engine/media/tag_properties.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// By TagLib's property names, UTF-8; "" removes the tag.
using Edits = std::vector<std::pair<const char *, std::string>>;

std::int32_t StatusOfError(int error) {
  switch (error) {
  case EACCES:
  case EPERM:
    return kTagsAccessDenied;
  case EROFS:
    return kTagsWriteProtected;
  case ENOENT:
  case ENOTDIR:
    return kTagsFileMissing;
  case ENOSPC:
  case EDQUOT:
    return kTagsDiskFull;
  default:
    return kTagsIoError;
  }
}

FileState StateOf(const struct stat &info) {
  return {info.st_size, std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

class Descriptor {
public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;
  ~Descriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  int get() const { return fd_; }

private:
  int fd_;
};

// The copy is made beside the file, hidden, and ends as the file's name
// does, so that the tag library takes it for the same type. Its name is
// fixed: a copy left by a process that died is replaced by the next write.
std::string CopyName(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = path.substr(folder.size());
  const std::size_t dot = name.rfind('.');
  const std::string extension = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
  return folder + "." + name + ".new-tags" + extension;
}

int CreateCopy(const std::string &copy) {
  for (int attempt = 0;; ++attempt) {
    const int fd = ::open(copy.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST || attempt > 0 || ::unlink(copy.c_str()) != 0)
      return fd;
  }
}

// From both descriptors' offsets to the end of `from`. copy_file_range
// lets the file system share the blocks or copy them in the kernel; where
// it cannot, the bytes go through a buffer.
std::int32_t CopyBytes(int from, int to) {
  for (;;) {
    const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
    if (copied > 0)
      continue;
    if (copied == 0)
      return S_OK;
    if (errno == EINTR)
      continue;
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
      return StatusOfError(errno);
    break;
  }
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return got == 0 ? S_OK : StatusOfError(errno);
    for (ssize_t put = 0; put < got;) {
      const ssize_t wrote = ::write(to, buffer.data() + put, std::size_t(got - put));
      if (wrote < 0 && errno != EINTR)
        return StatusOfError(errno);
      put += wrote > 0 ? wrote : 0;
    }
  }
}

// Sets `value` for `key` where the map's text differs (several values read
// as the reader joins them); true when it did.
bool Put(TagLib::PropertyMap &properties, const char *key, const std::string &value) {
  auto found = properties.find(key);
  const std::string now =
      found == properties.end() ? "" : found->second.toString(", ").to8Bit(true);
  if (now == value)
    return false;
  if (value.empty())
    properties.erase(key);
  else
    properties.replace(key, TagLib::StringList(TagLib::String(value, TagLib::String::UTF8)));
  return true;
}

// Edits one tag (or a file's own); true when it changed. `refused` is set
// when the tag cannot hold a value it was given.
template <class Tagged> bool EditTag(Tagged &tagged, const Edits &edits, bool *refused) {
  TagLib::PropertyMap properties = tagged.properties();
  bool changed = false;
  for (const auto &[key, value] : edits)
    changed |= Put(properties, key, value);
  if (!changed)
    return false;
  const TagLib::PropertyMap left = tagged.setProperties(properties);
  for (const auto &[key, value] : edits)
    if (!value.empty() && left.contains(key))
      *refused = true;
  return true;
}

// An APE tag's items by their own keys: the property map would rename
// every other item on its way back (ffmpeg's "date" became "Year"), so only
// the edited ones are touched, under the key the tag already spells them
// with, else the usual one.
bool EditApeTag(TagLib::APE::Tag &tag, const Edits &edits) {
  static constexpr std::pair<std::string_view, const char *> kKeys[] = {
      {"TITLE", "Title"}, {"ARTIST", "Artist"},
      {"ALBUM", "Album"}, {"ALBUMARTIST", "Album Artist"},
      {"GENRE", "Genre"}, {"COMPOSER", "Composer"}};
  bool changed = false;
  for (const auto &[property, value] : edits) {
    TagLib::String key;
    for (const auto &[name, usual] : kKeys)
      if (name == property)
        key = usual;
    for (const auto &[existing, item] : tag.itemListMap())
      if (existing.upper() == key.upper() || existing.upper() == TagLib::String(property))
        key = existing;
    const auto found = tag.itemListMap().find(key.upper());
    const std::string now =
        found == tag.itemListMap().end() ? "" : found->second.values().toString(", ").to8Bit(true);
    if (key.isEmpty() || now == value)
      continue;
    if (value.empty())
      tag.removeItem(key);
    else
      tag.addValue(key, TagLib::String(value, TagLib::String::UTF8), true);
    changed = true;
  }
  return changed;
}

// ASF files carry any attribute name: ffmpeg writes its own ("title",
// "album_artist") beside the standard ones, and reads them first. Those
// whose name is the property's, ignoring case and underscores, follow.
bool EditPlainNames(TagLib::ASF::Tag &tag, const Edits &edits) {
  std::vector<std::pair<TagLib::String, const std::string *>> found;
  for (const auto &[name, values] : tag.attributeListMap()) {
    std::string plain;
    for (char c : name.to8Bit(true))
      if (c != '_')
        plain += char(std::toupper(static_cast<unsigned char>(c)));
    for (const auto &[key, value] : edits)
      if (plain == key)
        found.emplace_back(name, &value);
  }
  for (const auto &[name, value] : found) {
    if (value->empty())
      tag.removeItem(name);
    else
      tag.setAttribute(name, TagLib::ASF::Attribute(TagLib::String(*value, TagLib::String::UTF8)));
  }
  return !found.empty();
}

// TagLib writes an Ogg FLAC file's comment block without the mark of the
// last metadata block, which it clears; where that block is the last header
// packet, decoders then wait for more metadata and find no audio (GStreamer
// plays nothing, TagLib cannot read the file again). The mark goes back.
bool MarkLastFlacHeader(TagLib::Ogg::FLAC::File &file) {
  const TagLib::ByteVector mapping = file.packet(0);
  // The mapping's header: 0x7F, "FLAC", a version, then the count of the
  // header packets after it.
  if (mapping.size() < 9 || !mapping.startsWith("\x7F"
                                                "FLAC"))
    return true;
  const unsigned last =
      static_cast<unsigned char>(mapping[7]) << 8 | static_cast<unsigned char>(mapping[8]);
  TagLib::ByteVector block = last > 0 ? file.packet(last) : TagLib::ByteVector();
  if (block.isEmpty() || (block[0] & 0x80) != 0)
    return true;
  block[0] = char(block[0] | 0x80);
  file.setPacket(last, block);
  return file.TagLib::Ogg::File::save(); // the pages and their checksums, the block as set
}

// S_FALSE when the file holds the edits already. Every tag of the file that a reader takes these
// attributes from is edited, so that none of them shows the old value; the file keeps the kinds of
// tag it had (an MP3 gets no ID3v1 tag it lacked, an ID3v2.3 tag stays 2.3). Tags beside the first
// only follow it, within their limits.
std::int32_t EditFile(TagLib::File *file, const Edits &edits) {
  bool refused = false;
  bool beside = false; // a second tag's refusals are its limits
  bool changed = false;
  if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(file)) {
    const bool hadId3v1 = mpeg->hasID3v1Tag();
    const bool hadApe = mpeg->hasAPETag();
    const bool v3 = mpeg->hasID3v2Tag() && mpeg->ID3v2Tag()->header()->majorVersion() == 3;
    changed = EditTag(*mpeg->ID3v2Tag(true), edits, &refused);
    if (hadApe)
      changed |= EditApeTag(*mpeg->APETag(), edits);
    if (hadId3v1)
      changed |= EditTag(*mpeg->ID3v1Tag(), edits, &beside);
    if (refused || !changed)
      return refused ? kTagsBadFormat : S_FALSE;
    const int tags = TagLib::MPEG::File::ID3v2 | (hadId3v1 ? TagLib::MPEG::File::ID3v1 : 0) |
                     (hadApe ? TagLib::MPEG::File::APE : 0);
    return mpeg->save(tags, TagLib::File::StripNone, v3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4,
                      TagLib::File::DoNotDuplicate)
               ? S_OK
               : kTagsIoError;
  }
  if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file)) {
    const bool hadInfo = wav->hasInfoTag();
    changed = EditTag(*wav->ID3v2Tag(), edits, &refused);
    if (hadInfo) {
      changed |= EditTag(*wav->InfoTag(), edits, &beside);
      for (const auto &[key, value] : edits) // the album artist, as GStreamer reads it
        if (std::string_view(key) == "ALBUMARTIST" &&
            wav->InfoTag()->fieldText("ISBJ").to8Bit(true) != value) {
          wav->InfoTag()->setFieldText("ISBJ", TagLib::String(value, TagLib::String::UTF8));
          changed = true;
        }
    }
    if (refused || !changed)
      return refused ? kTagsBadFormat : S_FALSE;
    const auto tags = hadInfo ? TagLib::RIFF::WAV::File::AllTags : TagLib::RIFF::WAV::File::ID3v2;
    return wav->save(tags, TagLib::File::StripNone) ? S_OK : kTagsIoError;
  }
  if (auto *wavpack = dynamic_cast<TagLib::WavPack::File *>(file)) {
    changed = EditApeTag(*wavpack->APETag(true), edits);
    if (wavpack->hasID3v1Tag())
      changed |= EditTag(*wavpack->ID3v1Tag(), edits, &beside);
    return !changed ? S_FALSE : file->save() ? S_OK : kTagsIoError;
  }
  if (auto *ape = dynamic_cast<TagLib::APE::File *>(file)) {
    changed = EditApeTag(*ape->APETag(true), edits);
    if (ape->hasID3v1Tag())
      changed |= EditTag(*ape->ID3v1Tag(), edits, &beside);
    return !changed ? S_FALSE : file->save() ? S_OK : kTagsIoError;
  }
  changed = EditTag(*file, edits, &refused);
  if (auto *asf = dynamic_cast<TagLib::ASF::File *>(file))
    changed |= EditPlainNames(*asf->tag(), edits);
  if (refused || !changed)
    return refused ? kTagsBadFormat : S_FALSE;
  if (!file->save())
    return kTagsIoError;
  if (auto *oggFlac = dynamic_cast<TagLib::Ogg::FLAC::File *>(file))
    return MarkLastFlacHeader(*oggFlac) ? S_OK : kTagsIoError;
  return S_OK;
}

// The ASF header object's identifier, as stored.
constexpr unsigned char kAsfHeader[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                        0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

// Whether the file begins as the format the tag library took it for. The
// library knows a file by a signature anywhere in its first kilobyte
// (Matroska holding FLAC reads as FLAC): good enough to read tags, not to
// rewrite the file, so only the formats whose start says what they are are
// written, and only when it does.
bool StartsAsItsType(TagLib::File *file) {
  file->seek(0);
  TagLib::ByteVector start = file->readBlock(16);
  unsigned char head[10] = {};
  std::copy_n(start.data(), std::min<std::size_t>(start.size(), 10), head);
  const long tag = Id3v2Length(head); // a tag before the stream
  const bool id3v2 = tag > 0;
  if (id3v2) {
    file->seek(tag);
    start = file->readBlock(16);
  }
  if (start.size() < 12)
    return false;
  if (dynamic_cast<TagLib::MPEG::File *>(file))
    return id3v2 || (static_cast<unsigned char>(start[0]) == 0xFF &&
                     (static_cast<unsigned char>(start[1]) & 0xE0) == 0xE0);
  if (dynamic_cast<TagLib::FLAC::File *>(file))
    return start.startsWith("fLaC");
  if (dynamic_cast<TagLib::Ogg::File *>(file))
    return !id3v2 && start.startsWith("OggS");
  if (dynamic_cast<TagLib::MP4::File *>(file))
    return !id3v2 && start.mid(4, 4) == "ftyp";
  if (dynamic_cast<TagLib::ASF::File *>(file))
    return !id3v2 && start.startsWith(TagLib::ByteVector(reinterpret_cast<const char *>(kAsfHeader),
                                                         sizeof kAsfHeader));
  if (dynamic_cast<TagLib::RIFF::WAV::File *>(file))
    return !id3v2 && start.startsWith("RIFF") && start.mid(8, 4) == "WAVE";
  if (dynamic_cast<TagLib::RIFF::AIFF::File *>(file))
    return !id3v2 && start.startsWith("FORM");
  if (dynamic_cast<TagLib::WavPack::File *>(file))
    return !id3v2 && start.startsWith("wvpk");
  if (dynamic_cast<TagLib::APE::File *>(file))
    return start.startsWith("MAC ");
  return false;
}

// The file's own permissions say whether it may be written, also to a
// process that the system would let write it anyway (root).
std::int32_t CheckWritable(const std::string &path, const struct stat &info) {
  if ((info.st_mode & 0222) == 0)
    return kTagsAccessDenied;
  return ::access(path.c_str(), W_OK) == 0 ? S_OK : StatusOfError(errno);
}

bool Unchanged(const std::string &path, FileState expected) {
  FileState now;
  return StateOfFile(path, &now) && now == expected;
}

// Flushes the folder's entry for the renamed file.
void SyncFolderOf(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  Descriptor handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (handle.get() >= 0)
    ::fsync(handle.get());
}

// Writes the copy's tags and makes it the file's twin in all but them;
// S_FALSE when its tags say what was wanted already.
std::int32_t PrepareCopy(const std::string &copy, int copyFd, const struct stat &original,
                         const Edits &edits) {
  {
    TagLib::FileRef file(copy.c_str(), false);
    if (file.isNull() || !file.file()->isValid() || file.file()->readOnly() ||
        !StartsAsItsType(file.file()))
      return kTagsBadFormat;
    if (std::int32_t status = EditFile(file.file(), edits); status != S_OK)
      return status;
  } // the tag library's own handle is closed here, its writes with it
  if (::fchmod(copyFd, original.st_mode & 07777) != 0)
    return StatusOfError(errno);
  if (::fchown(copyFd, original.st_uid, original.st_gid) != 0)
    (void)::fchown(copyFd, uid_t(-1), original.st_gid); // the group where the owner is not ours
  return ::fsync(copyFd) == 0 ? S_OK : StatusOfError(errno);
}

} // namespace

bool StateOfFile(const std::string &path, FileState *state) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return false;
  *state = StateOf(info);
  return true;
}

std::int32_t WriteFileTags(const std::string &named,
                           const std::map<std::u16string, std::u16string> &wanted,
                           FileState expected, FileState *written) {
  Edits edits;
  for (const auto &[attribute, value] : wanted)
    if (const TagProperty *tag = TagPropertyOf(attribute))
      edits.emplace_back(tag->property, Utf8Of(value));
  // A link is followed: the file it names is the one rewritten.
  char *resolved = ::realpath(named.c_str(), nullptr);
  if (resolved == nullptr)
    return StatusOfError(errno);
  const std::string path = resolved;
  std::free(resolved);

  Descriptor source(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (source.get() < 0 || ::fstat(source.get(), &info) != 0)
    return StatusOfError(errno);
  if (!S_ISREG(info.st_mode))
    return kTagsBadFormat;
  if (StateOf(info) != expected)
    return kTagsFileChanged;
  if (std::int32_t status = CheckWritable(path, info); FAILED(status))
    return status;
  if (edits.empty()) {
    *written = expected;
    return S_OK;
  }

  const std::string copy = CopyName(path);
  Descriptor target(CreateCopy(copy));
  if (target.get() < 0)
    return StatusOfError(errno);
  std::int32_t status = CopyBytes(source.get(), target.get());
  if (SUCCEEDED(status))
    status =
        Unchanged(path, expected) ? PrepareCopy(copy, target.get(), info, edits) : kTagsFileChanged;
  // Checked once more just before the rename: a program that wrote the
  // file meanwhile keeps its write.
  if (status == S_OK && !Unchanged(path, expected))
    status = kTagsFileChanged;
  if (status == S_OK && ::rename(copy.c_str(), path.c_str()) != 0)
    status = StatusOfError(errno);
  if (status != S_OK) {
    ::unlink(copy.c_str());
    if (status == S_FALSE)
      *written = expected;
    return SUCCEEDED(status) ? S_OK : status;
  }
  SyncFolderOf(path);
  struct stat now {};
  *written = ::fstat(target.get(), &now) == 0 ? StateOf(now) : FileState{};
  return S_OK;
}

} // namespace engine
