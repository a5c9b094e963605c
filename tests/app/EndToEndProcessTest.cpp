// The simulator as the separate process a user starts, on a port map of its own.
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/app/EndToEndSupport.h"
#include "tests/support/ChildProcess.h"

using namespace hi;
using namespace hi::test;

TEST_F(EndToEnd, AnUploadToTheSimulatorAsASeparateProcess) {
  char dirTemplate[] = "/tmp/tormisaplex-e2e-XXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::string dir = dirTemplate;
  const std::string saved = dir + "/receivedImage.bin";
  {
    ChildProcess simulator(TORMISAPLEX_DEVSIM_BINARY,
                           {"--ports", dir, "--com", "12", "--save", saved});
    ASSERT_TRUE(simulator.started());
    std::istringstream ready(simulator.line(kLong));
    std::string com;
    ready >> com;
    ASSERT_EQ(com, "COM12");
    usePortMap(dir);

    startProgram();
    choosePortAndWaitForIdentification("COM12");
    pressWrite();
    ASSERT_TRUE(waitFor([&] { return successShown(); }, kUpload));
    pressOk();
    EXPECT_FALSE(scheme->SerialPort->isOpen());

    // "VERS", the whole image with every CRC matched, then "PUSK": the device is satisfied.
    EXPECT_EQ(simulator.wait(kLong), 0) << simulator.errorText();
  }
  std::ifstream file(saved, std::ios::binary);
  const std::string receivedImage((std::istreambuf_iterator<char>(file)), {});
  EXPECT_TRUE(receivedImage == embeddedImage());
  std::remove(saved.c_str());
  ::rmdir(dir.c_str());
}
