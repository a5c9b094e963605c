#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/tools/DevsimClient.h"
#include "tools/devsim/Device.h"

extern char** environ;

namespace hi::devsim {
namespace {

using test::blockReply;
using test::Client;
using test::kPatience;
using test::referenceCrc;

// tormisaplex-devsim as a separate process, the way a user starts it.
class Child {
 public:
  explicit Child(std::vector<std::string> args) {
    args.insert(args.begin(), TORMISAPLEX_DEVSIM_BINARY);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // The next line of standard output, without its line end; empty when none came in time.
  std::string line() {
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (buffered_.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
      pollfd pfd{out_, POLLIN, 0};
      if (::poll(&pfd, 1, 100) <= 0) continue;
      char buf[512];
      const ssize_t n = ::read(out_, buf, sizeof buf);
      if (n <= 0) break;
      buffered_.append(buf, static_cast<std::size_t>(n));
    }
    const std::size_t nl = buffered_.find('\n');
    if (nl == std::string::npos) return {};
    std::string text = buffered_.substr(0, nl);
    buffered_.erase(0, nl + 1);
    return text;
  }

  std::string errorText() {
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = ::read(err_, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    return text;
  }

  // The exit status, or -1 when it did not end in time or ended by a signal.
  int wait() {
    const auto end = std::chrono::steady_clock::now() + kPatience;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      ::poll(nullptr, 0, 20);
    }
    return -1;
  }

  void signal(int sig) { ::kill(pid_, sig); }
  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string buffered_;
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

TEST(ExecutableTest, TimeoutAndHangUpEndTheSession) {
  test::TempDir dir;
  {
    Child child({"--ports", dir.path(), "--timeout", "0.2"});
    ASSERT_FALSE(child.line().empty());
    EXPECT_NE(child.line().find("FAIL: no VERS received; timed out"), std::string::npos);
    EXPECT_EQ(child.wait(), 1);
  }
  {
    Child child({"--ports", dir.path(), "--fault", "hang-up=0"});
    const ReadyLine ready = parseReady(child.line());
    Client client(dir.path() + "/COM1");
    ASSERT_TRUE(client.send("VERS"));
    ASSERT_EQ(client.receive(18).size(), 18u);
    const std::vector<std::uint8_t> image = test::testImage(kBlockSize);
    ASSERT_TRUE(client.send(image.data(), image.size()));
    EXPECT_TRUE(client.waitHangUp());
    EXPECT_NE(child.line().find("FAIL: hung up after block 0 (fault hang-up)"), std::string::npos);
    EXPECT_EQ(child.wait(), 1);
    EXPECT_FALSE(linkExists(dir.path() + "/COM1"));
  }
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
