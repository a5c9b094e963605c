// The journal folder on its own: whole lines from parallel programs, rotation, the trace
// cap, and folders that cannot be written.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "app/Journal.h"
#include "tests/support/JournalCheck.h"

namespace fs = std::filesystem;
using namespace hi;
using namespace hi::test;

namespace {

class JournalFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/journal-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    root = dir;
  }
  void TearDown() override { fs::remove_all(root); }
  std::string root;
};

}  // namespace

TEST_F(JournalFiles, TextsOfAnyBytesMakeValidJsonLines) {
  const std::string odd = std::string("a\"b\\c\n\x01 \xC3\xA9 \xFF\xC3 ") + "Порт";
  JsonLine j;
  j.text("text", odd).textOrNull("none", "").number("n", -5).boolean("yes", true);
  const std::string line = j.line();
  ASSERT_EQ(line.back(), '\n');
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  const nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
  ASSERT_FALSE(parsed.is_discarded()) << line;
  EXPECT_EQ(parsed["text"], "a\"b\\c\n\x01 \xC3\xA9 \xEF\xBF\xBD\xEF\xBF\xBD Порт");
  EXPECT_TRUE(parsed["none"].is_null());
  EXPECT_EQ(parsed["n"], -5);
}

// Eight programs of a station append at once, with rotations among them: every line whole,
// none lost, none twice.
TEST_F(JournalFiles, EightProcessesAppendingAtOnceWithRotation) {
  constexpr int kProcesses = 8;
  constexpr int kLines = 200;
  const std::string filler(300, 'x');
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const JournalFolder folder(root, 256 * 1024);
      std::string error;
      int failures = 0;
      for (int i = 0; i < kLines; ++i) {
        JsonLine j;
        j.number("process", p).number("line", i).text("filler", filler);
        if (!folder.appendLine(j.line(), error)) ++failures;
      }
      ::_exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::set<std::pair<int, int>> seen;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(root)) {
    if (entry.path().filename().string()[0] == '.') continue;
    ++files;
    for (const nlohmann::json& line : journalEntries(entry.path().string())) {
      ASSERT_TRUE(line.is_object()) << entry.path();
      EXPECT_EQ(line["filler"], filler);
      EXPECT_TRUE(seen.emplace(line["process"].get<int>(), line["line"].get<int>()).second);
    }
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kProcesses * kLines));
  // About 550 KB: two or three archives, none of them dropped.
  EXPECT_GE(files, 2) << "the journal was never rotated";
  EXPECT_LE(files, 1 + JournalArchivesKept);
  EXPECT_FALSE(fs::exists(root + "/.journal-rotation"));
}

TEST_F(JournalFiles, TracesAreCutToTheNewestByCountAndSizeAndForeignFilesStay) {
  const JournalFolder folder(root, JournalBytesKept, 10000);
  std::ofstream(root + "/notes.txt") << "the technician's own";
  std::ofstream(root + "/trace-keep.bin") << "not ours either";
  std::string error;
  for (int i = 0; i < 14; ++i) {
    const std::string name = "trace-2026121" + std::string(1, static_cast<char>('A' + i)) + ".txt";
    ASSERT_TRUE(folder.writeTrace(name, std::string(i == 13 ? 6000 : 500, 't'), error)) << error;
  }
  // The newest is 6000 bytes; with it, 8 of 500 fit in 10000, not the 9 the count allows.
  const std::vector<std::string> names = folder.traceNames();
  ASSERT_EQ(names.size(), 9u);
  EXPECT_EQ(names.front(), "trace-2026121N.txt");
  EXPECT_EQ(names.back(), "trace-2026121F.txt");
  EXPECT_TRUE(fs::exists(root + "/notes.txt"));
  EXPECT_TRUE(fs::exists(root + "/trace-keep.bin"));
  for (int i = 0; i < 12; ++i) {
    ASSERT_TRUE(folder.writeTrace("trace-2026122" + std::to_string(10 + i) + ".txt", "t", error));
  }
  EXPECT_EQ(folder.traceNames().size(), static_cast<std::size_t>(TracesKept));
}

TEST_F(JournalFiles, AFolderThatCannotBeMadeSaysWhy) {
  // A file where the folder should be: refused even for root.
  std::ofstream(root + "/state") << "x";
  const JournalFolder folder(root + "/state/tormisaplex");
  std::string error;
  EXPECT_FALSE(folder.appendLine("{}\n", error));
  EXPECT_NE(error.find(root + "/state/tormisaplex"), std::string::npos) << error;
  EXPECT_FALSE(folder.writeTrace("trace-1.txt", "t", error));
  EXPECT_FALSE(JournalFolder("").appendLine("{}\n", error));
}
