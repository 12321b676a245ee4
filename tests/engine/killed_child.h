// Tests that need a process of their own (to kill it in the middle of its
// work, or to count what it leaves behind): the test binary runs again,
// running only the current test, with an environment variable that makes
// that test do the child's work and exit instead. The child runs inside
// main, with every part of the library initialised.
//
// A child that is killed writes one mark (MarkProgress) when it has begun
// and one more each time it has done a step of its work; once it has begun
// and done `steps` steps, it is given `delay` and killed with SIGKILL.
// Counting steps, not time, keeps a busy machine from killing every child
// before it has done anything.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace test_media {

// Where a child's marks go: not standard output, which GoogleTest writes to.
constexpr int kProgressFd = 3;

inline bool MarkProgress(char mark) {
  return ::write(kProgressFd, &mark, 1) == 1;
}

// The option that runs only the test now running.
inline std::string ThisTestOnly() {
  const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
}

// A sharded run's child runs its one test whatever shard the parent is.
inline void UnshardChild() {
  ::unsetenv("GTEST_TOTAL_SHARDS");
  ::unsetenv("GTEST_SHARD_INDEX");
}

struct KilledChild {
  bool started = false; // the child said it had begun
  bool killed = false;  // it was still running when killed
  int exitCode = -1;    // when it stopped by itself
};

inline KilledChild RunAndKill(const char *variable, const std::string &value,
                              std::chrono::milliseconds delay, int steps = 0) {
  KilledChild result;
  int ready[2];
  if (::pipe(ready) != 0)
    return result;
  const std::string filter = ThisTestOnly();
  const pid_t child = ::fork();
  if (child < 0)
    return result;
  if (child == 0) {
    ::dup2(ready[1], kProgressFd);
    const int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, 1);
    ::setenv(variable, value.c_str(), 1);
    UnshardChild();
    ::execl("/proc/self/exe", "killed_child", filter.c_str(), nullptr);
    ::_exit(127);
  }
  ::close(ready[1]);
  char byte = 0;
  result.started = ::read(ready[0], &byte, 1) == 1;
  for (int step = 0; result.started && step < steps && ::read(ready[0], &byte, 1) == 1; ++step) {
  }
  std::this_thread::sleep_for(delay);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(ready[0]); // only now: a child writing its steps must not die of SIGPIPE first
  result.killed = WIFSIGNALED(status);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

} // namespace test_media
