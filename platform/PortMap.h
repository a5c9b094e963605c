// The machine's serial ports under their COM names, in ascending COM number, and what the
// system knows of each without opening it.
//
// Listing never opens a port: on many boards an open alone (DTR and RTS raised) resets the
// device. Where a port could not be opened by this user, or is held by another program,
// the system may be able to tell from outside (assessPortAccess); the open says for sure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hi {

// Names a directory whose entries COM1..COM255 are the whole port map (tests, the device
// simulator, a fixed name for one adapter).
inline constexpr const char* PortsDirVariable = "TORMISAPLEX_PORTS";

enum class PortAccess : std::uint8_t {
  Unknown,    // not assessed, or the system cannot tell without opening the port
  Usable,     // present, this user may open it, and no holder is known
  Busy,       // another program holds it (see PortEntry::holder)
  Forbidden,  // this user may not open it
  Absent,     // the map names it, but the device is not there
  NotSerial,  // something that is no serial port: a file, /dev/null
  Console,    // the system console: the kernel writes its messages there
};

// A program that holds a port.
struct PortHolder {
  std::string program;       // as the system names the program; empty if unknown
  std::int64_t pid = 0;      // 0 if unknown
  bool thisProgram = false;  // the holder is this very process
};

struct PortEntry {
  int number = 0;      // 1..255
  std::string name;    // "COM<number>"
  std::string path;    // what to open: "/dev/ttyUSB0", "\\.\COM3"
  std::string device;  // the system's own name of the device: "ttyUSB0", "\Device\Serial0"
  // What the system knows of the device; empty or 0 where it knows nothing.
  std::string driver;  // "ftdi_sio", "cdc_acm", "serial", "Serial"
  std::uint16_t usbVendor = 0;
  std::uint16_t usbProduct = 0;
  std::string serialNumber;
  std::string manufacturer;
  std::string product;  // the device's product string or description
  // Filled by assessPortAccess.
  PortAccess access = PortAccess::Unknown;
  PortHolder holder;  // with Busy, when the system can tell
};

// A port list that could not be read. The list is then empty: there is no fallback to
// another source, which would offer ports under the names the user meant for others.
struct PortListError {
  std::string source;  // what could not be read, e.g. the directory TORMISAPLEX_PORTS names
  int error = 0;       // the system's error code
};

struct PortList {
  std::vector<PortEntry> ports;  // ascending COM number; on Windows the registry's own order
  std::optional<PortListError> error;
};

// The ports of the machine, or of the TORMISAPLEX_PORTS directory when that is set. Cheap,
// opens no port, and leaves access Unknown.
PortList serialPortList();

// Fills access and holder of each entry, still without opening any port.
void assessPortAccess(std::vector<PortEntry>& ports);

// The entry of a port name read as ComName reads it (so "com3", " COM3" and "\\.\COM3" find
// COM3, while "COM03" and "COM1x" find nothing). nullptr if there is none.
const PortEntry* findPort(const PortList& list, std::string_view name);

// The entry a user means by `nameOrPath`: a COM name as findPort reads it, or any path of
// the system that leads to the same device as an entry's path (a symlink such as
// /dev/serial/by-id/..., the device itself behind a map entry, "\\.\COM3"). nullptr if none.
const PortEntry* resolvePort(const PortList& list, const std::string& nameOrPath);

// True when the two paths lead to the same device (system-specific).
bool samePortPath(const std::string& a, const std::string& b);

// One line in English for standard error, without a line end.
std::string describePortListError(const PortListError& error);

}  // namespace hi
