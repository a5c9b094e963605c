// A program started as a separate process with its standard output and error piped back,
// the way a user or a script starts it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace hi::test {

// This process's environment with the given variables set (or, with an empty value, taken
// out).
inline std::vector<std::string> environmentWith(
    const std::vector<std::pair<std::string, std::string>>& set) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& s : set) replaced = replaced || s.first == name;
    if (!replaced) env.push_back(entry);
  }
  for (const auto& [name, value] : set) {
    if (!value.empty()) env.push_back(name + "=" + value);
  }
  return env;
}

class ChildProcess {
 public:
  // `environment` ("NAME=value" each) replaces this process's environment when not empty.
  ChildProcess(const std::string& program, std::vector<std::string> args,
               std::vector<std::string> environment = {}) {
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    if (::pipe2(err, O_CLOEXEC) != 0) {
      ::close(out[0]);
      ::close(out[1]);
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    char** env = environment.empty() ? environ : envp.data();
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~ChildProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of standard output, without its line end; empty when none came in time.
  std::string line(std::chrono::milliseconds patience) { return nextLine(out_, buffered_, patience); }
  // The same for standard error.
  std::string errorLine(std::chrono::milliseconds patience) {
    return nextLine(err_, errBuffered_, patience);
  }

  // Everything the program wrote to standard error (reads until the program closes it).
  std::string errorText() {
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = ::read(err_, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    return text;
  }

  // The exit status, or -1 when it ended by a signal or did not end in time. One that did
  // not is killed, so that reading its output to the end cannot hang the test.
  int wait(std::chrono::milliseconds patience) {
    const auto end = std::chrono::steady_clock::now() + patience;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      ::poll(nullptr, 0, 20);
    }
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    return -1;
  }

  void signal(int sig) { ::kill(pid_, sig); }
  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

 private:
  static std::string nextLine(int fd, std::string& buffered, std::chrono::milliseconds patience) {
    const auto end = std::chrono::steady_clock::now() + patience;
    while (buffered.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
      pollfd pfd{fd, POLLIN, 0};
      if (::poll(&pfd, 1, 100) <= 0) continue;
      char buf[512];
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) break;
      buffered.append(buf, static_cast<std::size_t>(n));
    }
    const std::size_t nl = buffered.find('\n');
    if (nl == std::string::npos) return {};
    std::string text = buffered.substr(0, nl);
    buffered.erase(0, nl + 1);
    return text;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string buffered_;
  std::string errBuffered_;
};

}  // namespace hi::test
