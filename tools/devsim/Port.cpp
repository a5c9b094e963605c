#include "tools/devsim/Port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace hi::devsim {

namespace {

std::string errnoText(const std::string& what, int err) {
  return what + ": " + std::strerror(err);
}

bool readLink(const std::string& path, std::string& target) {
  std::vector<char> buf(4096);
  const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
  if (n < 0 || static_cast<std::size_t>(n) >= buf.size()) return false;
  target.assign(buf.data(), static_cast<std::size_t>(n));
  return true;
}

}  // namespace

Port::~Port() {
  close();
}

bool Port::open(const std::string& dir, unsigned com, std::string& error) {
  close();
  if (com < 1 || com > 255) {
    error = "COM number out of range 1..255: " + std::to_string(com);
    return false;
  }
  com_ = "COM" + std::to_string(com);

  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) {
    error = errnoText("posix_openpt", errno);
    return false;
  }
  char name[128];
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, name, sizeof name) != 0) {
    error = errnoText("pseudo-terminal set-up", errno);
    close();
    return false;
  }
  device_ = name;
  // On a pseudo-terminal the master's settings are the slave's: raw, so that nothing is echoed
  // back to the program or turned into signals before it sets its own line settings.
  termios tio{};
  if (::tcgetattr(master_, &tio) != 0) {
    error = errnoText("tcgetattr", errno);
    close();
    return false;
  }
  ::cfmakeraw(&tio);
  if (::tcsetattr(master_, TCSANOW, &tio) != 0) {
    error = errnoText("tcsetattr", errno);
    close();
    return false;
  }

  if (dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tormisaplex-ports-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) {
      error = errnoText("mkdtemp " + pattern, errno);
      close();
      return false;
    }
    dir_ = buf.data();
    ownsDir_ = true;
  } else {
    dir_ = dir;
    if (::mkdir(dir_.c_str(), 0755) == 0) {
      ownsDir_ = true;
    } else if (errno != EEXIST) {
      error = errnoText("mkdir " + dir_, errno);
      close();
      return false;
    }
  }
  if (!publish(error)) {
    close();
    return false;
  }
  return true;
}

bool Port::publish(std::string& error) {
  link_ = dir_ + "/" + com_;
  struct stat st {};
  if (::lstat(link_.c_str(), &st) == 0) {
    std::string target;
    if (!S_ISLNK(st.st_mode) || !readLink(link_, target)) {
      error = link_ + " exists and is not a link of a simulator";
      link_.clear();
      return false;
    }
    struct stat targetStat {};
    if (::stat(link_.c_str(), &targetStat) == 0) {
      error = link_ + " is taken (-> " + target + "); remove it if no simulator uses it";
      link_.clear();
      return false;
    }
    // A link left by a simulator that was killed: its pseudo-terminal is gone.
    ::unlink(link_.c_str());
  }
  if (::symlink(device_.c_str(), link_.c_str()) != 0) {
    error = errnoText("symlink " + link_, errno);
    link_.clear();
    return false;
  }
  return true;
}

void Port::unpublish() {
  if (!link_.empty()) {
    std::string target;
    if (readLink(link_, target) && target == device_) ::unlink(link_.c_str());
    link_.clear();
  }
  if (ownsDir_) {
    ::rmdir(dir_.c_str());  // fails harmlessly when others left entries in it
    ownsDir_ = false;
  }
}

void Port::hangUp() {
  unpublish();
  if (master_ >= 0) {
    ::close(master_);
    master_ = -1;
  }
}

void Port::close() {
  hangUp();
}

}  // namespace hi::devsim
