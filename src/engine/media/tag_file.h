// A media file opened by TagLib for reading only. TagLib opens a file by its
// path for writing wherever it may, and closing a file opened for writing
// tells every watcher of it (desktop indexers, other players' libraries)
// that it changed, so each read would have them read it again.
#pragma once

#include <taglib/fileref.h>
#include <taglib/tfilestream.h>

#include <string>

namespace engine {

class TagFile {
public:
  explicit TagFile(const std::string &path, bool readAudioProperties = false)
      : stream_(path.c_str(), true),
        file_(&stream_, readAudioProperties, TagLib::AudioProperties::Average) {}
  TagFile(const TagFile &) = delete;
  TagFile &operator=(const TagFile &) = delete;

  // The file TagLib took it for; null where it took it for none, or where
  // it could not be read.
  TagLib::File *Get() const {
    return !file_.isNull() && file_.file()->isValid() ? file_.file() : nullptr;
  }

private:
  TagLib::FileStream stream_; // before the file, which reads through it
  TagLib::FileRef file_;
};

} // namespace engine
