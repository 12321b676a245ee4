// What a desktop indexer watching files is told of them: each one written
// to, or closed after it was opened for writing (whether or not anything
// was written), which makes the indexer read it again.
#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace test_support {

class WriteWatch {
public:
  explicit WriteWatch(const std::vector<std::string> &files)
      : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    for (const std::string &file : files)
      if (fd_ >= 0)
        watched_[::inotify_add_watch(fd_, file.c_str(), IN_CLOSE_WRITE | IN_MODIFY)] = file;
  }
  ~WriteWatch() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  WriteWatch(const WriteWatch &) = delete;
  WriteWatch &operator=(const WriteWatch &) = delete;

  // Whether every file is watched.
  bool Watching() const { return fd_ >= 0 && !watched_.count(-1); }
  // The files told of since the last call.
  std::set<std::string> Told() {
    std::set<std::string> files;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;)
      for (ssize_t at = 0; at < got;) {
        const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
        files.insert(watched_[event->wd]);
        at += ssize_t(sizeof(inotify_event) + event->len);
      }
    return files;
  }

private:
  int fd_;
  std::map<int, std::string> watched_;
};

} // namespace test_support
