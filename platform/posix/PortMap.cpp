#include "platform/PortMap.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <tuple>

#include "platform/ComName.h"
#include "platform/posix/LinuxPorts.h"

namespace hi {

namespace {

constexpr const char* SysClassTty = "/sys/class/tty";
constexpr int FirstFreeCom = 129;  // after the fixed table
constexpr int LastCom = ComName::kLast;

// Parses the decimal digits of `s` when they are the whole of it, without leading zeros.
int canonicalNumber(std::string_view s) {
  if (s.empty() || s.size() > 3 || (s[0] == '0' && s.size() > 1)) return -1;
  int n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

bool directoryNames(const std::string& dir, std::vector<std::string>& names, int& error) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) {
    error = errno;
    return false;
  }
  while (const dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      names.emplace_back(e->d_name);
    }
  }
  ::closedir(d);
  return true;
}

void sortByNumber(std::vector<PortEntry>& ports) {
  std::sort(ports.begin(), ports.end(),
            [](const PortEntry& a, const PortEntry& b) { return a.number < b.number; });
}

std::string readAttribute(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  return line;
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string realPath(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) != nullptr ? std::string(buf) : std::string();
}

std::string baseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

std::string linkTargetName(const std::string& link) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
  if (n <= 0) return {};
  return baseName(std::string(buf, static_cast<std::size_t>(n)));
}

std::uint16_t hexAttribute(const std::string& path) {
  const std::string text = readAttribute(path);
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 16);
  return end != text.c_str() && v <= 0xFFFF ? static_cast<std::uint16_t>(v) : 0;
}

// What sysfs tells of the device behind a tty: the driver that serves it (skipping the
// serial core's own port devices, whose driver is the generic "port") and, for a USB
// device, its ids and strings.
void describeDevice(const std::string& ttyDir, PortEntry& entry) {
  const std::string device = realPath(ttyDir + "/device");
  if (device.empty()) return;
  std::string dir = device;
  for (int depth = 0; depth < 4 && !dir.empty(); ++depth, dir = parentOf(dir)) {
    if (linkTargetName(dir + "/subsystem") == "serial-base") continue;
    entry.driver = linkTargetName(dir + "/driver");
    break;
  }
  dir = device;
  for (int depth = 0; depth < 6 && !dir.empty(); ++depth, dir = parentOf(dir)) {
    if (!exists(dir + "/idVendor")) continue;
    entry.usbVendor = hexAttribute(dir + "/idVendor");
    entry.usbProduct = hexAttribute(dir + "/idProduct");
    entry.serialNumber = readAttribute(dir + "/serial");
    entry.manufacturer = readAttribute(dir + "/manufacturer");
    entry.product = readAttribute(dir + "/product");
    break;
  }
}

// A serial core port slot without a UART behind it reports type 0; opening it gives EIO.
bool emptyUartSlot(const std::string& ttyDir) {
  std::ifstream type(ttyDir + "/type");
  int value = -1;
  return (type >> value) && value == 0;
}

struct TtyFamily {
  std::string_view prefix;
  int firstCom;
  int count;
};

constexpr TtyFamily Families[] = {
    {"ttyS", 1, 32},    {"ttyUSB", 33, 32},  {"ttyACM", 65, 32},
    {"ttyAMA", 97, 16}, {"rfcomm", 113, 16},
};

// "ttyXRUSB12" -> ("ttyXRUSB", 12); a name without a number sorts before its numbered kin.
std::pair<std::string_view, long> splitName(std::string_view name) {
  std::size_t end = name.size();
  while (end > 0 && name[end - 1] >= '0' && name[end - 1] <= '9') --end;
  const std::string_view digits = name.substr(end);
  if (digits.empty() || digits.size() > 9) return {name, -1};
  return {name.substr(0, end), std::strtol(std::string(digits).c_str(), nullptr, 10)};
}

}  // namespace

int comNumberForTty(std::string_view ttyName) {
  for (const TtyFamily& f : Families) {
    if (ttyName.substr(0, f.prefix.size()) != f.prefix) continue;
    const int k = canonicalNumber(ttyName.substr(f.prefix.size()));
    return k >= 0 && k < f.count ? f.firstCom + k : 0;
  }
  return 0;
}

