// Several devices on one machine: browsing the port list reaches none of them; a pick from
// the list or Enter reaches exactly the one chosen.
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>

#include "tests/app/EndToEndSupport.h"
#include "tests/support/OpenWatch.h"
#include "window/KeyCodes.h"

using namespace hi;
using namespace hi::test;

namespace {

class PortChoice : public EndToEnd {
 protected:
  // Devices "11", "22" and "33" on COM1, COM2 and COM3 of one port map.
  void SetUp() override {
    char dirTemplate[] = "/tmp/tormisaplex-ports-XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    dir = dirTemplate;
    for (unsigned com = 1; com <= 3; ++com) {
      devsim::Options o;
      o.portsDir = dir;
      o.com = com;
      o.device.device = std::to_string(com * 11);
      std::string error;
      devices.push_back(devsim::Simulator::create(std::move(o), error));
      ASSERT_TRUE(devices.back()) << error;
      devices.back()->start();
    }
    usePortMap(dir);
    for (unsigned com = 1; com <= 3; ++com) {
      char node[PATH_MAX];
      const std::string link = dir + "/COM" + std::to_string(com);
      ASSERT_NE(::realpath(link.c_str(), node), nullptr) << link;
      ASSERT_TRUE(watches[com - 1].watch(node)) << node;
    }
    startProgram();
    ASSERT_EQ(listed("COM3"), 2);
  }
  void TearDown() override {
    EndToEnd::TearDown();
    for (auto& d : devices) {
      d->requestStop();
      d->waitFinished(10s);
    }
    devices.clear();
    ::rmdir(dir.c_str());
  }

  // How often each device's port was opened since the last look. The kernel counts the
  // opens, so a quick open and close is never missed.
  std::vector<int> opened() {
    std::vector<int> counts;
    for (OpenWatch& w : watches) counts.push_back(w.opens());
    return counts;
  }
  // What each device received: 1 for "VERS" alone, 0 for nothing at all.
  std::vector<unsigned> received() const {
    std::vector<unsigned> counts;
    for (const auto& d : devices) {
      const devsim::DeviceState s = d->report().device;
      counts.push_back(s.versQueries + static_cast<unsigned>(s.bytesBeforeVers + s.imageBytes));
    }
    return counts;
  }

  std::string dir;
  std::array<OpenWatch, 3> watches;
  std::vector<std::unique_ptr<devsim::Simulator>> devices;
};

}  // namespace

TEST_F(PortChoice, TheWheelAndArrowsReachNoDeviceEnterReachesTheOneShown) {
  THIComboBox& box = *scheme->PortBox;
  hands().wheel(box, -120);
  hands().wheel(box, -120);
  hands().key(box, VkDown);
  hands().key(box, VkUp);
  idle(300ms);
  EXPECT_EQ(hands().text(box), "COM2");
  EXPECT_EQ(opened(), (std::vector<int>{0, 0, 0}));  // listing and browsing open nothing
  EXPECT_EQ(received(), (std::vector<unsigned>{0, 0, 0}));

  hands().key(box, VkReturn);
  ASSERT_TRUE(waitFor([&] { return identified(); }, kLong)) << status();
  EXPECT_EQ(status(), utf8("Устройство: 22   Текущая версия ПО: 4.2"));
  EXPECT_EQ(received(), (std::vector<unsigned>{0, 1, 0}));
  EXPECT_EQ(opened(), (std::vector<int>{0, 1, 0}));
}

TEST_F(PortChoice, AMousePickReachesExactlyThePickedDevice) {
  choosePort("COM3");
  ASSERT_TRUE(waitFor([&] { return identified(); }, kLong)) << status();
  EXPECT_EQ(status(), utf8("Устройство: 33   Текущая версия ПО: 4.2"));
  EXPECT_EQ(received(), (std::vector<unsigned>{0, 0, 1}));
  EXPECT_EQ(opened(), (std::vector<int>{0, 0, 1}));
}
