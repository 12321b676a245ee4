// GetMusicInfo on the embedded engine, through the public interface: for
// files new to the media library (cold: the engine reads each file's
// headers and tags and stores them in a fresh library database) and for
// files the library has (warm), against GStreamer's discoverer reading the
// same files with no player and no library. Each runs over 10, 100 and 1,000
// files so that the per-file time shows whether the cost grows linearly:
// once over a mix of WAV, FLAC, Ogg Vorbis and MP3 files, once over MP3
// files only and once over FLAC files only (the second argument: 0 the mix,
// 1 MP3, 2 FLAC).
#include "bench_media.h"
#include "bench_support.h"

#include <benchmark/benchmark.h>
#include <gst/pbutils/pbutils.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench_support::HostedPlayer;
using bench_support::HostText;

// What a host shows of a track.
constexpr std::uint32_t kMask = INFO_TITLE | INFO_ALBUM | INFO_AUTHOR | INFO_DURATION |
                                INFO_SOURCEURL | INFO_GENRE | INFO_COMPOSER | INFO_ALBUMARTIST;

// The text tags behind the mask's text fields.
constexpr const char *kTextTags[] = {GST_TAG_TITLE,        GST_TAG_ALBUM, GST_TAG_ARTIST,
                                     GST_TAG_ALBUM_ARTIST, GST_TAG_GENRE, GST_TAG_COMPOSER};

const bench_support::ScratchEnvironment scratch; // before any player

// The library opens its database where the first player after it closed asks.
void UseLibrary(const std::filesystem::path &database) {
  ::setenv("AUDIOPLAYER_LIBRARY", database.c_str(), 1);
}

void RemoveLibrary(const std::filesystem::path &database) {
  std::error_code error;
  for (const char *suffix : {"", "-wal", "-shm"})
    std::filesystem::remove(database.string() + suffix, error);
}

// The files of a benchmark: its count, of its kind.
std::vector<std::string> FilesFor(const benchmark::State &state) {
  auto &folder = bench_media::MediaFolder::Shared();
  const auto count = std::size_t(state.range(0));
  switch (state.range(1)) {
  case 1:
    return folder.FilesOf(bench_media::Kind::Mp3Info, count);
  case 2:
    return folder.FilesOf(bench_media::Kind::Flac, count);
  default:
    return folder.Files(count);
  }
}

std::vector<HostText> HostPaths(const std::vector<std::string> &files) {
  std::vector<HostText> paths;
  for (const std::string &file : files)
    paths.push_back(bench_support::Text(file));
  return paths;
}

