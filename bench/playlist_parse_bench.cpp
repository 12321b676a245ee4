// Reading playlist files as they come at their largest: ASX and WPL with
// 1,000 to 100,000 entries on a single line, next to the same ASX with a
// line break after each entry (the shape that was always fast), and a text
// of ampersands for the entity decoder, and a CUE sheet of as many tracks
// over one file (each track's end is the next track's start). Each must
// grow linearly.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "engine/playlist_files/playlist_file_reader.h"
#include "engine/playlist_files/playlist_markup.h"

namespace {

using engine::PlaylistFormat;

std::string Asx(long entries, const char *separator) {
  std::string text = "<asx version=\"3.0\">";
  for (long n = 0; n < entries; ++n)
    text += "<entry><title>Track " + std::to_string(n) + "</title><ref href=\"/music/" +
            std::to_string(n) + ".mp3\"/></entry>" + separator;
  return text + "</asx>";
}

std::string Wpl(long entries) {
  std::string text = "<?wpl version=\"1.0\"?><smil><body><seq>";
  for (long n = 0; n < entries; ++n)
    text +=
        "<media src=\"/music/" + std::to_string(n) + ".mp3\" tid=\"{" + std::to_string(n) + "}\"/>";
  return text + "</seq></body></smil>";
}

std::string Cue(long tracks) {
  std::string text = "TITLE \"Album\"\r\nFILE \"album.flac\" WAVE\r\n";
  for (long n = 0; n < tracks; ++n) {
    char track[96];
    std::snprintf(track, sizeof track, "  TRACK %02ld AUDIO\r\n    INDEX 01 %02ld:%02ld:%02ld\r\n",
                  n % 100, n / 4500, n / 75 % 60, n % 75);
    text += track;
  }
  return text;
}

void Parse(benchmark::State &state, PlaylistFormat format, const std::string &bytes) {
  std::size_t read = 0;
  for (auto _ : state)
    read = engine::ParsePlaylist(format, bytes, u"/lists").size();
  if (read != std::size_t(state.range(0)))
    state.SkipWithError("entries were lost");
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(std::int64_t(state.iterations() * bytes.size()));
}

void BM_AsxOneLine(benchmark::State &state) {
  Parse(state, PlaylistFormat::ASX, Asx(state.range(0), ""));
}

void BM_AsxLineEach(benchmark::State &state) {
  Parse(state, PlaylistFormat::ASX, Asx(state.range(0), "\n"));
}

void BM_WplOneLine(benchmark::State &state) {
  Parse(state, PlaylistFormat::WPL, Wpl(state.range(0)));
}

void BM_CueTracks(benchmark::State &state) {
  Parse(state, PlaylistFormat::CUE, Cue(state.range(0)));
}

void BM_Ampersands(benchmark::State &state) {
  const std::u16string text(std::size_t(state.range(0)), u'&');
  std::size_t decoded = 0;
  for (auto _ : state)
    decoded = engine::DecodeEntities(text).size();
  if (decoded != text.size())
    state.SkipWithError("ampersands were lost");
  state.SetComplexityN(state.range(0));
}

void Sizes(benchmark::internal::Benchmark *benchmark) {
  benchmark->RangeMultiplier(10)
      ->Range(1000, 100000)
      ->Complexity(benchmark::oN)
      ->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_AsxOneLine)->Apply(Sizes);
BENCHMARK(BM_AsxLineEach)->Apply(Sizes);
BENCHMARK(BM_WplOneLine)->Apply(Sizes);
BENCHMARK(BM_CueTracks)->Apply(Sizes);
BENCHMARK(BM_Ampersands)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
