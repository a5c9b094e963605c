// The twin as scripts and benches use it: late bytes and slow answers, device paths that
// are not COM names, a station that dies or loses a unit, a log that cannot be written.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "tests/app/cli/TwinSupport.h"

using namespace hi;
using namespace hi::test;

namespace {

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The results of a --json run, by port.
std::map<std::string, Json> resultsOf(const std::vector<std::string>& lines) {
  std::map<std::string, Json> results;
  for (const std::string& line : lines) {
    const Json j = Json::parse(line, nullptr, false);
    if (j.is_object() && j.value("type", "") == "result") results[j["port"]] = j;
  }
  return results;
}

// The unit processes of a station, by the port each serves.
std::map<std::string, pid_t> unitsOf(pid_t station) {
  std::map<std::string, pid_t> units;
  std::ifstream children("/proc/" + std::to_string(station) + "/task/" + std::to_string(station) +
                         "/children");
  for (pid_t pid = 0; children >> pid;) {
    std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
    std::vector<std::string> args;
    for (std::string arg; std::getline(cmdline, arg, '\0');) args.push_back(arg);
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
      if (args[i] == "--port") units[args[i + 1]] = pid;
    }
  }
  return units;
}

bool alive(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  // A zombie has ended; only its parent's wait is missing.
  return !line.empty() && line.find(") Z ") == std::string::npos;
}

// Reads the station's lines until each of `ports` has acknowledged more than `blocks`.
void awaitWriting(ChildProcess& station, std::set<std::string> ports, int blocks) {
  while (!ports.empty()) {
    const std::string line = station.line(kUnit);
    ASSERT_FALSE(line.empty()) << "the station fell silent";
    const Json j = Json::parse(line);
    if (j["type"] == "progress" && j["blocks"] > blocks) ports.erase(j["port"].get<std::string>());
  }
}

}  // namespace

// A late "\r\n" after the answer was read as the first block's reply (exit 5).
TEST_F(Twin, BytesAfterTheAnswerDoNotSpoilTheUpload) {
  devsim::DeviceOptions stray;
  stray.faults.strayBytes = true;
  stray.strayDelay = 150ms;
  devsim::Simulator& device = addDevice(1, stray);
  std::vector<std::string> out;
  EXPECT_EQ(run({"--port", "COM1", "--write", "--json"}, &out), 0)
      << (out.empty() ? "" : out.back());
  EXPECT_TRUE(device.waitFinished(kUnit));
  EXPECT_EQ(device.exitCode(), 0) << device.report().summary;
}

// The window shows "no device" after two seconds, yet identifies a device whose answer comes
// or goes on later; so does the twin. A silent port is still no device.
TEST_F(Twin, ASlowAnswerIsADeviceAndSilenceIsNone) {
  devsim::DeviceOptions late;
  late.answerDelay = 1900ms;
  devsim::DeviceOptions later;
  later.answerDelay = 2500ms;
  // In pieces across the 2 s mark, as a slow adapter hands it over.
  devsim::DeviceOptions paused;
  paused.answerDelay = 1950ms;
  paused.pieceSize = 3;
  paused.pieceGap = 60ms;
  // Pausing 200 ms inside the answer, twice.
  devsim::DeviceOptions halting;
  halting.pieceSize = 7;
  halting.pieceGap = 200ms;
  devsim::DeviceOptions silent;
  silent.faults.noAnswer = true;
  addDevice(1, late);
  addDevice(2, later);
  addDevice(3, paused);
  addDevice(4, silent);
  addDevice(5, halting);
  std::vector<std::string> out;
  EXPECT_EQ(run({"--port", "COM1", "--port", "COM2", "--port", "COM3", "--port", "COM4", "--port",
                 "COM5", "--json"},
                &out),
            4);
  const std::map<std::string, Json> results = resultsOf(out);
  ASSERT_EQ(results.size(), 5u);
  for (const char* port : {"COM1", "COM2", "COM3", "COM5"}) {
    EXPECT_EQ(results.at(port)["result"], "ok") << results.at(port).dump();
    EXPECT_EQ(results.at(port)["version"], "4.2");
  }
  EXPECT_EQ(results.at("COM4")["result"], "no_device");
  for (auto& device : devices) EXPECT_EQ(device->report().device.imageBytes, 0u);
}

