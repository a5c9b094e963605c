// Adapters plugged in and pulled out while the program runs: the port list follows them
// until a device is identified, without opening any port.
#include <unistd.h>

#include "platform/PortWatch.h"
#include "tests/app/EndToEndSupport.h"
#include "tests/support/OpenWatch.h"
#include "tests/support/PseudoTerminal.h"

using namespace hi;
using namespace hi::test;

namespace {

using Names = std::vector<std::string>;

class PortHotplug : public EndToEnd {
 protected:
  void SetUp() override {
    ASSERT_TRUE(first.ok() && second.ok() && third.ok());
    ASSERT_TRUE(ports.link(1, first.slavePath()));
    for (const PseudoTerminal* p : {&first, &second, &third}) {
      ASSERT_TRUE(opens.watch(p->slavePath()));
    }
  }

  Names portList() const {
    Names names;
    const ComboDriver* box = scheme->PortBox->combo();
    for (int i = 0; i < box->count(); ++i) names.push_back(box->itemText(i));
    return names;
  }
  std::string shownPort() const { return hands().text(*scheme->PortBox); }
  void unplug(int com) {
    ASSERT_EQ(::unlink((ports.path() + "/COM" + std::to_string(com)).c_str()), 0);
  }

  PortsDirectory ports;
  PseudoTerminal first, second, third;
  OpenWatch opens;  // counts the opens of the three devices
};

const std::string kGone = "COM1: " + utf8("устройство отключено от компьютера.");

}  // namespace

TEST_F(PortHotplug, APortPluggedInIsOfferedTheNextTimeTheListOpensTheChoiceStays) {
  startProgram();
  // The system's own notices off: what follows comes from opening the list alone.
  TData none;
  scheme->SerialPort->doStopWatch(none, 6);

  ASSERT_TRUE(ports.link(2, second.slavePath()));
  hands().openList(*scheme->PortBox);
  EXPECT_EQ(portList(), (Names{"COM1", "COM2"}));

  choosePort("COM1");  // opens; no device answers, so the choice stays open
  ASSERT_TRUE(ports.link(3, third.slavePath()));
  unplug(2);
  hands().openList(*scheme->PortBox);
  EXPECT_EQ(portList(), (Names{"COM1", "COM3"}));
  EXPECT_EQ(shownPort(), "COM1");
  EXPECT_EQ(scheme->PortBox->combo()->current(), 0);
  EXPECT_TRUE(scheme->SerialPort->isOpen());
  EXPECT_EQ(opens.opens(), 1);  // the choice, nothing else
}

TEST_F(PortHotplug, ThePortListFollowsWhatTheSystemReportsWithoutOpeningAnything) {
  startProgram();
  choosePort("COM1");
  ASSERT_TRUE(waitFor([&] { return scheme->SerialPort->isOpen(); }, kLong));
  opens.opens();

  ASSERT_TRUE(ports.link(2, second.slavePath()));
  ASSERT_TRUE(waitFor(
      [&] {
        return portList() == Names{"COM1", "COM2"};
      },
      kLong))
      << portList().size();
  EXPECT_EQ(shownPort(), "COM1");
  unplug(2);
  ASSERT_TRUE(waitFor([&] { return portList() == Names{"COM1"}; }, kLong)) << portList().size();
  EXPECT_EQ(shownPort(), "COM1");
  EXPECT_EQ(scheme->PortBox->combo()->current(), 0);
  EXPECT_TRUE(scheme->SerialPort->isOpen());
  EXPECT_EQ(opens.opens(), 0);
}

TEST_F(PortHotplug, AnOpenPortPulledAwayBeforeWritingSaysSoAndLeavesTheList) {
  ASSERT_TRUE(ports.link(2, second.slavePath()));
  startProgram();
  choosePort("COM1");
  ASSERT_TRUE(waitFor([&] { return scheme->SerialPort->isOpen(); }, kLong));

  first.closeMaster();
  ASSERT_TRUE(waitFor([&] { return status() == kGone && portList() == Names{"COM2"}; }, kLong))
      << status();
  EXPECT_EQ(shownPort(), "");
  EXPECT_TRUE(portListEnabled());
  EXPECT_FALSE(writeEnabled());
}

TEST_F(PortHotplug, AfterIdentificationTheListIsLockedAndAPulledDeviceSaysSo) {
  devsim::Options o;
  o.portsDir = ports.path();
  o.com = 2;
  std::string error;
  device = devsim::Simulator::create(std::move(o), error);
  ASSERT_TRUE(device) << error;
  device->start();
  startProgram();
  choosePortAndWaitForIdentification("COM2");
  EXPECT_FALSE(scheme->SerialPort->watchingPorts());

  ASSERT_TRUE(ports.link(3, third.slavePath()));
  reportDevicesChanged();
  device->requestStop();  // the device's end closes and its port map entry goes
  ASSERT_TRUE(waitFor(
      [&] { return status() == "COM2: " + utf8("устройство отключено от компьютера."); }, kLong))
      << status();
  settle();
  EXPECT_EQ(portList(), (Names{"COM1", "COM2"}));
  EXPECT_EQ(shownPort(), "COM2");
  EXPECT_FALSE(portListEnabled());
}
