#include "platform/Console.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>

extern char** environ;

namespace hi {

bool isTerminal(StdStream stream) {
  return ::isatty(stream == StdStream::Out ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

void useUtf8Console() {}

int terminalColumns() {
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

namespace {

sigset_t interruptSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void watchInterrupts(std::function<void()> onInterrupt) {
  // Blocked here, and so in every thread started later: only sigwait takes them, on a thread
  // where the handler may lock and call freely (a signal handler could do neither).
  const sigset_t set = interruptSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  std::thread([set, onInterrupt = std::move(onInterrupt)] {
    for (;;) {
      int sig = 0;
      if (sigwait(&set, &sig) == 0) onInterrupt();
    }
  }).detach();
}

bool appendWhole(const std::string& path, std::string_view line, int& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = errno;
    return false;
  }
  ssize_t n;
  do {
    n = ::write(fd, line.data(), line.size());
  } while (n < 0 && errno == EINTR);
  error = n < 0 ? errno : (static_cast<std::size_t>(n) == line.size() ? 0 : ENOSPC);
  ::close(fd);
  return error == 0;
}

std::string systemErrorText(int error) {
  return std::strerror(error);
}

std::string ownExecutablePath() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

namespace {

class PosixSubprocess final : public Subprocess {
 public:
  PosixSubprocess(pid_t pid, int out) : pid_(pid), out_(out) {}
  ~PosixSubprocess() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
  }

  bool readLine(std::string& line) override {
    for (;;) {
      const std::size_t end = buffered_.find('\n');
      if (end != std::string::npos) {
        line = buffered_.substr(0, end);
        buffered_.erase(0, end + 1);
        return true;
      }
      char chunk[4096];
      const ssize_t n = ::read(out_, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        // A last line without its line end still counts.
        if (buffered_.empty()) return false;
        line = std::move(buffered_);
        buffered_.clear();
        return true;
      }
      buffered_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  int wait() override {
    if (pid_ <= 0) return status_;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
  }

  void interrupt() override {
    if (pid_ > 0) ::kill(pid_, SIGINT);
  }

 private:
  pid_t pid_;
  int out_;
  int status_ = -1;
  std::string buffered_;
};

}  // namespace

std::unique_ptr<Subprocess> Subprocess::start(const std::string& program,
                                              const std::vector<std::string>& args,
                                              std::string& error) {
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    error = systemErrorText(errno);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  // The child handles the interrupt signals itself: it must not inherit their blocking.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (rc != 0) {
    ::close(out[0]);
    error = systemErrorText(rc);
    return nullptr;
  }
  return std::make_unique<PosixSubprocess>(pid, out[0]);
}

}  // namespace hi
