// The twin's journal and traces, against each of the simulator's faults and a success.
#include <filesystem>
#include <fstream>

#include "tests/app/cli/TwinSupport.h"
#include "tests/support/JournalCheck.h"

namespace fs = std::filesystem;
using namespace hi;
using namespace hi::test;

namespace {

class TwinJournal : public Twin {
 protected:
  void SetUp() override {
    Twin::SetUp();
    state = portsDir + ".state";
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    folder = state + "/tormisaplex";
  }
  void TearDown() override {
    unsetenv("XDG_STATE_HOME");
    fs::remove_all(state);
    Twin::TearDown();
  }
  std::vector<nlohmann::json> entries() const { return journalEntries(folder + "/journal.jsonl"); }
  std::string state;
  std::string folder;
};

struct FaultCase {
  const char* name;
  devsim::Faults faults;
  const char* result;
  const char* inTrace;  // what the trace must show of the fault
};

std::vector<FaultCase> faultCases() {
  devsim::Faults wrongCrc, swapped, silence, hangUp, noAnswer, wrongIdentity;
  wrongCrc.wrongCrcAt = 5;
  swapped.lowByteFirstAt = 5;
  silence.silenceFrom = 5;
  hangUp.hangUpAt = 5;
  noAnswer.noAnswer = true;
  wrongIdentity.wrongIdentity = true;
  return {{"wrong CRC", wrongCrc, "wrong_reply", "the graph judged the reply wrong"},
          {"swapped CRC", swapped, "wrong_reply", "the graph judged the reply wrong"},
          {"silence", silence, "silence", "watchdog: silence for"},
          {"hang-up", hangUp, "line_gone", "line vanished"},
          {"no answer", noAnswer, "no_device", "write 4: 56 45 52 53  \"VERS\""},
          {"wrong identity", wrongIdentity, "no_device", "read "}};
}

}  // namespace

TEST_F(TwinJournal, EachFaultLeavesAJournalLineAndATraceThatShowsIt) {
  unsigned com = 1;
  for (const FaultCase& c : faultCases()) {
    SCOPED_TRACE(c.name);
    fs::remove_all(folder);
    devsim::DeviceOptions options;
    options.faults = c.faults;
    addDevice(com, options);
    const std::string port = "COM" + std::to_string(com++);
    std::vector<std::string> out;
    run({"--port", port, "--write", "--json"}, &out);
    const std::vector<nlohmann::json> lines = entries();
    ASSERT_FALSE(lines.empty());
    const nlohmann::json& last = lines.back();
    ASSERT_TRUE(last.is_object());
    EXPECT_EQ(last["result"], c.result);
    EXPECT_EQ(last["program"], "tormisaplex-upload");
    EXPECT_EQ(last["port"], port);
    EXPECT_EQ(last["message"], lastObject(out)["message"]);
    EXPECT_EQ(last["image_sha256"].get<std::string>().size(), 64u);
    EXPECT_TRUE(last["path"].is_string());
    const std::string trace = traceOf(folder, last);
    EXPECT_NE(trace.find(c.inTrace), std::string::npos) << trace;
    if (std::string(c.result) == "no_device") {
      EXPECT_EQ(lines.size(), 1u);
      EXPECT_EQ(last["kind"], "identify");
      continue;
    }
    // The identification before the upload has a line of its own.
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["kind"], "identify");
    EXPECT_EQ(lines[0]["result"], "ok");
    EXPECT_EQ(lines[0]["model"], "10");
    EXPECT_EQ(lines[0]["version"], "4.2");
    EXPECT_EQ(last["kind"], "upload");
    EXPECT_EQ(last["blocks"], 5);
    EXPECT_EQ(last["bytes"], 6 * 256);
    EXPECT_NE(trace.find("block 6, CRC "), std::string::npos) << trace;
    EXPECT_NE(trace.find("reply latency per block: min "), std::string::npos) << trace;
  }
}

TEST_F(TwinJournal, ASuccessIsJournalledWithTheImageItsCrcAndTheLatencies) {
  devsim::Simulator& device = addDevice(1);
  ASSERT_EQ(run({"--port", "COM1", "--write", "--json"}), 0);
  const std::vector<nlohmann::json> lines = entries();
  ASSERT_EQ(lines.size(), 2u);
  const nlohmann::json& upload = lines.back();
  EXPECT_EQ(upload["result"], "ok");
  EXPECT_EQ(upload["blocks"], 1016);
  EXPECT_EQ(upload["bytes"], 260096);
  char crc[8];
  std::snprintf(crc, sizeof crc, "%04X", device.report().device.crc);
  EXPECT_EQ(upload["crc"], crc);
  EXPECT_EQ(upload["carried"], "4.2 (KLM7/VLM7)");
  const std::string trace = traceOf(folder, upload);
  EXPECT_NE(trace.find("block 1016, CRC " + std::string(crc)), std::string::npos);
  EXPECT_NE(trace.find("\"PUSK\""), std::string::npos);
  const std::string lastLine = trace.substr(trace.rfind('\n', trace.size() - 2) + 1);
  EXPECT_EQ(lastLine.rfind("reply latency per block: min ", 0), 0u) << lastLine;
  EXPECT_NE(lastLine.find(" over 1016 replies"), std::string::npos) << lastLine;

  // --journal names the folder and shows the entries.
  std::vector<std::string> shown;
  ASSERT_EQ(run({"--journal"}, &shown), 0);
  ASSERT_FALSE(shown.empty());
  EXPECT_NE(shown.front().find(folder), std::string::npos) << shown.front();
  EXPECT_EQ(Json::parse(shown.back())["result"], "ok");
}

// A file-size limit (as a full disk) fails every record: the upload goes on and succeeds,
// and the program says so once.
TEST_F(TwinJournal, AFullDiskCostsTheUploadNothingAndIsSaidOnce) {
  addDevice(1);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  env.push_back("TORMISAPLEX_PORTS=" + portsDir);
  // 1 block of 512 bytes: smaller than any trace or journal line.
  ChildProcess child("/bin/sh",
                     {"-c", std::string("ulimit -f 1; exec '") + TORMISAPLEX_UPLOAD_BINARY +
                                "' --port COM1 --write --json"},
                     env);
  ASSERT_TRUE(child.started());
  while (!child.line(kUnit).empty()) {
  }
  EXPECT_EQ(child.wait(kUnit), 0);
  const std::string errors = child.errorText();
  const std::string complaint = "не удалось вести журнал";
  const std::size_t at = errors.find(complaint);
  EXPECT_NE(at, std::string::npos) << errors;
  EXPECT_EQ(errors.find(complaint, at + 1), std::string::npos) << errors;
}

TEST_F(TwinJournal, AStateFolderThatCannotBeMadeCostsTheQueryNothing) {
  addDevice(1);
  // A file where the folder should be: refused even to root.
  ASSERT_TRUE(std::ofstream(state) << "x");
  auto child = start({"--port", "COM1", "--json"});
  std::vector<std::string> out;
  for (std::string line; !(line = child->line(kUnit)).empty();) out.push_back(line);
  EXPECT_EQ(child->wait(kUnit), 0);
  EXPECT_EQ(lastObject(out)["result"], "ok");
  const std::string errors = child->errorText();
  EXPECT_NE(errors.find("не удалось вести журнал (" + state + "/tormisaplex"), std::string::npos)
      << errors;
  EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
}
