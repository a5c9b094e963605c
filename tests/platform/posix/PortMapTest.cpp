#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>

#include "platform/PortMap.h"
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
  std::ofstream(path) << text;
}

}  // namespace

TEST(PortMap, DirectoryEntriesInAscendingNumberWithOddNamesLeftOut) {
  hi::test::PortsDirectory dir;
  for (const char* entry :
       {"COM10", "COM2", "COM255", "COM256", "COM0", "COM02", "COMx", "COM1x", "com5", "ttyUSB0"}) {
    ASSERT_TRUE(dir.add(entry, "/dev/null"));
  }
  std::ofstream(dir.path() + "/COM3") << "a regular file is no port";
  fs::create_directory(dir.path() + "/COM4");
  ASSERT_EQ(::mknod((dir.path() + "/COM7").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);

  const std::vector<PortEntry> ports = hi::serialPortMap();
  EXPECT_EQ(names(ports), (std::vector<std::string>{"COM2", "COM7", "COM10", "COM255"}));
  EXPECT_EQ(ports[0].number, 2);
  EXPECT_EQ(ports[0].path, dir.path() + "/COM2");

  EXPECT_EQ(hi::serialPortPath("com10"), dir.path() + "/COM10");
  EXPECT_EQ(hi::serialPortPath("COM255"), dir.path() + "/COM255");
  for (const char* absent : {"COM1x", "COM02", "COM3", "COM4", "COM5", "COM"}) {
    EXPECT_FALSE(hi::serialPortPath(absent).has_value()) << absent;
  }
}

// The first number of each kind comes through the sysfs test below; here the ends of the ranges.
TEST(PortMap, KernelTtyNamesFollowTheFixedTable) {
  EXPECT_EQ(hi::comNumberForTty("ttyS31"), 32);
  EXPECT_EQ(hi::comNumberForTty("ttyS32"), 0);
  EXPECT_EQ(hi::comNumberForTty("ttyUSB31"), 64);
  EXPECT_EQ(hi::comNumberForTty("ttyAMA15"), 112);
  EXPECT_EQ(hi::comNumberForTty("ttyAMA16"), 0);
  EXPECT_EQ(hi::comNumberForTty("rfcomm15"), 128);
  for (const char* other : {"tty0", "ttyUSB", "ttyUSB01", "ttySAC0", "ttyS-1", "console"}) {
    EXPECT_EQ(hi::comNumberForTty(other), 0) << other;
  }
}

TEST(PortMap, SysfsListsPresentPortsAndSkipsEmptyUartSlots) {
  const fs::path root = fs::temp_directory_path() / ("portmap-sysfs-" + std::to_string(::getpid()));
  fs::remove_all(root);
  writeFile(root / "ttyS0" / "type", "4\n");
  writeFile(root / "ttyS1" / "type", "0\n");  // no UART behind this slot
  writeFile(root / "ttyS3" / "type", "4\n");
  for (const char* tty : {"ttyUSB1", "ttyACM0", "rfcomm2", "ttyAMA0", "tty7", "ttyUSB40"}) {
    fs::create_directories(root / tty);
  }
  const std::vector<PortEntry> ports = hi::portMapFromSysfs(root.string(), "/dev");
  EXPECT_EQ(names(ports),
            (std::vector<std::string>{"COM1", "COM4", "COM34", "COM65", "COM97", "COM115"}));
  EXPECT_EQ(ports[2].path, "/dev/ttyUSB1");
  fs::remove_all(root);
}

TEST(PortMap, NoVariableOrNoDirectoryMeansTheMachinesPorts) {
  hi::test::PortsDirectory dir;
  ASSERT_TRUE(dir.link(1, "/dev/null"));
  ::setenv(hi::PortsDirVariable, (dir.path() + "/missing").c_str(), 1);
  EXPECT_EQ(names(hi::serialPortMap()), names(hi::portMapFromSysfs("/sys/class/tty", "/dev")));
}
