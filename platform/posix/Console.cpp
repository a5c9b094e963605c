#include "platform/Console.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace hi {

namespace {

// The process id of the program that started this one with Subprocess::start.
constexpr const char* kStarterVariable = "TORMISAPLEX_STARTER_PID";

}  // namespace

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

namespace {

// Holds the descriptor's lock on the whole file for the life of the object, so that an undo
// of a cut-short line never takes another process's line with it.
class FileLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FileLock() { ::flock(fd_, LOCK_UN); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

int openForAppend(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
}

}  // namespace

bool appendWhole(const std::string& path, std::string_view line, int& error) {
  const int fd = openForAppend(path);
  if (fd < 0) {
    error = errno;
    return false;
  }
  error = 0;
  {
    const FileLock lock(fd);
    struct stat before {};
    if (::fstat(fd, &before) != 0) error = errno;
    std::size_t written = 0;
    while (error == 0 && written < line.size()) {
      const ssize_t n = ::write(fd, line.data() + written, line.size() - written);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) error = errno;
      if (n == 0) error = ENOSPC;
      if (n > 0) written += static_cast<std::size_t>(n);
    }
    // A part of a line would glue the next line to it: back to the size before.
    if (error != 0 && written > 0) {
      while (::ftruncate(fd, before.st_size) != 0 && errno == EINTR) {
      }
    }
  }
  ::close(fd);
  return error == 0;
}

bool canAppend(const std::string& path, int& error) {
  const int fd = openForAppend(path);
  if (fd < 0) {
    error = errno;
    return false;
  }
  struct statvfs disk {};
  error = ::fstatvfs(fd, &disk) != 0 ? errno : 0;
  // The superuser may still use the blocks kept back for it.
  const auto room = ::geteuid() == 0 ? disk.f_bfree : disk.f_bavail;
  if (error == 0 && room == 0) error = ENOSPC;
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
    signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
    return status_;
  }

  int killedBy() const override { return signal_; }

  void interrupt() override {
    if (pid_ > 0) ::kill(pid_, SIGINT);
  }

 private:
  pid_t pid_;
  int out_;
  int status_ = -1;
  int signal_ = 0;
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
  // The child learns who started it, to follow this process's end (followStarter).
  std::vector<std::string> environment{std::string(kStarterVariable) + "=" +
                                       std::to_string(::getpid())};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, kStarterVariable, std::strlen(kStarterVariable)) != 0 ||
        (*e)[std::strlen(kStarterVariable)] != '=') {
      environment.emplace_back(*e);
    }
  }
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
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

void followStarter() {
  const char* starter = std::getenv(kStarterVariable);
  if (starter == nullptr) return;
  const long pid = std::strtol(starter, nullptr, 10);
  // SIGTERM is one of the interrupt signals that watchInterrupts takes.
  if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0) return;
  // The starter may have ended before the request was made: then no signal will come.
  if (pid <= 0 || ::getppid() != static_cast<pid_t>(pid)) ::kill(::getpid(), SIGTERM);
}

}  // namespace hi
