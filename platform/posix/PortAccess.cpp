// Who may open a port and who holds it, told from outside: file modes, the kernel's table
// of locks, UUCP lock files and the open files of processes. Nothing here opens a port.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/posix/LinuxPorts.h"

namespace hi {

namespace {

struct LockRecord {
  unsigned major = 0;
  unsigned minor = 0;
  unsigned long long inode = 0;
  long pid = 0;
};

// The held locks of /proc/locks: "1: FLOCK  ADVISORY  WRITE 1234 00:05:87 0 EOF". Lines
// with "->" are waiters, which hold nothing.
std::vector<LockRecord> heldLocks(const std::string& proc) {
  std::vector<LockRecord> locks;
  std::ifstream in(proc + "/locks");
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("->") != std::string::npos) continue;
    std::istringstream fields(line);
    std::string id, type, mode, access, file;
    LockRecord r;
    if (!(fields >> id >> type >> mode >> access >> r.pid >> file)) continue;
    if (std::sscanf(file.c_str(), "%x:%x:%llu", &r.major, &r.minor, &r.inode) != 3) continue;
    locks.push_back(r);
  }
  return locks;
}

bool alive(long pid) {
  return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// The program's name as its command line gives it, else the kernel's short name.
std::string programName(const std::string& proc, long pid) {
  const std::string dir = proc + "/" + std::to_string(pid);
  std::ifstream cmdline(dir + "/cmdline");
  std::string argv0;
  std::getline(cmdline, argv0, '\0');
  if (!argv0.empty()) {
    const std::size_t slash = argv0.rfind('/');
    return slash == std::string::npos ? argv0 : argv0.substr(slash + 1);
  }
  std::ifstream comm(dir + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

PortHolder holderOf(const std::string& proc, long pid) {
  return PortHolder{programName(proc, pid), pid, pid == ::getpid()};
}

std::optional<PortHolder> flockHolder(const std::vector<LockRecord>& locks, const struct stat& st,
                                      const std::string& proc) {
  for (const LockRecord& r : locks) {
    if (r.major == ::major(st.st_dev) && r.minor == ::minor(st.st_dev) && r.inode == st.st_ino) {
      // Open file description locks carry no process (-1).
      return r.pid > 0 ? holderOf(proc, r.pid) : PortHolder{};
    }
  }
  return std::nullopt;
}

std::optional<PortHolder> openFileHolder(const struct stat& device, const std::string& proc) {
  DIR* d = ::opendir(proc.c_str());
  if (d == nullptr) return std::nullopt;
  std::optional<PortHolder> found;
  while (const dirent* e = ::readdir(d)) {
    char* end = nullptr;
    const long pid = std::strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    const std::string fdDir = proc + "/" + e->d_name + "/fd";
    DIR* fds = ::opendir(fdDir.c_str());
    if (fds == nullptr) continue;  // another user's process, or gone
    while (const dirent* f = ::readdir(fds)) {
      if (f->d_name[0] == '.') continue;
      struct stat st {};
      if (::stat((fdDir + "/" + f->d_name).c_str(), &st) != 0) continue;
      if (S_ISCHR(st.st_mode) && st.st_rdev == device.st_rdev) {
        found = holderOf(proc, pid);
        break;
      }
    }
    ::closedir(fds);
    if (found) break;
  }
  ::closedir(d);
  return found;
}

// The name that UUCP locks give a device: its path below /dev with "/" made "_".
std::string lockName(const std::string& path) {
  char buf[PATH_MAX];
  std::string real = ::realpath(path.c_str(), buf) != nullptr ? std::string(buf) : path;
  if (real.compare(0, 5, "/dev/") == 0) {
    real.erase(0, 5);
  } else if (const std::size_t slash = real.rfind('/'); slash != std::string::npos) {
    real.erase(0, slash + 1);
  }
  for (char& c : real) {
    if (c == '/') c = '_';
  }
  return real;
}

std::string firstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string linkName(const std::string& link) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
  if (n <= 0) return {};
  const std::string target(buf, static_cast<std::size_t>(n));
  const std::size_t slash = target.rfind('/');
  return slash == std::string::npos ? target : target.substr(slash + 1);
}

// The console itself, the controlling terminal and the virtual consoles tty0..tty63.
bool consoleDeviceName(const std::string& name) {
  if (name == "console" || name == "tty") return true;
  if (name.size() < 4 || name.compare(0, 3, "tty") != 0) return false;
  return name.find_first_not_of("0123456789", 3) == std::string::npos;
}

}  // namespace

CharDeviceKind charDeviceKind(dev_t device, const HolderSources& sources) {
  const std::string dir = sources.sysDevChar + "/" + std::to_string(::major(device)) + ":" +
                          std::to_string(::minor(device));
  const std::string subsystem = linkName(dir + "/subsystem");
  if (subsystem.empty()) return CharDeviceKind::Unknown;
  if (subsystem != "tty") return CharDeviceKind::Other;
  const std::string name = linkName(dir);  // ../../devices/.../tty/ttyS0
  if (consoleDeviceName(name)) return CharDeviceKind::Console;
  std::istringstream active(firstLine(sources.consoles));
  for (std::string console; active >> console;) {
    if (console == name) return CharDeviceKind::Console;
  }
  return CharDeviceKind::Tty;
}

std::optional<PortHolder> uucpLockHolder(const std::string& path, const std::string& lockDir) {
  std::ifstream in(lockDir + "/LCK.." + lockName(path), std::ios::binary);
  if (!in) return std::nullopt;
  char content[64] = {};
  in.read(content, sizeof content - 1);
  const std::streamsize size = in.gcount();
  long pid = 0;
  if (size == 4 && (content[0] < ' ' || content[3] < ' ')) {
    // The old binary form: the process id as a native int.
    int binary = 0;
    std::memcpy(&binary, content, sizeof binary);
    pid = binary;
  } else {
    pid = std::strtol(content, nullptr, 10);
  }
  // A lock whose process has ended is stale and holds nothing.
  if (!alive(pid)) return std::nullopt;
  return holderOf("/proc", pid);
}

std::optional<PortHolder> findPortHolder(const std::string& path, const HolderSources& sources) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  if (auto h = flockHolder(heldLocks(sources.proc), st, sources.proc)) return h;
  if (auto h = uucpLockHolder(path, sources.lockDir)) return h;
  if (S_ISCHR(st.st_mode)) return openFileHolder(st, sources.proc);
  return std::nullopt;
}

