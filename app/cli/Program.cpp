#include "app/cli/Program.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/FlightRecorder.h"
#include "app/Journal.h"
#include "app/Uploader.h"
#include "app/cli/CommandLine.h"
#include "app/cli/PortListing.h"
#include "app/cli/Report.h"
#include "app/cli/Session.h"
#include "app/cli/Station.h"
#include "platform/Console.h"
#include "platform/StateFolder.h"
#include "tormisaplex/Version.h"
#include "window/SystemDriver.h"

namespace hi::cli {

namespace {

constexpr const char* kName = "tormisaplex-upload";

int runUnit(const CommandLine& line, int argc, char** argv) {
  std::string error;
  int toolkitArgc = argc;
  const std::unique_ptr<ToolkitSession> toolkit = openToolkit(toolkitArgc, argv, error);
  if (!toolkit) {
    std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
    return exitCode(Outcome::Failed);
  }
  installProgramSeams();
  // The journal takes this program's verdict and words, not only the graph's.
  FlightRecorder recorder(kName, JournalFolder(recorderFolder()));
  const bool recording = recorderWanted();
  if (recording) {
    recorder.install();
    recorder.holdForVerdict();
  }
  HomeThread home;
  JsonObserver json;
  TerminalObserver terminal(isTerminal(StdStream::Out));
  SessionObserver& observer = line.json ? static_cast<SessionObserver&>(json) : terminal;
  const SessionReport report = runSession(line.ports.front(), line.write, observer);
  if (recording) recorder.verdict(report.port, std::string(outcomeName(report.outcome)), report.message);
  if (line.json) {
    emit(jsonLine(resultJson(report)));
  } else {
    terminal.closeBar();
    // The identification was shown as it came: a run that only asks has nothing to add.
    if (report.outcome != Outcome::Ok || line.write) {
      const std::string text = resultText(report);
      std::fputs(text.c_str(), report.outcome == Outcome::Ok ? stdout : stderr);
    }
  }
  if (!line.log.empty()) appendToLog(line.log, resultJson(report));
  return exitCode(report.outcome);
}

}  // namespace

int runTwin(int argc, char** argv) {
  useUtf8Console();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.size() == 1 && args.front() == "--journal") {
    emit(journalSummary(JournalFolder(recorderFolder()), 10));
    return 0;
  }
  std::string error;
  const std::optional<CommandLine> line = parseCommandLine(args, error);
  if (!line) {
    std::fprintf(stderr, "%s: %s\n%s", kName, error.c_str(), usageText().c_str());
    return exitCode(Outcome::Usage);
  }
  if (line->help) {
    emit(usageText());
    return 0;
  }
  if (line->version) {
    emit(std::string(kName) + " " + TORMISAPLEX_VERSION + "\n");
    return 0;
  }
  if (line->list) return listPorts(line->json);
  // A log that cannot take the result is found before the device is touched.
  if (int code = 0; !line->log.empty() && !canAppend(line->log, code)) {
    std::fprintf(stderr, "%s: %s: журнал не записывается: %s\n", kName, line->log.c_str(),
                 systemErrorText(code).c_str());
    return exitCode(Outcome::Usage);
  }
  if (line->ports.size() > 1) {
    watchInterrupts(&interruptStation);
    return runStation(*line);
  }
  watchInterrupts(&interruptSession);
  // A unit of a station ends with its station, as if interrupted: never a "PUSK" unwatched.
  followStarter();
  return runUnit(*line, argc, argv);
}

}  // namespace hi::cli
