// A host that runs GLib's main loop instead of GetMessageW: the player's
// notifications reach it through the thread's message descriptor alone, and
// the loop sleeps in between.
#include "engine_host.h"

#include <audioplayer_mainloop.h>
#include <glib-unix.h>
#include <glib.h>
#include <sys/resource.h>

#include <chrono>

namespace {

using namespace engine_host;

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Loop {
  GMainLoop *loop = g_main_loop_new(nullptr, FALSE);
  long lastIndex = 1;
  ~Loop() { g_main_loop_unref(loop); }
};

gboolean OnMessages(int, GIOCondition, gpointer data) {
  auto *run = static_cast<Loop *>(data);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&message);
  if (Received(CN_PlayStateChange, PS_Stopped, run->lastIndex))
    g_main_loop_quit(run->loop);
  return G_SOURCE_CONTINUE;
}

// Two files, the second 10 s long, played to their end through GLib's loop
// with no timer: every notification arrives, and the process spends almost
// none of that time on the processor (a loop that polled would spend all of
// it). The bound is CPU time over wall time, which a busy machine lowers.
TEST_F(EngineHost, AGlibLoopHearsThePlayerThroughItsDescriptorAndSleeps) {
  const std::string first = folder.File("first.wav"), second = folder.File("second.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(first, test_media::Kind::Wav, 0.5));
  ASSERT_TRUE(test_media::MakeAudioFile(second, test_media::Kind::Wav, 10.0));
  ASSERT_GE(player->AppendMusic(Text(first).c_str()), 0);
  ASSERT_GE(player->AppendMusic(Text(second).c_str()), 0);
  Loop run;
  const int fd = AudioPlayerMessageFd();
  ASSERT_GE(fd, 0);
  const guint source = g_unix_fd_add(fd, G_IO_IN, OnMessages, &run);
  const double cpuBefore = CpuSeconds();
  const auto wallBefore = std::chrono::steady_clock::now();
  ASSERT_GE(player->Play(), 0);
  g_main_loop_run(run.loop);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
  const double cpu = CpuSeconds() - cpuBefore;
  g_source_remove(source);

  for (long index : {0L, 1L}) {
    EXPECT_TRUE(Received(CN_PlayStateChange, PS_Playing, index)) << index;
    EXPECT_TRUE(Received(CN_PlayStateChange, PS_MediaEnded, index)) << index;
  }
  EXPECT_GE(wall, 10.0) << "played in real time";
  EXPECT_LT(cpu / wall, 0.05) << cpu << " s of processor time in " << wall << " s";
}

} // namespace
