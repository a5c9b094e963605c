// What the status line says when a chosen port does not open, or no port can be listed.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/app/EndToEndSupport.h"
#include "tests/support/DeviceHolder.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/Unprivileged.h"

using namespace hi;
using namespace hi::test;

namespace {

class PortErrors : public EndToEnd {
 protected:
  // Chooses the port and returns what the status line then says; the port stays closed
  // and another may be chosen.
  std::string statusAfterChoosing(const char* name) {
    choosePort(name);
    settle();
    EXPECT_FALSE(scheme->SerialPort->isOpen()) << name;
    EXPECT_TRUE(portListEnabled()) << name;
    return status();
  }

  PortsDirectory ports;
};

}  // namespace

TEST_F(PortErrors, EachPortThatDoesNotOpenSaysWhyInTheStatusLine) {
  PseudoTerminal forbidden, held, unplugged;
  ASSERT_TRUE(ports.link(1, forbidden.slavePath()));
  ASSERT_TRUE(ports.link(2, held.slavePath()));
  ASSERT_TRUE(ports.link(3, unplugged.slavePath()));
  ASSERT_EQ(::mkfifo((ports.path() + "/COM5").c_str(), 0600), 0);
  DeviceHolder holder(held.slavePath(), DeviceHolder::Lock);
  ASSERT_TRUE(holder.holding());
  startProgram();
  ASSERT_EQ(scheme->PortBox->combo()->count(), 4);  // every one of them is listed

  EXPECT_EQ(statusAfterChoosing("COM2"),
            utf8("COM2: занят программой ") + thisProgramName() + " (PID " +
                std::to_string(holder.pid()) + ").");
  EXPECT_EQ(statusAfterChoosing("COM5"), utf8("COM5: это не последовательный порт."));

  // Pulled out while the list is open: the list shows it still, the open says it went.
  pickFromOpenList("COM3", [&] { unplugged.closeMaster(); });
  settle();
  EXPECT_FALSE(scheme->SerialPort->isOpen());
  EXPECT_EQ(status(), utf8("COM3: устройство отключено от компьютера."));

  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a user outside dialout";
  ASSERT_EQ(::chmod(ports.path().c_str(), 0755), 0);
  ASSERT_EQ(::chown(forbidden.slavePath().c_str(), 0, 20), 0);  // root:dialout
  ASSERT_EQ(::chmod(forbidden.slavePath().c_str(), 0660), 0);
  AsUnprivilegedUser user;
  ASSERT_TRUE(user.active());
  EXPECT_EQ(statusAfterChoosing("COM1"),
            utf8("COM1: нет прав: нужны группа dialout и новый вход."));
}

TEST_F(PortErrors, AnUnreadablePortMapListsNothingAndSaysSo) {
  usePortMap(ports.path() + "/missing");
  startProgram();
  EXPECT_EQ(scheme->PortBox->combo()->count(), 0);
  EXPECT_EQ(status(), utf8("TORMISAPLEX_PORTS: нет такой папки."));
}
