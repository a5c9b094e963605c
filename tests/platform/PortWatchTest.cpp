// The port watch: which directories it follows, and that it reports what changes in them.
#include "platform/PortWatch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "platform/posix/LinuxPorts.h"
#include "tests/support/PseudoTerminal.h"

namespace fs = std::filesystem;

namespace {

// Counts the watch's reports and waits, generously, for the next one.
class Reports {
 public:
  hi::PortWatch::Changed callback() {
    return [this] {
      std::lock_guard lock(mutex_);
      ++count_;
      changed_.notify_all();
    };
  }
  int count() {
    std::lock_guard lock(mutex_);
    return count_;
  }
  bool waitBeyond(int seen) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return count_ > seen; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
};

}  // namespace

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

TEST(PortWatch, ReportsEntriesAndDevicesThatComeAndGoUntilItIsDestroyed) {
  hi::test::PortsDirectory map;
  hi::test::PseudoTerminal adapter;
  ASSERT_TRUE(adapter.ok());
  ASSERT_TRUE(map.link(1, adapter.slavePath()));
  Reports reports;
  auto watch = hi::PortWatch::start(reports.callback());

  ASSERT_TRUE(map.link(7, "/dev/null"));  // an entry comes
  ASSERT_TRUE(reports.waitBeyond(0));
  int seen = reports.count();
  ASSERT_EQ(::unlink((map.path() + "/COM7").c_str()), 0);  // and goes
  ASSERT_TRUE(reports.waitBeyond(seen));
  seen = reports.count();
  adapter.closeMaster();  // the device behind COM1 goes, the entry stays
  ASSERT_TRUE(reports.waitBeyond(seen));

  // What a window hears of the system is handed on, on the caller's thread.
  seen = reports.count();
  hi::reportDevicesChanged();
  EXPECT_EQ(reports.count(), seen + 1);
  watch.reset();
  hi::reportDevicesChanged();
  EXPECT_EQ(reports.count(), seen + 1);
}