std::string accessGroup(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP) || st.st_gid == 0) return {};
  char buf[4096];
  group g{};
  group* found = nullptr;
  if (::getgrgid_r(st.st_gid, &g, buf, sizeof buf, &found) == 0 && found != nullptr) {
    return found->gr_name;
  }
  return std::to_string(st.st_gid);
}

void assessPortAccess(std::vector<PortEntry>& ports, const HolderSources& sources) {
  const std::vector<LockRecord> locks = heldLocks(sources.proc);
  for (PortEntry& entry : ports) {
    entry.holder = {};
    struct stat st {};
    if (::stat(entry.path.c_str(), &st) != 0) {
      const int e = errno;
      entry.access = e == ENOENT || e == ENOTDIR ? PortAccess::Absent : PortAccess::Unknown;
      continue;
    }
    if (!S_ISCHR(st.st_mode)) {
      entry.access = PortAccess::NotSerial;
      continue;
    }
    const CharDeviceKind kind = charDeviceKind(st.st_rdev, sources);
    if (kind == CharDeviceKind::Other || kind == CharDeviceKind::Console) {
      entry.access = kind == CharDeviceKind::Other ? PortAccess::NotSerial : PortAccess::Console;
      continue;
    }
    if (::faccessat(AT_FDCWD, entry.path.c_str(), R_OK | W_OK, AT_EACCESS) != 0) {
      entry.access = errno == EACCES || errno == EPERM ? PortAccess::Forbidden : PortAccess::Unknown;
      continue;
    }
    std::optional<PortHolder> holder = flockHolder(locks, st, sources.proc);
    if (!holder) holder = uucpLockHolder(entry.path, sources.lockDir);
    if (holder) {
      entry.access = PortAccess::Busy;
      entry.holder = *holder;
      continue;
    }
    entry.access = PortAccess::Usable;
  }
}

}  // namespace hi
