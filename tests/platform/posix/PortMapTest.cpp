#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/PortMap.h"
#include "platform/posix/LinuxPorts.h"
#include "tests/support/PseudoTerminal.h"

namespace fs = std::filesystem;
using hi::PortEntry;

namespace {

std::vector<std::string> names(const std::vector<PortEntry>& ports) {
  std::vector<std::string> out;
  for (const PortEntry& p : ports) out.push_back(p.name);
  return out;
}

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text << "\n";
}

// A throw-away directory tree.
class TempTree {
 public:
  TempTree() {
    char templ[] = "/tmp/tormisaplex-tree-XXXXXX";
    if (::mkdtemp(templ) != nullptr) root_ = templ;
  }
  ~TempTree() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  const fs::path& root() const { return root_; }

 private:
  fs::path root_;
};

// A fake /sys: class/tty entries as the kernel links them into the device tree.
class FakeSysfs : public TempTree {
 public:
  fs::path classTty() const { return root() / "class" / "tty"; }

  // A tty whose device is `deviceDir` (relative to devices/), served by `driver`.
  void tty(const std::string& name, const std::string& deviceDir, const std::string& driver = {}) {
    const fs::path device = root() / "devices" / deviceDir;
    fs::create_directories(device);
    if (!driver.empty()) {
      fs::create_directories(root() / "bus" / "drivers" / driver);
      fs::create_directory_symlink(root() / "bus" / "drivers" / driver, device / "driver");
    }
    const fs::path ttyDir = device / "tty" / name;
    fs::create_directories(ttyDir);
    fs::create_directory_symlink(device, ttyDir / "device");
    fs::create_directories(classTty());
    fs::create_directory_symlink(ttyDir, classTty() / name);
  }
  // A tty without a device behind it (a console, a pty master, an unbound port).
  void virtualTty(const std::string& name) { fs::create_directories(classTty() / name); }
  void attribute(const fs::path& dir, const std::string& name, const std::string& value) {
    writeFile(root() / "devices" / dir / name, value);
  }
};

}  // namespace

TEST(PortMap, TheFixedTableAndStableNumbersForEveryOtherDriver) {
  EXPECT_EQ(hi::comNumberForTty("ttyS0"), 1);
  EXPECT_EQ(hi::comNumberForTty("ttyS31"), 32);
  EXPECT_EQ(hi::comNumberForTty("ttyUSB0"), 33);
  EXPECT_EQ(hi::comNumberForTty("ttyACM31"), 96);
  EXPECT_EQ(hi::comNumberForTty("ttyAMA15"), 112);
  EXPECT_EQ(hi::comNumberForTty("rfcomm15"), 128);
  for (const char* other : {"ttyS32", "ttyAMA16", "ttyUSB01", "ttyUSB", "ttySAC0", "console"}) {
    EXPECT_EQ(hi::comNumberForTty(other), 0) << other;
  }

  // Names outside the table, and kernel numbers past its ranges, get COM129 on in the order
  // of their names, whatever order the directory gives them in.
  std::vector<std::string> ttys = {"ttyXRUSB10", "ttyUSB0",      "ttyXRUSB2", "ttyUSB40",
                                   "ttymxc0",    "ttyCH343USB0", "ttyS1"};
  const std::vector<int> numbers = hi::comNumbersForTtys(ttys);
  EXPECT_EQ(numbers, (std::vector<int>{132, 33, 131, 130, 133, 129, 2}));
  std::reverse(ttys.begin(), ttys.end());
  std::vector<int> reversed = hi::comNumbersForTtys(ttys);
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(reversed, numbers);

  // Past COM255 a device has no name.
  std::vector<std::string> many;
  for (int k = 0; k < 130; ++k) many.push_back("ttyGS" + std::to_string(k));
  const std::vector<int> crowded = hi::comNumbersForTtys(many);
  EXPECT_EQ(crowded[126], 255);
  EXPECT_EQ(crowded[127], 0);
}

