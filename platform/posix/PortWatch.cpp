// The port watch on Linux: inotify on the directories whose entries make up the port list.
//
// Device nodes appear in and vanish from /dev as the kernel adds and removes devices
// (devtmpfs), so /dev tells of every serial adapter without any daemon, also in a container
// without udev. sysfs gives no inotify events for new devices; a netlink monitor would, but
// not for a port map, which is a plain directory. On removal the node goes before the sysfs
// entry; the list leaves out ports whose node is gone (CheckPorts), and the watch waits for a
// burst of changes to settle before it reports.
#include <dirent.h>
#include <limits.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <system_error>
#include <thread>

#include "platform/PortMap.h"
#include "platform/PortWatch.h"
#include "platform/posix/LinuxPorts.h"
#include "platform/posix/WakeSignal.h"

namespace hi {

namespace {

constexpr const char* DevDir = "/dev";
// How long the directories must stay quiet before a report: plugging in an adapter brings
// its node, then udev's links and directories, within a few milliseconds of one another.
constexpr int SettleMs = 100;
constexpr std::uint32_t WatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                    IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string canonical(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) != nullptr ? std::string(buf) : std::string();
}

std::string parentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// `dir`, or the nearest ancestor of it that exists, canonical.
std::string nearestDirectory(std::string dir) {
  while (!dir.empty() && dir != "/" && dir != "." && !isDirectory(dir)) dir = parentOf(dir);
  return canonical(dir);
}

std::vector<std::string> entryNames(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      names.emplace_back(e->d_name);
    }
  }
  ::closedir(d);
  return names;
}

std::string linkTarget(const std::string& link) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

class InotifyPortWatch final : public PortWatch {
 public:
  InotifyPortWatch(Changed changed, int fd, std::string mapDir)
      : PortWatch(std::move(changed)), fd_(fd), mapDir_(std::move(mapDir)) {
    updateWatches();
    usable_ = wake_.valid() && !watches_.empty();
    if (!usable_) return;
    try {
      thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      usable_ = false;
    }
  }
  ~InotifyPortWatch() override {
    retire();
    stop_ = true;
    wake_.raise();
    if (thread_.joinable()) thread_.join();
    ::close(fd_);
  }

  // Whether it follows anything: inotify may refuse every directory (out of watches).
  bool usable() const { return usable_; }

 private:
  void run() {
    for (;;) {
      if (!waitForChange(-1)) return;
      // The changes of one plug or pull come in a burst; report once it has settled.
      for (;;) {
        const int r = waitForChange(SettleMs);
        if (r < 0) return;
        if (r == 0) break;
      }
      updateWatches();
      report();
    }
  }

  // 1: something changed (the events are read), 0: the time passed quietly, -1: stop.
  int waitForChange(int timeoutMs) {
    for (;;) {
      pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_.fd(), POLLIN, 0}};
      const int r = ::poll(fds, 2, timeoutMs);
      if (stop_) return -1;
      if (r < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (r == 0) return 0;
      if ((fds[0].revents & POLLIN) != 0) {
        drain();
        return 1;
      }
      if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return -1;
      wake_.clear();
    }
  }

  void drain() {
    alignas(inotify_event) char buf[4096];
    while (::read(fd_, buf, sizeof buf) > 0) {
    }
  }

  // Follows the directories the list depends on now: new map entries may lead elsewhere,
  // and a directory that was missing may have been made.
  void updateWatches() {
    const std::vector<std::string> wanted = portWatchDirectories(mapDir_, DevDir);
    for (auto it = watches_.begin(); it != watches_.end();) {
      if (std::find(wanted.begin(), wanted.end(), it->first) == wanted.end()) {
        ::inotify_rm_watch(fd_, it->second);
        it = watches_.erase(it);
      } else {
        ++it;
      }
    }
    for (const std::string& dir : wanted) {
      // Added again even when known: a directory that was removed and made anew lost its watch.
      const int wd = ::inotify_add_watch(fd_, dir.c_str(), WatchMask);
      if (wd >= 0) watches_[dir] = wd;
    }
  }

  const int fd_;
  const std::string mapDir_;
  WakeSignal wake_;
  std::atomic<bool> stop_{false};
  bool usable_ = false;
  std::map<std::string, int> watches_;  // the watch thread's, once it runs
  std::thread thread_;
};

}  // namespace

std::vector<std::string> portWatchDirectories(const std::string& mapDir,
                                              const std::string& devDir) {
  std::set<std::string> dirs;
  const auto add = [&](const std::string& dir) {
    const std::string d = nearestDirectory(dir);
    if (!d.empty()) dirs.insert(d);
  };
  add(devDir);
  if (!mapDir.empty()) {
    add(mapDir);
    for (const std::string& name : entryNames(mapDir)) {
      const std::string entry = mapDir + "/" + name;
      const std::string target = canonical(entry);
      if (!target.empty()) dirs.insert(parentOf(target));
      std::string link = linkTarget(entry);
      if (link.empty()) continue;
      if (link[0] != '/') link = mapDir + "/" + link;
      add(parentOf(link));
    }
  }
  return {dirs.begin(), dirs.end()};
}

std::unique_ptr<PortWatch> PortWatch::start(Changed changed) {
  const char* map = std::getenv(PortsDirVariable);
  const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd >= 0) {
    auto watch = std::make_unique<InotifyPortWatch>(changed, fd, map != nullptr ? map : "");
    if (watch->usable()) return watch;
  }
  // Out of inotify instances, say: the list is still built anew when asked.
  return startRelayedPortWatch(std::move(changed));
}

}  // namespace hi
