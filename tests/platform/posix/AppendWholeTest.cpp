// Whole lines or none: a log line that the system cuts short is taken back.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Console.h"

namespace {

std::string contents(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class AppendWhole : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/append-whole-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/units.log";
  }
  void TearDown() override {
    ::unlink(path_.c_str());
    ::rmdir(dir_.c_str());
  }
  std::string dir_;
  std::string path_;
};

// The file-size limit makes the system write part of a line and refuse the rest, as a full
// disk does; done in a child, whose limit goes with it.
TEST_F(AppendWhole, ALineCutShortIsTakenBack) {
  const std::string first = "{\"port\":\"COM1\"}\n";
  const std::string second(200, 'x');
  int error = 0;
  ASSERT_TRUE(hi::appendWhole(path_, first, error)) << error;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{first.size() + 50, first.size() + 50};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    int e = 0;
    const bool ok = hi::appendWhole(path_, second + "\n", e);
    std::_Exit(ok ? 0 : e == EFBIG ? 3 : 4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);  // failed, with the system's reason
  EXPECT_EQ(contents(path_), first);
  // The next line starts on a line of its own.
  ASSERT_TRUE(hi::appendWhole(path_, "{\"port\":\"COM2\"}\n", error));
  EXPECT_EQ(contents(path_), first + "{\"port\":\"COM2\"}\n");
}

TEST_F(AppendWhole, AFolderThatIsMissingOrAFileThatIsAFolderCannotBeAppendedTo) {
  int error = 0;
  EXPECT_TRUE(hi::canAppend(path_, error));
  EXPECT_FALSE(hi::canAppend(dir_ + "/missing/units.log", error));
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(hi::canAppend(dir_, error));
  EXPECT_EQ(error, EISDIR);
}

}  // namespace
