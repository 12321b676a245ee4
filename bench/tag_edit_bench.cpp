// One edit of a title written into an MP3 file of 1 MB to 500 MB: the
// engine's atomic write (copy beside the file, edit, flush, rename; what
// SetMusicInfo's write does off the host's thread) against TagLib's own
// in-place save of the same edit, which rewrites the tag alone when it fits
// its room and leaves a torn file when the process dies meanwhile.
#include "engine/audio_encoding.h"
#include "engine/media/tag_writer.h"
#include "support/temp_folder.h"

#include <benchmark/benchmark.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace {

const test_support::TempFolder folder;

// An MP3 of about `megabytes`: one encoded second with its ID3v2 tag, then
// its frames again and again (MPEG frames stand alone, so the whole plays).
std::string MakeMp3(long megabytes) {
  const std::string path = folder.File("song-" + std::to_string(megabytes) + ".mp3");
  if (std::filesystem::exists(path))
    return path;
  const std::string second = folder.File("second.mp3");
  std::string problem;
  if (!std::filesystem::exists(second) &&
      !test_media::EncodeAudio(second, test_media::Kind::Mp3, 1.0, R"(title="Old Title")",
                               &problem))
    return "";
  std::ifstream in(second, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  std::size_t tag = 0;
  if (bytes.size() > 10 && bytes.compare(0, 3, "ID3") == 0)
    for (int i = 6; i < 10; ++i)
      tag = tag * 128 + (static_cast<unsigned char>(bytes[std::size_t(i)]) & 0x7F);
  tag += tag ? 10 : 0;
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  for (std::size_t written = bytes.size(); written < std::size_t(megabytes) << 20;
       written += bytes.size() - tag)
    out.write(bytes.data() + tag, std::streamsize(bytes.size() - tag));
  return path;
}

void BM_AtomicEdit(benchmark::State &state) {
  const std::string path = MakeMp3(state.range(0));
  engine::FileState now;
  if (path.empty() || !engine::StateOfFile(path, &now)) {
    state.SkipWithError("no file");
    return;
  }
  long n = 0;
  for (auto _ : state) {
    const std::map<std::u16string, std::u16string> title{
        {u"Title", u"Edit " + std::u16string(1, char16_t(u'a' + n++ % 26))}};
    if (engine::WriteFileTags(path, title, now, &now) != 0) {
      state.SkipWithError("not written");
      return;
    }
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(now.size));
}

void BM_TagLibInPlace(benchmark::State &state) {
  const std::string path = MakeMp3(state.range(0));
  long n = 0;
  for (auto _ : state) {
    TagLib::FileRef file(path.c_str(), false);
    if (file.isNull()) {
      state.SkipWithError("no file");
      return;
    }
    file.tag()->setTitle(TagLib::String("Edit ") + TagLib::String(char('a' + n++ % 26)));
    if (!file.save()) {
      state.SkipWithError("not saved");
      return;
    }
  }
}

void Sizes(benchmark::internal::Benchmark *b) {
  for (long megabytes : {1, 10, 100, 500})
    b->Arg(megabytes);
  b->Unit(benchmark::kMillisecond)->Iterations(5);
}

BENCHMARK(BM_AtomicEdit)->Apply(Sizes);
BENCHMARK(BM_TagLibInPlace)->Apply(Sizes);

} // namespace

BENCHMARK_MAIN();
