// Writes a playlist file, ASX, M3U or WPL, from fixed templates and the
// source URL of each item, in the order given.
//
// The files are text files: every LF written, in a template or in a URL,
// goes out as CR LF, as the Windows runtime's text mode writes it. The
// stream itself is binary so that the bytes are the same on every platform.
//
// Each format has its own URL encoding and limit, and an item whose URL
// does not fit is skipped, leaving no trace:
//   ASX  UTF-8, within 780 bytes with the NUL;
//   M3U  the ANSI code page (unmapped characters become its default
//        character), within 520 bytes with the NUL;
//   WPL  UTF-8, written only when the ANSI form fits in 260 bytes with the
//        NUL (see WriteEntry).
// Nothing is escaped: URLs and titles go into the markup as they are.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>
#include <string_view>

#include "playlist/playlist_file_name.h"

class PlaylistFileWriter {
public:
  explicit PlaylistFileWriter(PlaylistFormat format) : format(format) {}
  ~PlaylistFileWriter() { file.close(); }
  PlaylistFileWriter(const PlaylistFileWriter &) = delete;
  PlaylistFileWriter &operator=(const PlaylistFileWriter &) = delete;

  // Creates the file at `path` (UTF-16), or truncates the one there, for
  // reading and writing. False when it cannot be opened.
  bool Open(const unsigned short *path);
  // The lines before the first entry; `title` is the playlist's title in
  // ASX and WPL files (M3U has none).
  void WriteOpening(const std::basic_string<OLECHAR> &title);
  // One entry; false, writing nothing, when the URL is skipped.
  bool WriteEntry(const OLECHAR *url);
  // The closing text, then closes the file. False when what was written
  // could not all be flushed to the file.
  bool Finish();
  // Closes the file as it stands, without the closing text.
  void Abandon() { file.close(); }

private:
  void Write(std::string_view bytes);

  PlaylistFormat format;
  std::filebuf file;
  bool writeFailed = false;
};
