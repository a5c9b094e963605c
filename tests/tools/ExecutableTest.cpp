#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/ChildProcess.h"
#include "tests/tools/DevsimClient.h"
#include "tools/devsim/Device.h"

namespace hi::devsim {
namespace {

using test::blockReply;
using test::Client;
using test::kPatience;
using test::referenceCrc;

// tormisaplex-devsim as a separate process, the way a user starts it.
class Child : public hi::test::ChildProcess {
 public:
  explicit Child(std::vector<std::string> args)
      : ChildProcess(TORMISAPLEX_DEVSIM_BINARY, std::move(args)) {}
  std::string line() { return ChildProcess::line(kPatience); }
  int wait() { return ChildProcess::wait(kPatience); }
};

struct ReadyLine {
  std::string com, device, dir;
};

ReadyLine parseReady(const std::string& line) {
  std::istringstream in(line);
  ReadyLine r;
  in >> r.com >> r.device >> r.dir;
  return r;
}

bool linkExists(const std::string& path) {
  return std::filesystem::exists(std::filesystem::symlink_status(path));
}

TEST(ExecutableTest, WholeUploadExitsZeroWithItsSummary) {
  test::TempDir dir;
  const std::string saved = dir.path() + "/saved.bin";
  Child child({"--ports", dir.path(), "--com", "7", "--save", saved});
  ASSERT_TRUE(child.started());
  const ReadyLine ready = parseReady(child.line());
  EXPECT_EQ(ready.com, "COM7");
  EXPECT_EQ(ready.dir, dir.path());
  const std::string link = dir.path() + "/COM7";
  ASSERT_EQ(std::filesystem::read_symlink(link), ready.device);

  const std::vector<std::uint8_t> image = test::testImage();
  {
    Client client(link);
    ASSERT_TRUE(client.send("VERS"));
    ASSERT_EQ(client.receive(18), "TORMISAPLEX 10 4.2");
    std::uint16_t crc = 0xFFFF;
    for (std::size_t k = 0; k < kBlockCount; ++k) {
      const std::uint8_t* block = image.data() + k * kBlockSize;
      ASSERT_TRUE(client.send(block, kBlockSize));
      crc = referenceCrc(block, kBlockSize, crc);
      const std::string want = blockReply(crc, k + 1 == kBlockCount);
      ASSERT_EQ(client.receive(want.size()), want) << "block " << k;
    }
    ASSERT_TRUE(client.send("PUSK"));
  }
  const std::string summary = child.line();
  EXPECT_EQ(child.wait(), 0) << summary;
  EXPECT_EQ(summary.rfind("devsim COM7: OK: upload complete; VERS 1, image 260096/260096 bytes, "
                          "1016 replies, CRC ",
                          0),
            0u)
      << summary;
  EXPECT_FALSE(linkExists(link));
  std::ifstream file(saved, std::ios::binary);
  EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {}), image);
}

TEST(ExecutableTest, SignalEndsItNonZeroAndRemovesItsPortMap) {
  for (int sig : {SIGTERM, SIGINT}) {
    Child child({});
    ASSERT_TRUE(child.started());
    const ReadyLine ready = parseReady(child.line());
    ASSERT_EQ(ready.com, "COM1");
    ASSERT_TRUE(linkExists(ready.dir + "/COM1"));
    child.signal(sig);
    EXPECT_EQ(child.line(),
              "devsim COM1: FAIL: no VERS received; stopped; VERS 0, image 0/260096 "
              "bytes, 0 replies, CRC FFFF, PUSK no");
    EXPECT_EQ(child.wait(), 1);
    EXPECT_FALSE(linkExists(ready.dir + "/COM1"));
    EXPECT_FALSE(std::filesystem::exists(ready.dir)) << "the temporary port map stays behind";
  }
}

TEST(ExecutableTest, ATimeoutEndsTheSessionByItself) {
  test::TempDir dir;
  Child child({"--ports", dir.path(), "--timeout", "0.2"});
  ASSERT_FALSE(child.line().empty());
  EXPECT_NE(child.line().find("FAIL: no VERS received; timed out"), std::string::npos);
  EXPECT_EQ(child.wait(), 1);
}

TEST(ExecutableTest, VersionPrintsTheProjectVersionAndStartsNoDevice) {
  test::TempDir dir;
  Child child({"--ports", dir.path(), "--version"});
  EXPECT_EQ(child.line(), "tormisaplex-devsim " TORMISAPLEX_PROJECT_VERSION);
  EXPECT_EQ(child.wait(), 0);
  EXPECT_FALSE(linkExists(dir.path() + "/COM1"));
}

TEST(ExecutableTest, BadCommandLineAndTakenPortHaveTheirOwnStatus) {
  Child bad({"--fault", "louder"});
  EXPECT_EQ(bad.wait(), 2);
  EXPECT_NE(bad.errorText().find("unknown fault \"louder\""), std::string::npos);

  test::TempDir dir;
  std::filesystem::create_symlink("/dev/null", dir.path() + "/COM3");
  Child taken({"--ports", dir.path(), "--com", "3"});
  EXPECT_EQ(taken.wait(), 3);
  EXPECT_NE(taken.errorText().find("is taken"), std::string::npos);
  EXPECT_TRUE(linkExists(dir.path() + "/COM3"));
}

}  // namespace
}  // namespace hi::devsim
