// The Linux sides of the port list and of port access, open to tests on fake trees and to
// the tools that list ports. Nothing here opens a port.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PortMap.h"

namespace hi {

// COM numbers for the ttys of one listing, in the order given. The fixed table:
// ttyS<k> COM<k+1> (k < 32), ttyUSB<k> COM<33+k> (k < 32), ttyACM<k> COM<65+k> (k < 32),
// ttyAMA<k> COM<97+k> (k < 16), rfcomm<k> COM<113+k> (k < 16). Every other tty of the listing
// gets a number from COM129 upward, in the order of its name's letters and then its number,
// so the same set of devices gets the same numbers on every run; 0 past COM255.
std::vector<int> comNumbersForTtys(const std::vector<std::string>& ttys);
// The fixed table's number for a tty name, or 0 outside it ("ttyUSB0" gives 33).
int comNumberForTty(std::string_view ttyName);

// The serial devices under `sysClassTty` (normally /sys/class/tty), with paths `devDir` + "/"
// + name: every tty with a device behind it (an rfcomm port also without: a bound Bluetooth
// port gets its device only when it connects), except UART slots whose type is 0, which
// have no UART. Reads sysfs attributes only.
std::vector<PortEntry> portsFromSysfs(const std::string& sysClassTty, const std::string& devDir);

// The entries COM1..COM255 (no leading zeros) of a port map directory, whatever they are,
// so that choosing a wrong one says what is wrong with it. An entry that leads into /dev
// takes what `sysClassTty` tells of its target. False, with the system's error, when the
// directory cannot be read.
bool portsFromDirectory(const std::string& dir, const std::string& sysClassTty,
                        std::vector<PortEntry>& ports, int& error);

// Where the holder of a port, and what a device is, are looked for.
struct HolderSources {
  std::string proc = "/proc";
  std::string lockDir = "/run/lock";  // UUCP lock files
  std::string sysDevChar = "/sys/dev/char";
  std::string consoles = "/sys/class/tty/console/active";  // "tty0 ttyS0"
};

// What sysfs says a character device is, without opening it.
enum class CharDeviceKind : std::uint8_t {
  Unknown,  // sysfs does not know the device
  Tty,      // a terminal that may be a serial port
  Console,  // a terminal the kernel writes its messages to (console=ttyS0), or a virtual one
  Other,    // no terminal at all: /dev/null, /dev/zero, ...
};
CharDeviceKind charDeviceKind(dev_t device, const HolderSources& sources);

// The process named in a UUCP lock file of the device at `path` (LCK..ttyUSB0), if it lives.
std::optional<PortHolder> uucpLockHolder(const std::string& path, const std::string& lockDir);

// Who holds the device at `path`: the owner of a flock on it (as this program takes one),
// the process of a UUCP lock file, or a process with the device open, looked for in that
// order. Seeing other users' open files takes privileges; without them the holder may stay
// unknown.
std::optional<PortHolder> findPortHolder(const std::string& path, const HolderSources& sources);

// The group whose members may read and write the device at `path`; empty when only its
// owner may (or for root's group, which no user is told to join).
std::string accessGroup(const std::string& path);

void assessPortAccess(std::vector<PortEntry>& ports, const HolderSources& sources);

// The directories whose entries coming and going change the port list, canonical and sorted:
// `devDir` (device nodes appear and vanish there); with a port map `mapDir` also the map
// itself and, for each entry, the directory it finally leads to and the one its link names
// (/dev/serial/by-id for a by-id link). A directory that does not exist (yet) is stood for by
// its nearest existing ancestor, where its creation shows.
std::vector<std::string> portWatchDirectories(const std::string& mapDir, const std::string& devDir);

}  // namespace hi
