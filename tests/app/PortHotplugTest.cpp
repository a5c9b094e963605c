// Adapters plugged in and pulled out while the program runs: the port list follows them
// until a device is identified, without opening any port.
#include <unistd.h>

#include "app/hiMultiElementEx_2289CE0.h"
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
    ASSERT_TRUE(first.ok() && second.ok());
    ASSERT_TRUE(ports.link(1, first.slavePath()));
    ASSERT_TRUE(opens.watch(first.slavePath()) && opens.watch(second.slavePath()));
  }
  Names portList() const {
    Names names;
    for (int i = 0; i < scheme->PortBox->combo()->count(); ++i) {
      names.push_back(scheme->PortBox->combo()->itemText(i));
    }
    return names;
  }
  bool listsOnly(const Names& names) {
    return waitFor([&] { return portList() == names; }, kLong);
  }
  std::string shownPort() const { return hands().text(*scheme->PortBox); }
  void unplug(int com) {
    ASSERT_EQ(::unlink((ports.path() + "/COM" + std::to_string(com)).c_str()), 0);
  }
  std::string gone(const char* port) const {
    return std::string(port) + ": " + utf8("устройство отключено от компьютера.");
  }

  PortsDirectory ports;
  PseudoTerminal first, second;
  OpenWatch opens;  // the opens of both devices
};

}  // namespace

TEST_F(PortHotplug, PortsComeAndGoAsTheSystemTellsAndAsTheListOpensTheChoiceStays) {
  startProgram();
  choosePort("COM1");  // opens it; no device answers, so the choice stays open
  ASSERT_EQ(opens.opens(), 1);

  ASSERT_TRUE(ports.link(2, second.slavePath()));  // the system tells
  ASSERT_TRUE(listsOnly({"COM1", "COM2"}));
  EXPECT_EQ(shownPort(), "COM1");
  unplug(2);
  ASSERT_TRUE(listsOnly({"COM1"}));

  // Without the system's notices, opening the list is enough.
  TData none;
  scheme->SerialPort->doStopWatch(none, 7);
  ASSERT_TRUE(ports.link(2, second.slavePath()));
  hands().openList(*scheme->PortBox);
  EXPECT_EQ(portList(), (Names{"COM1", "COM2"}));
  EXPECT_EQ(shownPort(), "COM1");
  EXPECT_EQ(scheme->PortBox->combo()->current(), 0);
  EXPECT_TRUE(scheme->SerialPort->isOpen());
  EXPECT_EQ(opens.opens(), 0);
}

TEST_F(PortHotplug, AnOpenPortPulledAwayBeforeWritingSaysSoAndLeavesTheList) {
  ASSERT_TRUE(ports.link(2, second.slavePath()));
  startProgram();
  choosePort("COM1");
  first.closeMaster();
  ASSERT_TRUE(waitFor([&] { return status() == gone("COM1"); }, kLong)) << status();
  settle();
  // The port said why; "no device" does not overwrite it two seconds after "VERS".
  auto* query = scheme->QueryBox->currentGraph<TClassMultiElementEx_2289CE0>();
  EXPECT_FALSE(query->AnswerTimer->running());
  ASSERT_TRUE(listsOnly({"COM2"}));
  EXPECT_EQ(shownPort(), "");
  EXPECT_TRUE(portListEnabled());
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

  device->requestStop();  // its end closes and its entry leaves the port map
  ASSERT_TRUE(waitFor([&] { return status() == gone("COM2"); }, kLong)) << status();
  settle();
  EXPECT_FALSE(writeEnabled());  // an upload could only fail
  EXPECT_EQ(portList(), (Names{"COM1", "COM2"}));
  EXPECT_FALSE(portListEnabled());
}