// by-id names, the device behind a map entry, and a COM name typed loosely all reach the
// port and are reported under its COM name; a wrong one is named once.
TEST_F(Twin, AnyPathToAListedPortIsThatPort) {
  devsim::Simulator& device = addDevice(2);
  char node[PATH_MAX];
  ASSERT_NE(::realpath(device.linkPath().c_str(), node), nullptr);
  const std::string byId = portsDir + "/usb-Tormisaplex_Bench_A-if00-port0";
  ASSERT_EQ(::symlink(node, byId.c_str()), 0);
  for (const std::string& port : {byId, std::string(node), std::string(" com2 ")}) {
    std::vector<std::string> out;
    ASSERT_EQ(run({"--port", port, "--json"}, &out), 0) << port;
    EXPECT_EQ(lastObject(out)["port"], "COM2") << port;
  }
  EXPECT_EQ(device.report().device.versQueries, 3u);

  auto twin = start({"--port", " COM10"});
  const std::string err = twin->errorText();
  EXPECT_EQ(twin->wait(kUnit), 3);
  EXPECT_EQ(err, "COM10: такого порта нет в системе.\n");
  // Nor do a path and a COM name of one port make a station of two.
  EXPECT_EQ(run({"--port", "COM2", "--port", byId}), 2);
}

// A query shows the identification once, with the window's spacing.
TEST_F(Twin, AQueryShowsTheIdentificationOnce) {
  addDevice(1);
  auto twin = start({"--port", "COM1"});
  std::string out;
  for (std::string line; !(line = twin->line(kUnit)).empty();) out += line + "\n";
  EXPECT_EQ(twin->wait(kUnit), 0);
  EXPECT_EQ(out, "COM1: Устройство: 10   Текущая версия ПО: 4.2\n"
                 "Версия ПО для обновления: 4.2 (KLM7/VLM7)\n");
}

// A log that cannot take the result is refused before the port is opened.
TEST_F(Twin, ALogThatCannotBeWrittenIsRefusedBeforeTheDeviceIsTouched) {
  devsim::Simulator& device = addDevice(1);
  const std::string folder = portsDir + ".log";  // removed by the fixture
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  for (const std::string& log : {portsDir + "/no-such-folder/units.log", folder}) {
    auto twin = start({"--port", "COM1", "--write", "--log", log});
    const std::string err = twin->errorText();
    EXPECT_EQ(twin->wait(kUnit), 2) << log;
    EXPECT_NE(err.find("журнал не записывается"), std::string::npos) << err;
  }
  EXPECT_EQ(device.report().device.versQueries, 0u);
  ASSERT_EQ(::rmdir(folder.c_str()), 0);
}

// --list names what is wrong with each port in words, as --json does in its field.
TEST_F(Twin, TheListSaysWhatIsWrongWithEachPort) {
  ASSERT_EQ(::symlink("/dev/nothing-here", (portsDir + "/COM1").c_str()), 0);
  std::ofstream(portsDir + "/plain").put('x');
  ASSERT_EQ(::symlink((portsDir + "/plain").c_str(), (portsDir + "/COM2").c_str()), 0);
  ASSERT_EQ(::mkfifo((portsDir + "/COM3").c_str(), 0600), 0);
  ASSERT_EQ(::mkdir((portsDir + "/COM4").c_str(), 0700), 0);
  std::vector<std::string> out;
  ASSERT_EQ(run({"--list"}, &out), 0);
  ASSERT_EQ(out.size(), 4u);
  const char* words[] = {"отключено", "не последовательный", "не последовательный",
                         "не последовательный"};
  for (std::size_t i = 0; i < out.size(); ++i) {
    SCOPED_TRACE(out[i]);
    EXPECT_EQ(out[i].rfind("COM" + std::to_string(i + 1) + "  ", 0), 0u);
    EXPECT_EQ(out[i].find("Порт не выбран"), std::string::npos);
    EXPECT_NE(out[i].find(words[i]), std::string::npos);
  }
}

