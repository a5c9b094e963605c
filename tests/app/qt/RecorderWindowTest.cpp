// The window program's journal and traces, against each of the simulator's faults and a
// success: the program's own scheme with the recorder it installs, on the offscreen display.
#include <cstdlib>
#include <filesystem>

#include "app/FlightRecorder.h"
#include "tests/app/EndToEndSupport.h"
#include "tests/support/JournalCheck.h"

namespace fs = std::filesystem;
using namespace hi;
using namespace hi::test;

namespace {

const char* const kNoDeviceStatus = "На этом порту устройств не найдено.";

class RecorderWindow : public EndToEnd {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/recorder-window-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    folder = dir;
  }
  void TearDown() override {
    EndToEnd::TearDown();
    recorder.reset();
    fs::remove_all(folder);
  }
  void startRecorder() {
    recorder = std::make_unique<FlightRecorder>("tormisaplex-uploader", JournalFolder(folder));
    recorder->install();
  }
  // The window closed and the program ended: everything recorded is on disk.
  std::vector<nlohmann::json> endProgram() {
    closeProgram();
    recorder.reset();
    return journalEntries(folder + "/journal.jsonl");
  }

  std::string folder;
  std::unique_ptr<FlightRecorder> recorder;
};

}  // namespace

TEST_F(RecorderWindow, EachUploadFaultLeavesAJournalLineAndATraceThatShowsIt) {
  struct Case {
    const char* name;
    std::optional<std::uint32_t> devsim::Faults::*fault;
    const char* result;
    const char* inTrace;
  };
  for (const Case& c :
       {Case{"wrong CRC", &devsim::Faults::wrongCrcAt, "wrong_reply", "judged the reply wrong"},
        Case{"swapped CRC", &devsim::Faults::lowByteFirstAt, "wrong_reply", "judged the reply wrong"},
        Case{"silence", &devsim::Faults::silenceFrom, "silence", "watchdog: silence for"},
        Case{"hang-up", &devsim::Faults::hangUpAt, "line_gone", "line vanished"}}) {
    SCOPED_TRACE(c.name);
    fs::remove_all(folder);
    devsim::DeviceOptions options;
    options.faults.*c.fault = 5;
    startRecorder();
    startUpload(options);
    ASSERT_TRUE(waitFor([&] { return failureShown(); }, kLong));
    const std::vector<nlohmann::json> lines = endProgram();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["kind"], "identify");
    EXPECT_EQ(lines[0]["result"], "ok");
    EXPECT_EQ(lines[0]["model"], "10");
    EXPECT_EQ(lines[0]["version"], "4.2");
    const nlohmann::json& upload = lines[1];
    EXPECT_EQ(upload["program"], "tormisaplex-uploader");
    EXPECT_EQ(upload["kind"], "upload");
    EXPECT_EQ(upload["result"], c.result);
    EXPECT_EQ(upload["port"], "COM1");
    EXPECT_EQ(upload["blocks"], 5);
    EXPECT_EQ(upload["bytes"], 6 * 256);
    EXPECT_EQ(upload["message"].get<std::string>().rfind("Ошибка при передаче данных!", 0), 0u);
    const std::string trace = traceOf(folder, upload);
    EXPECT_NE(trace.find(c.inTrace), std::string::npos) << trace;
    EXPECT_NE(trace.find("block 6, CRC "), std::string::npos) << trace;
    EXPECT_NE(trace.find("close"), std::string::npos) << trace;
    TearDown();
    SetUp();
  }
}

TEST_F(RecorderWindow, IdentificationFaultsAreNoDeviceWithTheAnswerInTheTrace) {
  for (const bool answers : {false, true}) {
    SCOPED_TRACE(answers ? "wrong identity" : "no answer");
    devsim::DeviceOptions options;
    options.faults.noAnswer = !answers;
    options.faults.wrongIdentity = answers;
    startRecorder();
    startDevice(options);
    startProgram();
    choosePort("COM1");
    ASSERT_TRUE(waitFor([&] { return status() == utf8(kNoDeviceStatus); }, kLong));
    const std::vector<nlohmann::json> lines = endProgram();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["kind"], "identify");
    EXPECT_EQ(lines[0]["result"], "no_device");
    EXPECT_TRUE(lines[0]["model"].is_null());
    const std::string trace = traceOf(folder, lines[0]);
    EXPECT_NE(trace.find("settings 38462 8N1"), std::string::npos) << trace;
    EXPECT_NE(trace.find("write 4: 56 45 52 53  \"VERS\""), std::string::npos) << trace;
    EXPECT_EQ(trace.find("read ") != std::string::npos, answers) << trace;
    EXPECT_EQ(trace.find("TORMISAPLEX") != std::string::npos, answers) << trace;
    TearDown();
    SetUp();
  }
}

TEST_F(RecorderWindow, ASuccessIsJournalledWithItsCrcAndTheLatencies) {
  startRecorder();
  startUpload();
  ASSERT_TRUE(waitFor([&] { return successShown(); }, kUpload));
  pressOk();
  const std::vector<nlohmann::json> lines = endProgram();
  ASSERT_EQ(lines.size(), 2u);
  const nlohmann::json& upload = lines[1];
  EXPECT_EQ(upload["result"], "ok");
  EXPECT_EQ(upload["blocks"], 1016);
  EXPECT_EQ(upload["bytes"], 260096);
  EXPECT_EQ(upload["message"], "ПО успешно обновлено! Сбросте настройки по умолчанию!");
  char crc[8];
  std::snprintf(crc, sizeof crc, "%04X", report().device.crc);
  EXPECT_EQ(upload["crc"], crc);
  const std::string trace = traceOf(folder, upload);
  EXPECT_NE(trace.find("\"PUSK\""), std::string::npos);
  EXPECT_NE(trace.find(" over 1016 replies\n"), std::string::npos);
}
