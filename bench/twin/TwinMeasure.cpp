// Measures tormisaplex-upload as a production bench runs it: one unit, then a station of
// four, each device a simulator process of its own. Reports the wall time of the whole run
// (the device's 15-second settle included) and each unit's upload time from «Записать» to
// "PUSK", as the twin's result lines give it.
//
//   tormisaplex_twin_bench             at full speed
//   tormisaplex_twin_bench --baud B    every simulator at B baud (38462: the real line)
//   tormisaplex_twin_bench --baud B --recorder R
//                                      one unit R times with the flight recorder and R times
//                                      without it (TORMISAPLEX_RECORDER=off), in turns
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/ChildProcess.h"

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

struct Run {
  bool ok = true;
  double wallSeconds = 0;
  std::vector<double> uploadSeconds;
  double cpuSeconds = 0;  // of the twin and its units together
  double twinCpuSeconds = 0;  // of the twin and its units, the simulators left out
};

double childrenCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Run failed() {
  Run r;
  r.ok = false;
  return r;
}

Run measure(unsigned units, unsigned baud, bool recorder = true) {
  Run run;
  char dirTemplate[] = "/tmp/tormisaplex-twin-measure-XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr) return failed();
  const std::string dir = dirTemplate;
  std::vector<std::unique_ptr<hi::test::ChildProcess>> devices;
  std::vector<std::string> twinArgs;
  for (unsigned com = 1; com <= units; ++com) {
    std::vector<std::string> args = {"--ports", dir, "--com", std::to_string(com)};
    if (baud != 0) args.insert(args.end(), {"--baud", std::to_string(baud)});
    devices.push_back(std::make_unique<hi::test::ChildProcess>(TORMISAPLEX_DEVSIM_BINARY, args));
    std::string name;
    std::istringstream(devices.back()->line(20s)) >> name;
    if (name != "COM" + std::to_string(com)) {
      std::fprintf(stderr, "the simulator for COM%u did not start\n", com);
      return failed();
    }
    twinArgs.insert(twinArgs.end(), {"--port", name});
  }
  twinArgs.insert(twinArgs.end(), {"--write", "--json"});
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  env.push_back("TORMISAPLEX_PORTS=" + dir);
  env.push_back("XDG_STATE_HOME=" + dir + "/state");  // the journal and traces, thrown away
  if (!recorder) env.push_back("TORMISAPLEX_RECORDER=off");

  const double cpuBefore = childrenCpuSeconds();
  const auto start = Clock::now();
  hi::test::ChildProcess twin(TORMISAPLEX_UPLOAD_BINARY, twinArgs, env);
  for (std::string line; !(line = twin.line(15min)).empty();) {
    const auto j = nlohmann::json::parse(line, nullptr, false);
    if (!j.is_object() || j.value("type", "") != "result") continue;
    if (j.value("result", "") != "ok") {
      std::fprintf(stderr, "%s\n", line.c_str());
      run.ok = false;
    }
    if (j["upload_ms"].is_number()) run.uploadSeconds.push_back(j["upload_ms"].get<double>() / 1000);
  }
  run.ok = twin.wait(1min) == 0 && run.ok;
  run.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.twinCpuSeconds = childrenCpuSeconds() - cpuBefore;  // the simulators are not reaped yet
  for (auto& d : devices) d->wait(1min);
  run.cpuSeconds = childrenCpuSeconds() - cpuBefore;  // the simulators' share included
  devices.clear();
  if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) std::fprintf(stderr, "%s stays\n", dir.c_str());
  return run;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 == 1 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// One unit with the recorder and without it, in turns, so that a change of load hits both.
int compareRecorder(unsigned baud, unsigned rounds) {
  std::vector<double> upload[2], cpu[2];
  for (unsigned round = 0; round < rounds; ++round) {
    for (bool on : {true, false}) {
      const Run r = measure(1, baud, on);
      if (!r.ok || r.uploadSeconds.size() != 1) {
        std::printf("recorder %s: FAILED\n", on ? "on" : "off");
        return 1;
      }
      upload[on].push_back(r.uploadSeconds[0]);
      cpu[on].push_back(r.twinCpuSeconds);
      std::printf("recorder %-3s upload %.3f s, CPU of the twin and its unit %.3f s\n",
                  on ? "on" : "off", r.uploadSeconds[0], r.twinCpuSeconds);
      std::fflush(stdout);
    }
  }
  const double up = median(upload[1]) / median(upload[0]) - 1;
  const double cp = median(cpu[1]) / median(cpu[0]) - 1;
  std::printf("medians of %u: upload %.3f s on, %.3f s off (%+.2f %%); CPU %.3f s on, %.3f s "
              "off (%+.1f %%)\n",
              rounds, median(upload[1]), median(upload[0]), up * 100, median(cpu[1]),
              median(cpu[0]), cp * 100);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned baud = 0;
  if (argc >= 3 && std::string(argv[1]) == "--baud") baud = static_cast<unsigned>(std::atoi(argv[2]));
  if (argc == 5 && std::string(argv[3]) == "--recorder") {
    return compareRecorder(baud, static_cast<unsigned>(std::max(1, std::atoi(argv[4]))));
  }
  std::printf("tormisaplex-upload, %s: wall time (settle included), upload to \"PUSK\" per unit\n",
              baud == 0 ? "simulators at full speed" : ("simulators at " + std::to_string(baud) + " baud").c_str());
  int status = 0;
  for (unsigned units : {1u, 4u}) {
    const Run r = measure(units, baud);
    if (!r.ok || r.uploadSeconds.size() != units) {
      std::printf("%u unit(s): FAILED\n", units);
      status = 1;
      continue;
    }
    const auto [low, high] = std::minmax_element(r.uploadSeconds.begin(), r.uploadSeconds.end());
    std::printf("%u unit(s): wall %.2f s, upload %.2f to %.2f s, CPU of all processes %.2f s\n",
                units, r.wallSeconds, *low, *high, r.cpuSeconds);
  }
  return status;
}
