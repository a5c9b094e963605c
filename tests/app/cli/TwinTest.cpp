// The twin against simulated devices: every way out has its exit code, the JSON lines keep
// their schema, the interrupt sends nothing more, and a station runs its units side by side.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "tests/app/cli/TwinSupport.h"
#include "tests/support/OpenWatch.h"

using namespace hi;
using namespace hi::test;

namespace {

// The documented schema: every key of each kind of line and the JSON types it may have.
enum Kind : unsigned { Str = 1, Int = 2, Bool = 4, Null = 8 };
using Schema = std::map<std::string, unsigned>;

const std::map<std::string, Schema>& schemas() {
  static const std::map<std::string, Schema> all{
      {"identified", {{"type", Str}, {"port", Str}, {"model", Str}, {"version", Str}, {"carried", Str}}},
      {"progress",
       {{"type", Str}, {"port", Str}, {"blocks", Int}, {"total_blocks", Int}, {"bytes", Int},
        {"total_bytes", Int}, {"bytes_per_second", Int}, {"seconds_left", Int | Null}}},
      {"settling", {{"type", Str}, {"port", Str}, {"blocks", Int}, {"bytes", Int}}},
      {"result",
       {{"type", Str}, {"port", Str}, {"result", Str}, {"exit_code", Int}, {"message", Str},
        {"model", Str | Null}, {"version", Str | Null}, {"carried", Str | Null},
        {"blocks", Int | Null}, {"total_blocks", Int | Null}, {"bytes", Int | Null},
        {"total_bytes", Int | Null}, {"pusk", Bool | Null}, {"crc", Str | Null},
        {"duration_ms", Int | Null}, {"upload_ms", Int | Null}}},
      {"port",
       {{"type", Str}, {"port", Str}, {"path", Str}, {"device", Str | Null}, {"driver", Str | Null},
        {"usb_vendor", Str | Null}, {"usb_product", Str | Null}, {"serial_number", Str | Null},
        {"manufacturer", Str | Null}, {"product", Str | Null}, {"access", Str}, {"holder", Null}}},
  };
  return all;
}

unsigned kindOf(const Json& v) {
  if (v.is_string()) return Str;
  if (v.is_number_integer()) return Int;
  if (v.is_boolean()) return Bool;
  if (v.is_null()) return Null;
  return 0;
}

// Checks one line against the schema (a log line: a result with "time" instead of "type").
void expectSchema(const std::string& line, bool logLine = false) {
  SCOPED_TRACE(line);
  const Json j = Json::parse(line, nullptr, false);
  ASSERT_TRUE(j.is_object());
  Schema schema = schemas().at(logLine ? "result" : j.value("type", "?"));
  if (logLine) {
    schema.erase("type");
    schema["time"] = Str;
  }
  for (const auto& [key, kinds] : schema) {
    ASSERT_TRUE(j.contains(key)) << key;
    EXPECT_NE(kindOf(j[key]) & kinds, 0u) << key;
  }
  EXPECT_EQ(j.size(), schema.size());
}

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST_F(Twin, AWholeUploadInJsonLines) {
  devsim::Simulator& device = addDevice(1);
  std::vector<std::string> out;
  ASSERT_EQ(run({"--port", "COM1", "--write", "--json"}, &out), 0);
  ASSERT_GE(out.size(), 4u);
  for (const std::string& line : out) expectSchema(line);
  EXPECT_EQ(Json::parse(out.front())["type"], "identified");
  EXPECT_EQ(Json::parse(out[out.size() - 2])["type"], "settling");
  std::set<std::string> types;
  for (const std::string& line : out) types.insert(Json::parse(line)["type"].get<std::string>());
  EXPECT_TRUE(types.count("progress"));

  const Json result = lastObject(out);
  const devsim::Report r = device.report();
  EXPECT_EQ(result["result"], "ok");
  EXPECT_EQ(result["message"], "ПО успешно обновлено! Сбросте настройки по умолчанию!");
  EXPECT_EQ(result["model"], "10");
  EXPECT_EQ(result["version"], "4.2");
  EXPECT_EQ(result["blocks"], 1016);
  EXPECT_EQ(result["bytes"], r.device.imageBytes);
  EXPECT_TRUE(result["pusk"].get<bool>());
  char crc[8];
  std::snprintf(crc, sizeof crc, "%04X", r.device.crc);
  EXPECT_EQ(result["crc"], crc);
  EXPECT_TRUE(r.device.pusk);
  ASSERT_TRUE(device.waitFinished(kUnit));
  EXPECT_EQ(device.exitCode(), 0) << r.summary;
}

TEST_F(Twin, EveryWayOutHasItsExitCode) {
  struct Case {
    const char* name;
    int code;
    devsim::Faults faults;
  };
  devsim::Faults noAnswer, wrongIdentity, wrongCrc, silence, hangUp;
  noAnswer.noAnswer = true;
  wrongIdentity.wrongIdentity = true;
  wrongCrc.wrongCrcAt = 3;
  silence.silenceFrom = 3;
  hangUp.hangUpAt = 3;
  unsigned com = 1;
  for (const Case& c : {Case{"no_device", 4, noAnswer}, Case{"no_device", 4, wrongIdentity},
                        Case{"wrong_reply", 5, wrongCrc}, Case{"silence", 6, silence},
                        Case{"line_gone", 7, hangUp}}) {
    SCOPED_TRACE(c.name);
    devsim::DeviceOptions options;
    options.faults = c.faults;
    devsim::Simulator& faulty = addDevice(com, options);
    std::vector<std::string> out;
    const std::string port = "COM" + std::to_string(com++);
    EXPECT_EQ(run({"--port", port, "--write", "--json"}, &out), c.code);
    const Json result = lastObject(out);
    expectSchema(out.back());
    EXPECT_EQ(result["result"], c.name);
    EXPECT_EQ(result["exit_code"], c.code);
    EXPECT_FALSE(faulty.report().device.pusk);
  }
  // A port that is not there, and one that is no serial port: the reason is printed.
  ASSERT_EQ(::symlink("/dev/null", (portsDir + "/COM9").c_str()), 0);
  for (const char* port : {"COM8", "COM9"}) {
    std::vector<std::string> out;
    EXPECT_EQ(run({"--port", port, "--json"}, &out), 3) << port;
    EXPECT_EQ(lastObject(out)["result"], "open_failed");
    EXPECT_EQ(lastObject(out)["message"].get<std::string>().rfind(std::string(port) + ": ", 0), 0u);
  }
  EXPECT_EQ(run({"--port"}), 2);
  EXPECT_EQ(run({"--list", "--write"}), 2);
  EXPECT_EQ(run({"--port", "COM1", "--port", "com1"}), 2);
}

TEST_F(Twin, AQueryTakesADevicePathAndWritesNothingButVers) {
  devsim::Simulator& device = addDevice(2);
  std::vector<std::string> out;
  ASSERT_EQ(run({"--port", device.linkPath(), "--json"}, &out), 0);
  const Json result = lastObject(out);
  EXPECT_EQ(result["port"], "COM2");
  EXPECT_EQ(result["carried"], "4.2 (KLM7/VLM7)");
  const devsim::Report r = device.report();
  EXPECT_EQ(r.device.versQueries, 1u);
  EXPECT_EQ(r.device.bytesBeforeVers, 0u);
  EXPECT_EQ(r.device.imageBytes, 0u);
}

TEST_F(Twin, TheListOpensNoPort) {
  devsim::Simulator& device = addDevice(1);
  ASSERT_EQ(::symlink("/dev/nothing-here", (portsDir + "/COM3").c_str()), 0);
  char node[PATH_MAX];
  ASSERT_NE(::realpath(device.linkPath().c_str(), node), nullptr);
  OpenWatch watch;
  ASSERT_TRUE(watch.watch(node));
  std::vector<std::string> out;
  ASSERT_EQ(run({"--list", "--json"}, &out), 0);
  ASSERT_EQ(out.size(), 2u);
  std::map<std::string, std::string> access;
  for (const std::string& line : out) {
    expectSchema(line);
    const Json j = Json::parse(line);
    access[j["port"]] = j["access"];
  }
  EXPECT_EQ(access["COM1"], "usable");
  EXPECT_EQ(access["COM3"], "absent");
  EXPECT_EQ(watch.opens(), 0);
}

TEST_F(Twin, AnInterruptStopsTheUploadClosesThePortAndNeverStartsTheDevice) {
  devsim::Simulator& device = addDevice(1);
  auto twin = start({"--port", "COM1", "--write", "--json"});
  for (std::string line; !(line = twin->line(kUnit)).empty();) {
    if (Json::parse(line).value("blocks", 0) >= 50) break;
  }
  twin->signal(SIGINT);
  std::vector<std::string> out;
  for (std::string line; !(line = twin->line(kUnit)).empty();) out.push_back(line);
  ASSERT_EQ(twin->wait(kUnit), 130) << (out.empty() ? "no output" : out.back());
  ASSERT_FALSE(out.empty());
  const Json result = lastObject(out);
  SCOPED_TRACE(out.back());
  SCOPED_TRACE(device.report().summary);
  expectSchema(out.back());
  EXPECT_EQ(result["result"], "interrupted");
  EXPECT_FALSE(result["pusk"].get<bool>());
  ASSERT_TRUE(device.waitFinished(kUnit));  // the port closed: the session is over
  const devsim::Report r = device.report();
  EXPECT_FALSE(r.device.pusk);
  EXPECT_EQ(r.device.bytesAfterImage, 0u);
  EXPECT_FALSE(r.connected);
  EXPECT_LT(r.device.imageBytes, 260096u);
  // Where it stopped: the device has every block acknowledged, and no byte more than was
  // handed to the port (the close throws away what the line had not carried yet).
  EXPECT_GE(r.device.imageBytes, result["blocks"].get<std::size_t>() * 256);
  EXPECT_LE(r.device.imageBytes, result["bytes"].get<std::size_t>());
}

TEST_F(Twin, AStationOfFourWithOneFaultyUnit) {
  devsim::DeviceOptions faulty;
  faulty.faults.wrongCrcAt = 20;
  for (unsigned com : {1u, 2u, 4u}) addDevice(com);
  addDevice(3, faulty);
  const std::string log = portsDir + ".log";
  std::vector<std::string> out;
  EXPECT_EQ(run({"--port", "COM1", "--port", "COM2", "--port", "COM3", "--port", "COM4",
                 "--write", "--json", "--log", log},
                &out),
            5);
  std::map<std::string, std::string> results;
  for (const std::string& line : out) {
    expectSchema(line);
    const Json j = Json::parse(line);
    if (j["type"] == "result") results[j["port"]] = j["result"];
  }
  EXPECT_EQ(results, (std::map<std::string, std::string>{
                         {"COM1", "ok"}, {"COM2", "ok"}, {"COM3", "wrong_reply"}, {"COM4", "ok"}}));
  const std::vector<std::string> logged = readLines(log);
  ASSERT_EQ(logged.size(), 4u);
  for (const std::string& line : logged) expectSchema(line, true);
  for (std::size_t i = 0; i < devices.size(); ++i) EXPECT_EQ(devices[i]->report().device.pusk, i != 3);
}

TEST_F(Twin, PipedItDrawsNoBarAndSpeaksTheWindowsWords) {
  devsim::DeviceOptions faulty;
  faulty.faults.wrongCrcAt = 2;
  addDevice(1, faulty);
  auto twin = start({"--port", "COM1", "--write"});
  std::string out;
  for (std::string line; !(line = twin->line(kUnit)).empty();) out += line + "\n";
  const std::string err = twin->errorText();
  EXPECT_EQ(twin->wait(kUnit), 5);
  EXPECT_NE(out.find("COM1: Устройство: 10   Текущая версия ПО: 4.2"), std::string::npos) << out;
  EXPECT_EQ(out.find('\r'), std::string::npos);
  EXPECT_EQ(out.find("[#"), std::string::npos);
  EXPECT_NE(err.find("COM1: Ошибка при передаче данных! Проверьте все соединения"), std::string::npos)
      << err;
}

TEST_F(Twin, AnInterruptedStationStopsEveryUnit) {
  addDevice(1);
  addDevice(2);
  auto station = start({"--port", "COM1", "--port", "COM2", "--write", "--json"});
  std::set<std::string> writing;
  while (writing.size() < 2) {
    const std::string line = station->line(kUnit);
    ASSERT_FALSE(line.empty());
    const Json j = Json::parse(line);
    if (j["type"] == "progress" && j["blocks"] > 10) writing.insert(j["port"].get<std::string>());
  }
  station->signal(SIGINT);
  std::vector<std::string> out;
  for (std::string line; !(line = station->line(kUnit)).empty();) out.push_back(line);
  EXPECT_EQ(station->wait(kUnit), 130);
  std::set<std::string> interrupted;
  for (const std::string& line : out) {
    const Json j = Json::parse(line);
    if (j["type"] == "result" && j["result"] == "interrupted") interrupted.insert(j["port"].get<std::string>());
  }
  EXPECT_EQ(interrupted, (std::set<std::string>{"COM1", "COM2"}));
  for (auto& device : devices) {
    ASSERT_TRUE(device->waitFinished(kUnit));
    EXPECT_FALSE(device->report().device.pusk);
  }
}

TEST_F(Twin, AnInterruptDuringTheSettleSaysTheDeviceWasStarted) {
  devsim::Simulator& device = addDevice(1);
  auto twin = start({"--port", "COM1", "--write", "--json"});
  for (std::string line; !(line = twin->line(kUnit)).empty();) {
    if (Json::parse(line)["type"] == "settling") break;
  }
  twin->signal(SIGINT);
  std::vector<std::string> out;
  for (std::string line; !(line = twin->line(kUnit)).empty();) out.push_back(line);
  ASSERT_EQ(twin->wait(kUnit), 130);
  ASSERT_FALSE(out.empty());
  const Json result = lastObject(out);
  EXPECT_EQ(result["result"], "interrupted");
  EXPECT_TRUE(result["pusk"].get<bool>());
  EXPECT_NE(result["message"].get<std::string>().find("«PUSK» был отправлен"), std::string::npos);
  ASSERT_TRUE(device.waitFinished(kUnit));
  EXPECT_TRUE(device.report().device.pusk);
  EXPECT_EQ(device.exitCode(), 0) << device.report().summary;
}
