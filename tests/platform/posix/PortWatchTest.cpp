// Which directories the port watch follows. (What it reports is tested with the serial element
// and the program.)
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/LinuxPorts.h"
#include "tests/support/PseudoTerminal.h"

namespace fs = std::filesystem;

TEST(PortWatch, FollowsTheMapWhereItsEntriesLeadAndDirectoriesStillToCome) {
  hi::test::PortsDirectory map;
  const std::string root = map.path() + "/tree";
  fs::create_directories(root + "/dev");
  ASSERT_TRUE(map.link(1, root + "/dev/ttyUSB0"));                // a node not there now
  ASSERT_TRUE(map.link(2, root + "/dev/serial/by-id/usb-FTDI"));  // its directory neither
  ASSERT_TRUE(map.add("COM3", "tree/elsewhere/ttyACM0"));         // relative to the map

  const std::string dev = fs::canonical(root + "/dev").string();
  const std::string mapDir = fs::canonical(map.path()).string();
  EXPECT_EQ(hi::portWatchDirectories(map.path(), root + "/dev"),
            (std::vector<std::string>{mapDir, mapDir + "/tree", dev}));

  fs::create_directories(root + "/dev/serial/by-id");
  EXPECT_EQ(hi::portWatchDirectories(map.path(), root + "/dev"),
            (std::vector<std::string>{mapDir, mapDir + "/tree", dev, dev + "/serial/by-id"}));
  // Without a map, the device nodes alone.
  EXPECT_EQ(hi::portWatchDirectories("", root + "/dev"), (std::vector<std::string>{dev}));
}