std::vector<int> comNumbersForTtys(const std::vector<std::string>& ttys) {
  std::vector<int> numbers(ttys.size(), 0);
  std::vector<std::size_t> others;
  for (std::size_t i = 0; i < ttys.size(); ++i) {
    numbers[i] = comNumberForTty(ttys[i]);
    if (numbers[i] == 0) others.push_back(i);
  }
  std::sort(others.begin(), others.end(), [&](std::size_t a, std::size_t b) {
    const auto ka = splitName(ttys[a]);
    const auto kb = splitName(ttys[b]);
    return std::tie(ka.first, ka.second, ttys[a]) < std::tie(kb.first, kb.second, ttys[b]);
  });
  int next = FirstFreeCom;
  for (std::size_t i : others) {
    if (next > LastCom) break;
    numbers[i] = next++;
  }
  return numbers;
}

std::vector<PortEntry> portsFromSysfs(const std::string& sysClassTty, const std::string& devDir) {
  std::vector<std::string> names;
  int error = 0;
  if (!directoryNames(sysClassTty, names, error)) return {};
  std::vector<std::string> ttys;
  for (const std::string& name : names) {
    const std::string dir = sysClassTty + "/" + name;
    const bool hasDevice = exists(dir + "/device");
    if (!hasDevice && name.compare(0, 6, "rfcomm") != 0) continue;  // consoles, pty masters
    if (emptyUartSlot(dir)) continue;
    ttys.push_back(name);
  }
  const std::vector<int> numbers = comNumbersForTtys(ttys);
  std::vector<PortEntry> ports;
  for (std::size_t i = 0; i < ttys.size(); ++i) {
    if (numbers[i] == 0) continue;
    PortEntry entry;
    entry.number = numbers[i];
    entry.name = ComName::ofNumber(numbers[i])->text();
    entry.path = devDir + "/" + ttys[i];
    entry.device = ttys[i];
    describeDevice(sysClassTty + "/" + ttys[i], entry);
    ports.push_back(std::move(entry));
  }
  sortByNumber(ports);
  return ports;
}

bool portsFromDirectory(const std::string& dir, const std::string& sysClassTty,
                        std::vector<PortEntry>& ports, int& error) {
  std::vector<std::string> names;
  if (!directoryNames(dir, names, error)) return false;
  for (const std::string& name : names) {
    // Only the names as this program writes them: "com3" beside "COM3" would be two entries.
    if (!isCanonicalComName(name)) continue;
    PortEntry entry;
    entry.number = ComName::parse(name)->number();
    entry.name = name;
    entry.path = dir + "/" + name;
    const std::string target = realPath(entry.path);
    if (target.compare(0, 5, "/dev/") == 0) {
      entry.device = target.substr(5);
      if (entry.device.find('/') == std::string::npos) {
        describeDevice(sysClassTty + "/" + entry.device, entry);
      }
    }
    ports.push_back(std::move(entry));
  }
  sortByNumber(ports);
  return true;
}

PortList serialPortList() {
  PortList list;
  const char* dir = std::getenv(PortsDirVariable);
  if (dir == nullptr || *dir == '\0') {
    list.ports = portsFromSysfs(SysClassTty, "/dev");
    return list;
  }
  int error = 0;
  if (!portsFromDirectory(dir, SysClassTty, list.ports, error)) {
    list.ports.clear();
    list.error = PortListError{dir, error};
  }
  return list;
}

bool samePortPath(const std::string& a, const std::string& b) {
  if (a == b) return true;
  // The devices themselves, not the names: two character devices are the same port when
  // their device numbers agree (std::filesystem::equivalent says no to any two of them).
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  if (S_ISCHR(sa.st_mode) && S_ISCHR(sb.st_mode)) return sa.st_rdev == sb.st_rdev;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void assessPortAccess(std::vector<PortEntry>& ports) {
  assessPortAccess(ports, HolderSources{});
}

std::string describePortListError(const PortListError& error) {
  return std::string(PortsDirVariable) + "=" + error.source + " is not a readable directory (" +
         std::strerror(error.error) + "); no ports are listed";
}

}  // namespace hi
