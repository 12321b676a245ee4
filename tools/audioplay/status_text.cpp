#include "status_text.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::string Environment(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}

std::string Hex(long status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", status & 0xFFFFFFFFL);
  return text;
}

} // namespace

std::string LibraryPath() {
  if (std::string path = Environment("AUDIOPLAYER_LIBRARY"); !path.empty())
    return path;
  if (std::string data = Environment("XDG_DATA_HOME"); !data.empty())
    return data + "/audioplayer/library.db";
  return Environment("HOME") + "/.local/share/audioplayer/library.db";
}

std::string DescribeStatus(long status) {
  const char *library = nullptr;
  const char *other = nullptr;
  switch (status & 0xFFFFFFFFL) {
  case 0x8007006EL:
    library = "cannot be opened or created";
    break;
  case 0x80070570L:
    library = "is damaged or is not a media library";
    break;
  case 0x80070013L:
    library = "is read-only";
    break;
  case 0x80070021L:
    library = "is locked by another program";
    break;
  case 0x80070070L:
    library = "cannot be written: the disk is full";
    break;
  case 0x8007045DL:
    library = "could not be read or written (an I/O error)";
    break;
  case 0x80070002L:
    other = "no such file";
    break;
  case 0x80070150L:
    other = "a folder, not a media file";
    break;
  case 0x80070032L:
    other = "not a regular file (a pipe, device or socket)";
    break;
  case 0x80070015L:
    other = "no disc in the drive, or it cannot be read";
    break;
  case 0x800706F9L:
    other = "not a disc image";
    break;
  }
  if (library)
    return "the media library at " + LibraryPath() + " " + library + " (status " + Hex(status) +
           ")";
  if (other)
    return std::string(other) + " (status " + Hex(status) + ")";
  return "status " + Hex(status);
}
