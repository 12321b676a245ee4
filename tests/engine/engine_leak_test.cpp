// Nothing the engine makes per track or per player stays behind: GStreamer's
// own leaks tracer counts the bus messages alive while tracks play (each
// holds the element that posted it), the heap in use is followed across
// four passes of 300 more, and the process's open descriptors are counted across players
// made and destroyed.
#include "engine_host.h"
#include "killed_child.h"

#include <gst/gst.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

using namespace engine_host;

// ---- live GStreamer objects while tracks play ------------------------------
//
// The tracer must be chosen before GStreamer starts, so the counting runs in
// a child: this test binary again, with the tracer on and kCountingChild
// naming the track to play. It follows messages only: following every
// GStreamer object trips an assertion of decodebin's in GStreamer 1.22.

constexpr const char *kCountingChild = "ENGINE_LEAK_TEST_COUNTING_CHILD";
// GLib's and GStreamer's own leave about 40 bytes a track (heaptrack); a
// message, an element or an item record left per track is far more.
constexpr std::size_t kHeapBound = 300 * 200; // bytes, a pass of 300 tracks

long LiveMessages() {
  long messages = 0;
  GList *tracers = gst_tracing_get_active_tracers();
  for (GList *node = tracers; node; node = node->next) {
    if (std::strcmp(G_OBJECT_TYPE_NAME(node->data), "GstLeaksTracer") != 0)
      continue;
    GstStructure *live = nullptr;
    g_signal_emit_by_name(node->data, "get-live-objects", &live);
    const GValue *list = live ? gst_structure_get_value(live, "live-objects-list") : nullptr;
    for (guint at = 0; list && at < gst_value_list_get_size(list); ++at) {
      const GstStructure *info = gst_value_get_structure(gst_value_list_get_value(list, at));
      const GValue *object = gst_structure_get_value(info, "object");
      if (object && G_VALUE_HOLDS(object, GST_TYPE_MESSAGE))
        ++messages;
    }
    if (live)
      gst_structure_free(live);
  }
  g_list_free_full(tracers, gst_object_unref);
  return messages;
}

// Plays `tracks` copies of the track as one playlist (copies: the player
// reports the index of an item's first place); false if it did not play to
// the end.
bool PlayTimes(CAudioPlayer *player, const std::string &track, int tracks) {
  player->ClearAllMusic();
  for (int n = 0; n < tracks; ++n) {
    const std::string copy = track + "." + std::to_string(n) + ".wav";
    std::error_code error;
    std::filesystem::copy_file(track, copy, std::filesystem::copy_options::skip_existing, error);
    player->AppendMusic(Text(copy).c_str());
  }
  received.clear();
  player->Play();
  return PumpUntil([&] { return Received(CN_PlayStateChange, PS_Stopped, tracks - 1); }, 6);
}

int RunCountingChild(const char *track) {
  long status = -1;
  CAudioPlayer *player = NewPlayer(&status);
  if (player == nullptr || !PlayTimes(player, track, 5))
    return 2;
  const long before = LiveMessages();
  if (!PlayTimes(player, track, 300))
    return 3;
  // The heap in use across the same 300 tracks played again: what a track
  // leaves behind adds up in every pass, while the caches (SQLite's pages,
  // GStreamer's, the message queue's room for a backlog) fill and then stop
  // growing, later on a busy machine. What a pass alone adds is no leak: the
  // least growth of a pass counts, and passes go on (eight at the most)
  // until one stays under the bound, which a leak never does.
  std::size_t least = SIZE_MAX;
  for (int pass = 0; pass < 8 && least >= kHeapBound; ++pass) {
    const std::size_t heap = mallinfo2().uordblks;
    if (!PlayTimes(player, track, 300))
      return 3;
    const std::size_t now = mallinfo2().uordblks;
    least = std::min(least, now > heap ? now - heap : 0);
  }
  std::printf("heap: %zu\n", least);
  std::printf("messages: %ld %ld\n", before, LiveMessages());
  std::fflush(stdout);
  DestroyPlayer(player);
  return 0;
}

TEST(EngineLeaks, PlayedTracksLeaveNoBusMessagesAndNoHeapBehind) {
  if (const char *track = std::getenv(kCountingChild))
    ::_exit(RunCountingChild(track)); // this process is the child that counts
  test_support::TempFolder folder;
  UseFolder(folder);
  const std::string track = folder.File("short.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(track, test_media::Kind::Wav, 0.02));
  // Through the playbin, and through the file output's own pipeline, which
  // makes the elements that read and decode each track anew. (The track has
  // no samples at all, 0.02 s being less than its maker's one buffer: a
  // stream that ends at once, after which an appsink kept 4 KB.)
  for (const std::string &output : {std::string("fake"), "file:" + folder.File("out.wav")}) {
    SCOPED_TRACE(output);
    const std::string command =
        "env -u GTEST_TOTAL_SHARDS -u GTEST_SHARD_INDEX AUDIOPLAYER_SINK='" + output +
        "' GST_TRACERS='leaks(filters=GstMessage)' " + kCountingChild + "='" + track + "' /proc/" +
        std::to_string(::getpid()) + "/exe '" + test_media::ThisTestOnly() + "' 2>/dev/null";
    FILE *child = ::popen(command.c_str(), "r");
    ASSERT_NE(child, nullptr);
    long before = -1, after = -1;
    std::size_t heapGrowth = 0;
    int read = 0;
    char line[512];
    while (read != 2 && std::fgets(line, sizeof line, child))
      if (std::sscanf(line, "heap: %zu", &heapGrowth) != 1)
        read = std::sscanf(line, "messages: %ld %ld", &before, &after);
    while (std::fgets(line, sizeof line, child)) {
    }
    const int status = ::pclose(child);
    ASSERT_EQ(read, 2) << "the child did not play its tracks, status " << status;
    // 300 more tracks: a leak of even one message per track shows.
    EXPECT_LE(after, before + 5) << "bus messages left behind by 300 tracks";
    EXPECT_LT(heapGrowth, kHeapBound) << "heap left behind by each pass of 300 tracks";
  }
}

// ---- descriptors across players --------------------------------------------

long OpenDescriptors() {
  long count = 0;
  for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

TEST(EngineLeaks, PlayersMadeAndDestroyedLeaveNoDescriptors) {
  test_support::TempFolder folder;
  UseFolder(folder);
  const std::string track = folder.File("short.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(track, test_media::Kind::Wav, 0.05));
  // A player that opens a file has a pipeline, with its bus and its poll.
  auto cycle = [&](bool opening) {
    long status = -1;
    CAudioPlayer *player = NewPlayer(&status);
    ASSERT_NE(player, nullptr);
    if (opening) {
      EXPECT_GE(player->PlaySingleFile(Text(track).c_str()), 0);
    }
    DestroyPlayer(player);
  };
  for (int n = 0; n < 5; ++n)
    cycle(true); // GStreamer's and the library's one-time descriptors
  const long before = OpenDescriptors();
  for (int n = 0; n < 2000; ++n)
    cycle(n % 10 == 0);
  EXPECT_LE(OpenDescriptors(), before + 2) << "descriptors left by 2,000 players";
  EXPECT_EQ(engine::LiveObjects(), 0);
}

} // namespace