TEST(PortMap, SysfsListsTtysWithADeviceAndOnlyRealUarts) {
  FakeSysfs sys;
  sys.tty("ttyS0", "pnp0/00:04/00:04:0/00:04:0.0", "port");  // the serial core's port device
  sys.attribute("pnp0/00:04/00:04:0/00:04:0.0/tty/ttyS0", "type", "4");
  fs::create_directories(sys.root() / "bus" / "serial-base");
  fs::create_directory_symlink(sys.root() / "bus" / "serial-base",
                               sys.root() / "devices" / "pnp0/00:04/00:04:0/00:04:0.0/subsystem");
  fs::create_directory_symlink(sys.root() / "bus" / "serial-base",
                               sys.root() / "devices" / "pnp0/00:04/00:04:0/subsystem");
  fs::create_directories(sys.root() / "bus" / "drivers" / "serial");
  fs::create_directory_symlink(sys.root() / "bus" / "drivers" / "serial",
                               sys.root() / "devices" / "pnp0/00:04/driver");
  sys.tty("ttyS1", "platform/serial8250", "serial8250");  // a slot with no UART behind it
  sys.attribute("platform/serial8250/tty/ttyS1", "type", "0");

  const std::string usb = "pci0000:00/usb1/1-2";
  sys.tty("ttyUSB0", usb + "/1-2:1.0/ttyUSB0", "ftdi_sio");
  sys.attribute(usb, "idVendor", "0403");
  sys.attribute(usb, "idProduct", "6001");
  sys.attribute(usb, "serial", "A50285BI");
  sys.attribute(usb, "manufacturer", "FTDI");
  sys.attribute(usb, "product", "FT232R USB UART");
  sys.tty("ttyACM0", "pci0000:00/usb1/1-3/1-3:1.0", "cdc_acm");
  sys.attribute("pci0000:00/usb1/1-3", "idVendor", "2e8a");
  sys.attribute("pci0000:00/usb1/1-3", "idProduct", "000a");
  sys.tty("ttyCH343USB0", "pci0000:00/usb1/1-4/1-4:1.0", "usb_ch343");
  sys.virtualTty("rfcomm0");  // bound, not yet connected
  for (const char* v : {"tty0", "console", "ptmx", "ttyprintk"}) sys.virtualTty(v);

  const std::vector<PortEntry> ports = hi::portsFromSysfs(sys.classTty().string(), "/dev");
  ASSERT_EQ(names(ports), (std::vector<std::string>{"COM1", "COM33", "COM65", "COM113", "COM129"}));
  EXPECT_EQ(ports[0].driver, "serial");
  EXPECT_EQ(ports[0].usbVendor, 0);
  const PortEntry& ftdi = ports[1];
  EXPECT_EQ(ftdi.path, "/dev/ttyUSB0");
  EXPECT_EQ(ftdi.device, "ttyUSB0");
  EXPECT_EQ(ftdi.driver, "ftdi_sio");
  EXPECT_EQ(ftdi.usbVendor, 0x0403);
  EXPECT_EQ(ftdi.usbProduct, 0x6001);
  EXPECT_EQ(ftdi.serialNumber, "A50285BI");
  EXPECT_EQ(ftdi.manufacturer, "FTDI");
  EXPECT_EQ(ftdi.product, "FT232R USB UART");
  EXPECT_EQ(ports[2].driver, "cdc_acm");
  EXPECT_EQ(ports[2].usbProduct, 0x000a);
  EXPECT_EQ(ports[3].device, "rfcomm0");
  EXPECT_EQ(ports[4].device, "ttyCH343USB0");
  EXPECT_EQ(ports[4].driver, "usb_ch343");
}

TEST(PortMap, DirectoryEntriesOfEveryKindInAscendingNumber) {
  hi::test::PortsDirectory dir;
  for (const char* entry :
       {"COM10", "COM2", "COM255", "COM256", "COM0", "COM02", "COMx", "COM1x", "com5", "ttyUSB0"}) {
    ASSERT_TRUE(dir.add(entry, "/dev/null"));
  }
  // Listed too, so that choosing one says what is wrong with it.
  std::ofstream(dir.path() + "/COM3") << "a regular file is no port";
  ASSERT_EQ(::mkfifo((dir.path() + "/COM4").c_str(), 0600), 0);
  ASSERT_EQ(::mknod((dir.path() + "/COM7").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);

  const hi::PortList list = hi::serialPortList();
  EXPECT_FALSE(list.error);
  EXPECT_EQ(names(list.ports),
            (std::vector<std::string>{"COM2", "COM3", "COM4", "COM7", "COM10", "COM255"}));
  EXPECT_EQ(list.ports[0].path, dir.path() + "/COM2");
  EXPECT_EQ(list.ports[0].device, "null");  // the link's target below /dev

  ASSERT_NE(hi::findPort(list, "com10"), nullptr);
  EXPECT_EQ(hi::findPort(list, "com10")->path, dir.path() + "/COM10");
  for (const char* absent : {"COM1x", "COM02", "COM5", "COM", "COM1"}) {
    EXPECT_EQ(hi::findPort(list, absent), nullptr) << absent;
  }
}

TEST(PortMap, AMapThatCannotBeReadIsAnErrorWithoutFallback) {
  hi::test::PortsDirectory dir;
  const std::string file = dir.path() + "/not-a-directory";
  std::ofstream(file) << "x";
  for (const auto& [value, error] : {std::pair{dir.path() + "/missing", ENOENT},
                                     std::pair{file, ENOTDIR}}) {
    ::setenv(hi::PortsDirVariable, value.c_str(), 1);
    const hi::PortList list = hi::serialPortList();
    ASSERT_TRUE(list.error) << value;
    EXPECT_EQ(list.error->source, value);
    EXPECT_EQ(list.error->error, error);
    EXPECT_TRUE(list.ports.empty());
    const std::string line = hi::describePortListError(*list.error);
    EXPECT_NE(line.find(value + " is not a readable directory"), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos);
  }
}
