#include <signal.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/devsim/CommandLine.h"
#include "tools/devsim/Simulator.h"
#include "tormisaplex/Version.h"

namespace {

std::atomic<hi::devsim::Simulator*> gSimulator{nullptr};

void onSignal(int) {
  if (hi::devsim::Simulator* simulator = gSimulator.load()) simulator->requestStop();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace hi::devsim;
  Options options;
  std::string error;
  const std::vector<std::string> args(argv + 1, argv + argc);
  switch (parseCommandLine(args, options, error)) {
    case CommandLineResult::Help:
      std::fputs(usageText().c_str(), stdout);
      return 0;
    case CommandLineResult::Version:
      std::printf("tormisaplex-devsim %s\n", TORMISAPLEX_VERSION);
      return 0;
    case CommandLineResult::Error:
      std::fprintf(stderr, "tormisaplex-devsim: %s\n(see --help)\n", error.c_str());
      return 2;
    case CommandLineResult::Run:
      break;
  }

  std::unique_ptr<Simulator> simulator = Simulator::create(options, error);
  if (!simulator) {
    std::fprintf(stderr, "tormisaplex-devsim: %s\n", error.c_str());
    return 3;
  }
  gSimulator = simulator.get();
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::printf("%s\n", simulator->readyLine().c_str());
  std::fflush(stdout);
  simulator->run();
  const Report report = simulator->report();
  std::printf("%s\n", report.summary.c_str());
  std::fflush(stdout);
  const int status = simulator->exitCode();
  gSimulator = nullptr;
  simulator.reset();  // removes the link (run() already did) and the temporary directory
  return status;
}
