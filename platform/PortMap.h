// The machine's serial ports under their COM names, in ascending COM number.
//
// When TORMISAPLEX_PORTS names a directory, its entries COM1..COM255 (links or device
// nodes) are the map; otherwise the devices under /sys/class/tty get names from a fixed
// table: ttyS<k> COM<k+1>, ttyUSB<k> COM<33+k>, ttyACM<k> COM<65+k>, ttyAMA<k> COM<97+k>,
// rfcomm<k> COM<113+k>.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hi {

inline constexpr const char* PortsDirVariable = "TORMISAPLEX_PORTS";

struct PortEntry {
  int number = 0;    // 1..255
  std::string name;  // "COM<number>"
  std::string path;  // what to open
};

std::vector<PortEntry> serialPortMap();

// The device path of a port name; ASCII case is ignored, anything else must match exactly
// (so "com3" finds COM3, while "COM03" and "COM1x" find nothing).
std::optional<std::string> serialPortPath(std::string_view name);

// The two sources of the map, for callers that want one of them explicitly.
std::vector<PortEntry> portMapFromDirectory(const std::string& dir);
// `sysClassTty` is normally /sys/class/tty, `devDir` /dev.
std::vector<PortEntry> portMapFromSysfs(const std::string& sysClassTty, const std::string& devDir);

// The COM number that a kernel tty name gets, or 0 if it has none ("ttyUSB0" gives 33).
int comNumberForTty(std::string_view ttyName);

}  // namespace hi
