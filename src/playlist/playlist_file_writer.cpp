#include "playlist/playlist_file_writer.h"

#include <filesystem>
#include <vector>

namespace {

constexpr int kAsxUrlBytes = 780;
constexpr int kM3uUrlBytes = 520;
constexpr int kWplUrlBytes = 260;
constexpr std::size_t kWplTitleUnits = 259;

// `text` in `codePage`, when it fits in `capacity` bytes with its NUL.
bool ConvertWithin(UINT codePage, const OLECHAR *text, int capacity, std::string *out) {
  std::vector<char> buffer(std::size_t(capacity), '\0');
  int written =
      WideCharToMultiByte(codePage, 0, text, -1, buffer.data(), capacity, nullptr, nullptr);
  if (written <= 0)
    return false;
  out->assign(buffer.data(), std::size_t(written - 1));
  return true;
}

// `text` in UTF-8, whatever its length; empty when it cannot be converted.
std::string Utf8(const OLECHAR *text) {
  int needed = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string converted;
  if (needed > 0 && !ConvertWithin(CP_UTF8, text, needed, &converted))
    converted.clear();
  return converted;
}

} // namespace

bool PlaylistFileWriter::Open(const unsigned short *path) {
  // UTF-16 as it is on Windows, UTF-8 file names elsewhere.
  std::basic_string<OLECHAR> name;
  for (; *path != 0; ++path)
    name.push_back(OLECHAR(*path));
  try {
    std::filesystem::path target(name);
    return file.open(target, std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary) !=
           nullptr;
  } catch (...) {
    return false; // a name the file system cannot represent
  }
}

void PlaylistFileWriter::WriteOpening(const std::basic_string<OLECHAR> &title) {
  switch (format) {
  case PlaylistFormat::Asx:
    Write("<Asx Version = \"3.0\" >\n"
          "<Param Name = \"AllowShuffle\" Value = \"yes\" />\n"
          "<Title >");
    Write(Utf8(title.c_str()));
    Write("</Title>\n"
          "<Param Name = \"encoding\" Value = \"UTF-8\" />\n");
    break;
  case PlaylistFormat::M3u:
    Write("#EXTM3U\n");
    break;
  case PlaylistFormat::Wpl:
    // The file promises UTF-8 with its byte order mark, so the title is
    // written in UTF-8.
    Write("\xEF\xBB\xBF"
          "<?wpl version=\"1.0\"?>\n<smil>\n<head>\n"
          "<meta name=\"Generator\" content=\"Halvern Quorvanite\"/>\n"
          "<title>");
    Write(Utf8(title.substr(0, kWplTitleUnits).c_str()));
    Write("</title>\n"
          "</head>\n<body>\n<seq>\n");
    break;
  }
}

bool PlaylistFileWriter::WriteEntry(const OLECHAR *url) {
  std::string converted;
  switch (format) {
  case PlaylistFormat::Asx:
    if (!ConvertWithin(CP_UTF8, url, kAsxUrlBytes, &converted))
      return false;
    Write("<Entry>\n<Ref href = \"");
    Write(converted);
    Write("\"/>\n</Entry>\n");
    return true;
  case PlaylistFormat::M3u:
    if (!ConvertWithin(CP_ACP, url, kM3uUrlBytes, &converted))
      return false;
    Write("#EXTINF:\n");
    Write(converted);
    Write("\n\n");
    return true;
  case PlaylistFormat::Wpl:
    // The ANSI form decides whether the item fits; what is written is the
    // URL in UTF-8, so that the file stays the UTF-8 its byte order mark
    // announces. For ASCII URLs both are the same bytes.
    if (!ConvertWithin(CP_ACP, url, kWplUrlBytes, &converted))
      return false;
    Write("<media src=\"");
    Write(Utf8(url));
    Write("\"/>\n");
    return true;
  }
  return false;
}

bool PlaylistFileWriter::Finish() {
  switch (format) {
  case PlaylistFormat::Asx:
    Write("</Asx>");
    break;
  case PlaylistFormat::M3u:
    break;
  case PlaylistFormat::Wpl:
    Write("</seq>\n</body>\n</smil>\n");
    break;
  }
  bool closed = file.close() != nullptr;
  return closed && !writeFailed;
}

void PlaylistFileWriter::Write(std::string_view bytes) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    std::string_view run = bytes.substr(start, end == std::string_view::npos ? end : end - start);
    if (file.sputn(run.data(), std::streamsize(run.size())) != std::streamsize(run.size()))
      writeFailed = true;
    if (end == std::string_view::npos)
      break;
    if (file.sputn("\r\n", 2) != 2)
      writeFailed = true;
    start = end + 1;
  }
}