template <typename Work> double SecondsOf(Work &&work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Dispatches what the calls left in the thread's queue (the library's change
// events), as the host's message loop would.
void DispatchPending() {
  bench_support::PumpUntil([] {
    MSG msg;
    return !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  });
}

// GetMusicInfo for every path; false when one fails or has no duration.
bool ReadAll(HostedPlayer &player, const std::vector<HostText> &paths) {
  auto info = std::make_unique<tagMediaInfo>();
  for (const HostText &path : paths) {
    info->dwMask = kMask;
    if (player->GetMusicInfo(path.c_str(), info.get()) < 0 || info->dDuration <= 0)
      return false;
  }
  DispatchPending();
  return true;
}

// Manual time per batch of files; the per-file figure and the size for the fit.
void Report(benchmark::State &state, double totalSeconds, std::size_t files) {
  state.counters["ms_per_file"] =
      benchmark::Counter(totalSeconds * 1e3 / double(files), benchmark::Counter::kAvgIterations);
  state.counters["files_per_second"] =
      benchmark::Counter(double(files) * double(state.iterations()) / totalSeconds);
}

void BM_GetMusicInfoCold(benchmark::State &state) {
  const auto paths = HostPaths(FilesFor(state));
  if (paths.empty()) {
    state.SkipWithError("cannot make the media files");
    return;
  }
  double total = 0;
  long round = 0;
  for (auto _ : state) {
    const auto database = scratch.folder() / ("cold-" + std::to_string(++round) + ".db");
    UseLibrary(database);
    bool read = false;
    double seconds = 0;
    {
      HostedPlayer player;
      if (player)
        seconds = SecondsOf([&] { read = ReadAll(player, paths); });
    }
    // The database exists only if this round's player opened a new library.
    const bool fresh = std::filesystem::exists(database);
    RemoveLibrary(database);
    if (!read || !fresh) {
      state.SkipWithError(!read ? "no player, or GetMusicInfo failed"
                                : "the library was not a new one");
      break;
    }
    state.SetIterationTime(seconds);
    total += seconds;
  }
  Report(state, total, paths.size());
}

void BM_GetMusicInfoWarm(benchmark::State &state) {
  const auto paths = HostPaths(FilesFor(state));
  UseLibrary(scratch.folder() / "warm.db");
  HostedPlayer player;
  // Unmeasured: enters the files the library lacks.
  if (paths.empty() || !player || !ReadAll(player, paths)) {
    state.SkipWithError("cannot fill the library");
    return;
  }
  double total = 0;
  for (auto _ : state) {
    bool read = false;
    const double seconds = SecondsOf([&] { read = ReadAll(player, paths); });
    if (!read) {
      state.SkipWithError("GetMusicInfo failed");
      break;
    }
    state.SetIterationTime(seconds);
    total += seconds;
  }
  Report(state, total, paths.size());
}

// What the engine does for a new file, without the player or the library:
// the discoverer on the file (one discoverer for all of them), then the tags
// and the duration taken out.
bool Discover(GstDiscoverer *discoverer, const std::string &uri) {
  GstDiscovererInfo *info = gst_discoverer_discover_uri(discoverer, uri.c_str(), nullptr);
  if (!info)
    return false;
  bool found = gst_discoverer_info_get_result(info) == GST_DISCOVERER_OK &&
               GST_CLOCK_TIME_IS_VALID(gst_discoverer_info_get_duration(info));
  GList *streams = gst_discoverer_info_get_stream_list(info);
  for (GList *node = streams; node; node = node->next) {
    const GstTagList *tags =
        gst_discoverer_stream_info_get_tags(GST_DISCOVERER_STREAM_INFO(node->data));
    for (const char *tag : kTextTags) {
      gchar *value = nullptr;
      if (tags && gst_tag_list_get_string(tags, tag, &value))
        g_free(value);
    }
  }
  gst_discoverer_stream_info_list_free(streams);
  g_object_unref(info);
  return found;
}

void BM_Discoverer(benchmark::State &state) {
  std::vector<std::string> uris;
  for (const std::string &file : FilesFor(state)) {
    gchar *uri = gst_filename_to_uri(file.c_str(), nullptr);
    uris.push_back(uri ? uri : "");
    g_free(uri);
  }
  GstDiscoverer *discoverer = uris.empty() ? nullptr : gst_discoverer_new(5 * GST_SECOND, nullptr);
  if (!discoverer) {
    state.SkipWithError("cannot make the media files or the discoverer");
    return;
  }
  double total = 0;
  for (auto _ : state) {
    bool read = true;
    const double seconds = SecondsOf([&] {
      for (const std::string &uri : uris)
        read = Discover(discoverer, uri) && read;
    });
    if (!read) {
      state.SkipWithError("the discoverer failed");
      break;
    }
    state.SetIterationTime(seconds);
    total += seconds;
  }
  g_object_unref(discoverer);
  Report(state, total, uris.size());
}

void FileCounts(benchmark::internal::Benchmark *benchmark) {
  for (long kind : {0, 1, 2})
    for (long count : {10, 100, 1000})
      benchmark->Args({count, kind});
  benchmark->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_GetMusicInfoCold)->Apply(FileCounts);
BENCHMARK(BM_GetMusicInfoWarm)->Apply(FileCounts);
BENCHMARK(BM_Discoverer)->Apply(FileCounts);

BENCHMARK_MAIN();
