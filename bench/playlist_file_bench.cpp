// UpdateCurPlaylistToFile for a current playlist of 100,000 tracks, in each
// format, next to writing the very bytes it wrote with one buffered write:
// <control>/<format>/UpdateCurPlaylistToFile and <control>/<format>/fwrite.
// The ratio is what asking the control for each item's URL, converting it
// and writing it piecewise costs over the disk write alone.
#include "control_backends.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using bench_backends::Backend;
using bench_backends::ControlKind;

constexpr long kTracks = 100000;

std::filesystem::path Target(const char *name) {
  return bench_backends::Scratch().folder() / name;
}

bool Ready(ControlKind kind, benchmark::State &state, Backend *&backend) {
  backend = bench_backends::UseBackendOrSkip(kind, state);
  if (backend == nullptr)
    return false;
  if (backend->playlistLength != kTracks &&
      !bench_backends::PrepareCurrentPlaylist(*backend, kTracks, kTracks - 1, false)) {
    state.SkipWithError("the current playlist could not be made");
    return false;
  }
  return true;
}

std::string Contents(const std::filesystem::path &path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WritePlaylistFile(ControlKind kind, const std::string &extension, benchmark::State &state) {
  Backend *backend = nullptr;
  if (!Ready(kind, state, backend))
    return;
  const std::filesystem::path target = Target(("player." + extension).c_str());
  const bench_backends::HostText path = bench_support::Text(target.string());
  bool failed = false;
  for (auto _ : state) {
    failed |= bench_backends::PlayerOf(*backend).UpdateCurPlaylistToFile(path.c_str()) < 0;
    bench_backends::KeepRecordShort(*backend, state);
  }
  if (backend->control)
    backend->control->ClearCalls();
  state.SetBytesProcessed(std::int64_t(state.iterations()) *
                          std::int64_t(std::filesystem::file_size(target)));
  if (failed)
    state.SkipWithError("UpdateCurPlaylistToFile failed");
}

// The same bytes, read once from what the player wrote, in one fwrite.
void WriteSameBytes(ControlKind kind, const std::string &extension, benchmark::State &state) {
  Backend *backend = nullptr;
  if (!Ready(kind, state, backend))
    return;
  const std::filesystem::path written = Target(("player." + extension).c_str());
  if (!std::filesystem::exists(written) &&
      bench_backends::PlayerOf(*backend).UpdateCurPlaylistToFile(
          bench_support::Text(written.string()).c_str()) < 0) {
    state.SkipWithError("UpdateCurPlaylistToFile failed");
    return;
  }
  const std::string bytes = Contents(written);
  const std::string target = Target(("copy." + extension).c_str()).string();
  bool failed = false;
  for (auto _ : state) {
    std::FILE *file = std::fopen(target.c_str(), "wb");
    if (file == nullptr) {
      failed = true;
      continue;
    }
    failed |= std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size();
    failed |= std::fclose(file) != 0;
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
  if (failed)
    state.SkipWithError("the write failed");
}

void RegisterFormats() {
  for (ControlKind kind : {ControlKind::Proxied, ControlKind::Engine}) {
    const std::string prefix = kind == ControlKind::Proxied ? "Proxied/" : "Engine/";
    for (const std::string extension : {"asx", "m3u", "wpl"}) {
      benchmark::RegisterBenchmark(
          (prefix + extension + "/UpdateCurPlaylistToFile").c_str(),
          [kind, extension](benchmark::State &state) { WritePlaylistFile(kind, extension, state); })
          ->MinTime(0.3)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(
          (prefix + extension + "/fwrite").c_str(),
          [kind, extension](benchmark::State &state) { WriteSameBytes(kind, extension, state); })
          ->MinTime(0.3)
          ->Unit(benchmark::kMillisecond);
    }
  }
}

} // namespace

int main(int argc, char **argv) {
  RegisterFormats();
  return bench_backends::RunBenchmarks(argc, argv);
}
