// What a character device is, told from sysfs: the kernel's console and devices that are no
// terminal must not be offered as free serial ports.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>

#include "platform/PortMap.h"
#include "platform/SerialPort.h"
#include "platform/posix/LinuxPorts.h"
#include "tests/support/PseudoTerminal.h"

namespace fs = std::filesystem;
using hi::CharDeviceKind;

namespace {

// /sys/dev/char/<major>:<minor> links into the device tree, whose entries link their class.
class FakeSysDevChar {
 public:
  FakeSysDevChar() {
    char templ[] = "/tmp/tormisaplex-sysdev-XXXXXX";
    if (::mkdtemp(templ) != nullptr) root_ = templ;
    fs::create_directories(root_ / "dev" / "char");
    sources.sysDevChar = (root_ / "dev" / "char").string();
    sources.consoles = (root_ / "console-active").string();
  }
  ~FakeSysDevChar() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  void device(unsigned major, unsigned minor, const std::string& path, const std::string& cls) {
    const fs::path dir = root_ / "devices" / path;
    fs::create_directories(dir);
    fs::create_directories(root_ / "class" / cls);
    fs::create_directory_symlink(root_ / "class" / cls, dir / "subsystem");
    fs::create_directory_symlink(
        dir, root_ / "dev" / "char" / (std::to_string(major) + ":" + std::to_string(minor)));
  }
  void consoles(const std::string& text) { std::ofstream(sources.consoles) << text << "\n"; }

  hi::HolderSources sources;

 private:
  fs::path root_;
};

}  // namespace

TEST(CharDeviceKind, ConsolesAndNonTerminalsAreToldFromSerialPorts) {
  FakeSysDevChar sys;
  sys.device(4, 64, "platform/serial8250/tty/ttyS0", "tty");
  sys.device(4, 65, "platform/serial8250/tty/ttyS1", "tty");
  sys.device(4, 1, "virtual/tty/tty1", "tty");
  sys.device(5, 1, "virtual/tty/console", "tty");
  sys.device(188, 0, "pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0/tty/ttyUSB0", "tty");
  sys.device(1, 3, "virtual/mem/null", "mem");
  sys.consoles("tty0 ttyS0");

  EXPECT_EQ(hi::charDeviceKind(::makedev(4, 64), sys.sources), CharDeviceKind::Console);
  EXPECT_EQ(hi::charDeviceKind(::makedev(4, 65), sys.sources), CharDeviceKind::Tty);
  EXPECT_EQ(hi::charDeviceKind(::makedev(188, 0), sys.sources), CharDeviceKind::Tty);
  // Virtual consoles and /dev/console itself, whatever the kernel's console list says.
  EXPECT_EQ(hi::charDeviceKind(::makedev(4, 1), sys.sources), CharDeviceKind::Console);
  EXPECT_EQ(hi::charDeviceKind(::makedev(5, 1), sys.sources), CharDeviceKind::Console);
  EXPECT_EQ(hi::charDeviceKind(::makedev(1, 3), sys.sources), CharDeviceKind::Other);
  // Pseudo-terminals have no sysfs entry: nothing is known, nothing is refused.
  EXPECT_EQ(hi::charDeviceKind(::makedev(136, 7), sys.sources), CharDeviceKind::Unknown);

  // console=ttyS1 moves the console; a missing list leaves only the virtual consoles.
  sys.consoles("ttyS1");
  EXPECT_EQ(hi::charDeviceKind(::makedev(4, 64), sys.sources), CharDeviceKind::Tty);
  EXPECT_EQ(hi::charDeviceKind(::makedev(4, 65), sys.sources), CharDeviceKind::Console);
  fs::remove(sys.sources.consoles);
  EXPECT_EQ(hi::charDeviceKind(::makedev(4, 65), sys.sources), CharDeviceKind::Tty);
}

TEST(CharDeviceKind, ANullDeviceInThePortMapIsNeitherListedFreeNorOpened) {
  struct stat null {};
  ASSERT_EQ(::stat("/sys/dev/char/1:3", &null), 0) << "no sysfs here";
  hi::test::PortsDirectory ports;
  ASSERT_TRUE(ports.link(3, "/dev/null"));
  hi::PortList list = hi::serialPortList();
  ASSERT_EQ(list.ports.size(), 1u);
  hi::assessPortAccess(list.ports);
  EXPECT_EQ(list.ports[0].access, hi::PortAccess::NotSerial);
  const hi::SerialPort::OpenResult r = hi::SerialPort::open("COM3");
  EXPECT_FALSE(r.port);
  EXPECT_EQ(r.failure.kind, hi::OpenFailureKind::NotSerial);
}
