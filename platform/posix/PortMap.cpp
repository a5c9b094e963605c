#include "platform/PortMap.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace hi {

namespace {

// Parses the decimal digits of `s` when they are the whole of it, without leading zeros.
int canonicalNumber(std::string_view s) {
  if (s.empty() || s.size() > 3 || s[0] == '0') return 0;
  int n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::vector<std::string> directoryNames(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
  ::closedir(d);
  return names;
}

void sortByNumber(std::vector<PortEntry>& ports) {
  std::sort(ports.begin(), ports.end(),
            [](const PortEntry& a, const PortEntry& b) { return a.number < b.number; });
}

// An 8250 port slot without a UART behind it reports type 0; opening it gives EIO.
bool ttySHasHardware(const std::string& sysDir) {
  std::ifstream type(sysDir + "/type");
  int value = -1;
  if (!(type >> value)) return true;
  return value != 0;
}

struct TtyFamily {
  std::string_view prefix;
  int firstCom;
  int count;
};

constexpr TtyFamily kFamilies[] = {
    {"ttyS", 1, 32},    {"ttyUSB", 33, 32},  {"ttyACM", 65, 32},
    {"ttyAMA", 97, 16}, {"rfcomm", 113, 16},
};

}  // namespace

int comNumberForTty(std::string_view ttyName) {
  for (const TtyFamily& f : kFamilies) {
    if (ttyName.substr(0, f.prefix.size()) != f.prefix) continue;
    const std::string_view digits = ttyName.substr(f.prefix.size());
    int k = -1;
    if (digits == "0") {
      k = 0;
    } else if (const int n = canonicalNumber(digits); n > 0) {
      k = n;
    }
    if (k < 0 || k >= f.count) return 0;
    return f.firstCom + k;
  }
  return 0;
}

std::vector<PortEntry> portMapFromDirectory(const std::string& dir) {
  std::vector<PortEntry> ports;
  for (const std::string& name : directoryNames(dir)) {
    if (name.compare(0, 3, "COM") != 0) continue;
    const int n = canonicalNumber(std::string_view(name).substr(3));
    if (n < 1 || n > 255) continue;
    const std::string path = dir + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (!S_ISLNK(st.st_mode) && !S_ISCHR(st.st_mode)) continue;
    ports.push_back(PortEntry{n, name, path});
  }
  sortByNumber(ports);
  return ports;
}

std::vector<PortEntry> portMapFromSysfs(const std::string& sysClassTty, const std::string& devDir) {
  std::vector<PortEntry> ports;
  for (const std::string& tty : directoryNames(sysClassTty)) {
    const int n = comNumberForTty(tty);
    if (n == 0) continue;
    if (tty.compare(0, 4, "ttyS") == 0 && !ttySHasHardware(sysClassTty + "/" + tty)) continue;
    ports.push_back(PortEntry{n, "COM" + std::to_string(n), devDir + "/" + tty});
  }
  sortByNumber(ports);
  return ports;
}

std::vector<PortEntry> serialPortMap() {
  if (const char* dir = std::getenv(PortsDirVariable); dir != nullptr && *dir != '\0') {
    struct stat st {};
    if (::stat(dir, &st) == 0 && S_ISDIR(st.st_mode)) return portMapFromDirectory(dir);
  }
  return portMapFromSysfs("/sys/class/tty", "/dev");
}

std::optional<std::string> serialPortPath(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (const PortEntry& p : serialPortMap()) {
    if (p.name == upper) return p.path;
  }
  return std::nullopt;
}

}  // namespace hi