// A unit that was killed failed: exit code 1 in its result and in the station's.
TEST_F(Twin, AKilledUnitIsAFailureOfCodeOne) {
  addDevice(1);
  addDevice(2, {}, 9600);
  const std::string log = portsDir + ".log";
  auto station = start({"--port", "COM1", "--port", "COM2", "--write", "--json", "--log", log});
  awaitWriting(*station, {"COM2"}, 2);
  const std::map<std::string, pid_t> units = unitsOf(station->pid());
  ASSERT_EQ(units.count("COM2"), 1u);
  ::kill(units.at("COM2"), SIGKILL);
  std::vector<std::string> out;
  for (std::string line; !(line = station->line(kUnit)).empty();) out.push_back(line);
  EXPECT_EQ(station->wait(kUnit), 1);
  const std::map<std::string, Json> results = resultsOf(out);
  ASSERT_EQ(results.count("COM2"), 1u);
  EXPECT_EQ(results.at("COM2")["exit_code"], 1);
  EXPECT_EQ(results.at("COM2")["result"], "failed");
  std::map<std::string, int> logged;
  for (const std::string& line : readLines(log)) {
    const Json j = Json::parse(line);
    logged[j["port"]] = j["exit_code"];
  }
  EXPECT_EQ(logged, (std::map<std::string, int>{{"COM1", 0}, {"COM2", 1}}));
}

// Killed mid-write, the station takes its units with it: no byte more, never "PUSK", and
// each unit's result is in the log.
TEST_F(Twin, AKilledStationLeavesNoUnitFlashing) {
  addDevice(1, {}, 9600);
  addDevice(2, {}, 9600);
  const std::string log = portsDir + ".log";
  auto station = start({"--port", "COM1", "--port", "COM2", "--write", "--json", "--log", log});
  awaitWriting(*station, {"COM1", "COM2"}, 2);
  const std::map<std::string, pid_t> units = unitsOf(station->pid());
  ASSERT_EQ(units.size(), 2u);
  station->signal(SIGKILL);
  EXPECT_EQ(station->wait(kUnit), -1);
  for (auto& device : devices) {
    ASSERT_TRUE(device->waitFinished(kUnit));  // the unit closed the port
    EXPECT_FALSE(device->report().device.pusk);
    EXPECT_LT(device->report().device.imageBytes, 260096u);
  }
  for (const auto& [port, pid] : units) {
    const auto until = std::chrono::steady_clock::now() + kUnit;
    while (alive(pid) && std::chrono::steady_clock::now() < until) ::usleep(20000);
    EXPECT_FALSE(alive(pid)) << port;
  }
  std::set<std::string> interrupted;
  for (const std::string& line : readLines(log)) {
    const Json j = Json::parse(line);
    if (j["result"] == "interrupted" && !j["pusk"].get<bool>()) interrupted.insert(j["port"]);
  }
  EXPECT_EQ(interrupted, (std::set<std::string>{"COM1", "COM2"}));
}

// Eight units at once, most with a fault a bench meets; each ends as the window would.
TEST_F(Twin, AStationOfEightWithMixedFaults) {
  devsim::DeviceOptions o[8];
  o[1].faults.strayBytes = true;  // 300 ms after the answer
  o[2].answerDelay = 2500ms;
  o[3].faults.wrongCrcAt = 30;
  o[4].faults.noAnswer = true;
  o[5].faults.silenceFrom = 40;
  o[6].faults.splitReplyAt = 5;
  o[6].pieceSize = 7;
  o[7].faults.hangUpAt = 50;
  std::vector<std::string> args;
  for (unsigned i = 0; i < 8; ++i) {
    addDevice(i + 1, o[i]);
    args.insert(args.end(), {"--port", "COM" + std::to_string(i + 1)});
  }
  args.insert(args.end(), {"--write", "--json", "--log", portsDir + ".log"});
  std::vector<std::string> out;
  EXPECT_EQ(run(args, &out), 5);  // the first failed unit's code, in command-line order
  std::map<std::string, std::string> results;
  for (const auto& [port, j] : resultsOf(out)) results[port] = j["result"];
  EXPECT_EQ(results, (std::map<std::string, std::string>{{"COM1", "ok"},
                                                         {"COM2", "ok"},
                                                         {"COM3", "ok"},
                                                         {"COM4", "wrong_reply"},
                                                         {"COM5", "no_device"},
                                                         {"COM6", "silence"},
                                                         {"COM7", "ok"},
                                                         {"COM8", "line_gone"}}));
  EXPECT_EQ(readLines(portsDir + ".log").size(), 8u);
  for (unsigned i = 0; i < 8; ++i) {
    EXPECT_EQ(devices[i]->report().device.pusk, results["COM" + std::to_string(i + 1)] == "ok")
        << "COM" << i + 1;
  }
}
