// Measures a whole upload: the program's main scheme, built as its entry builds it, against
// the device simulator running as a separate process. Reports how soon after the process
// started the window was shown, then for each upload the wall time from the press of
// "Записать" to "PUSK", the program's CPU time over that span and its peak memory.
//
//   tormisaplex_upload_bench               full speed, then at 38462 baud with every answer
//                                          whole, then with every answer byte by byte
//   tormisaplex_upload_bench --baud B [--pieces N]
//                                          only at B baud (0: full speed), answers in pieces
//                                          of N bytes (0: whole)
//   --repeat R                             each upload R times
//
// The Qt platform is QT_QPA_PLATFORM's (offscreen when unset); tools/run-bench.sh also runs
// it in a real window on a virtual X server.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "elements/hiMultiElementEx.h"
#include "elements/hiMMTimer.h"
#include "tests/support/ChildProcess.h"
#include "window/SystemDriver.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiSimpleForm.h"
#include "window/qt/QtControl.h"

using namespace hi;
using Clock = std::chrono::steady_clock;

namespace {

// Notes when the upload reports its end ("PUSK" has been written just before), ends the
// GUI thread's wait for it, then lets the event go on.
struct EndTap : Element {
  EventPoint onPass;
  std::atomic<bool> reached{false};
  Clock::time_point at{};
  QEventLoop* loop = nullptr;
  void doPass(TData& d) {
    if (!reached) {
      at = Clock::now();
      reached = true;
      // Posted to the GUI thread's own queue, so that it waits in its dispatcher as the
      // program's message loop does: a polling wait would cost processor time of its own.
      QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
    }
    fireEvent(onPass, d);
  }
};

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Seconds since this process was started by the kernel (to the kernel clock's tick).
double secondsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The command name may hold spaces; the fields after its closing parenthesis do not.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  unsigned long long startTicks = 0;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) startTicks = std::stoull(field);
  }
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 -
         static_cast<double>(startTicks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Starts the program's window as its entry does, with no ports, and tells how long after
// the process started it was on the screen.
int measureStart() {
  char dirTemplate[] = "/tmp/tormisaplex-measure-XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr) return 1;
  setenv("TORMISAPLEX_PORTS", dirTemplate, 1);
  auto scheme = startUploader();
  const bool exposed = QTest::qWaitForWindowExposed(qtWidget(scheme->MainForm->driver()), 5000);
  const double shown = secondsSinceProcessStart();
  TData close;
  scheme->MainForm->doClose(close);
  scheme.reset();
  ::rmdir(dirTemplate);
  if (!exposed) {
    std::fprintf(stderr, "the window was not shown\n");
    return 1;
  }
  std::printf("%s: window shown %.3f s after the process started\n",
              QGuiApplication::platformName().toUtf8().constData(), shown);
  return 0;
}

long peakKilobytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

int measure(unsigned baud, unsigned pieces) {
  char dirTemplate[] = "/tmp/tormisaplex-measure-XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr) return 1;
  const std::string dir = dirTemplate;
  std::vector<std::string> args = {"--ports", dir, "--com", "1"};
  if (baud != 0) args.insert(args.end(), {"--baud", std::to_string(baud)});
  // Pieces at the line's own pace: each byte arrives when the line has carried it.
  if (pieces != 0) args.insert(args.end(), {"--pieces", std::to_string(pieces)});
  test::ChildProcess device(TORMISAPLEX_DEVSIM_BINARY, args);
  std::string com;
  std::istringstream(device.line(std::chrono::seconds(20))) >> com;
  if (com != "COM1") {
    std::fprintf(stderr, "the simulator did not start\n");
    return 1;
  }
  setenv("TORMISAPLEX_PORTS", dir.c_str(), 1);

  auto scheme = startUploader();
  scheme->SettleDelay->Interval = 1;  // the measurement ends at "PUSK"
  EndTap end;
  end.onPass = scheme->UploadBox->onEvent[2];
  scheme->UploadBox->onEvent[2] = makeEventPoint<&EndTap::doPass>(0, &end);

  auto waitFor = [](const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return systemDriver().runUntil(done, timeout);
  };
  auto* ports = static_cast<QComboBox*>(qtWidget(scheme->PortBox->driver()));
  const int index = ports->findText("COM1");
  ports->setCurrentIndex(index);
  emit ports->activated(index);
  auto* write = static_cast<QPushButton*>(qtWidget(scheme->WriteButton->driver()));
  if (!waitFor([&] { return write->isEnabled(); }, std::chrono::seconds(20))) {
    std::fprintf(stderr, "the device was not identified\n");
    return 1;
  }

  QEventLoop loop;
  end.loop = &loop;
  const double cpuBefore = cpuSeconds();
  const Clock::time_point start = Clock::now();
  QTest::mouseClick(write, Qt::LeftButton);
  QTimer::singleShot(std::chrono::minutes(5), &loop, &QEventLoop::quit);
  if (!end.reached) loop.exec();
  const bool done = end.reached;
  const double cpu = cpuSeconds() - cpuBefore;
  // The program waits 15 s after "PUSK" before anything closes the port; without a pause
  // here a close can overtake "PUSK" on its way through the pseudo-terminal.
  QTest::qWait(1000);
  TData close;
  scheme->MainForm->doClose(close);
  scheme.reset();
  const int deviceStatus = device.wait(std::chrono::seconds(20));
  const std::string summary = device.line(std::chrono::seconds(1));
  ::rmdir(dir.c_str());
  if (!done) {
    std::fprintf(stderr, "the upload did not end\n");
    return 1;
  }

  const double wall = std::chrono::duration<double>(end.at - start).count();
  const std::string rate = baud == 0 ? "full speed" : std::to_string(baud) + " baud";
  const std::string split = pieces == 0 ? "whole" : "pieces of " + std::to_string(pieces);
  std::printf("%s: %-12s %-12s Записать to PUSK %7.2f s   CPU %6.2f s   peak memory %6.1f MiB   "
              "device %s\n",
              QGuiApplication::platformName().toUtf8().constData(), rate.c_str(), split.c_str(),
              wall, cpu,
              static_cast<double>(peakKilobytes()) / 1024.0,
              deviceStatus == 0 ? "satisfied" : "NOT satisfied");
  if (baud != 0) {
    std::printf("%-25s line limit (260096 + 1016 x 2) x 10 / %u = %.2f s\n", "", baud,
                (260096.0 + 1016 * 2) * 10 / baud);
  }
  if (deviceStatus != 0) std::printf("%s\n", summary.c_str());
  return deviceStatus == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  struct Run {
    unsigned baud;
    unsigned pieces;
  };
  std::vector<Run> runs = {{0, 0}, {38462, 0}, {38462, 1}};
  Run only{0, 0};
  bool chosen = false;
  unsigned repeat = 1;
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = static_cast<unsigned>(std::atoi(argv[i + 1]));
    if (arg == "--baud") only.baud = value;
    if (arg == "--pieces") only.pieces = value;
    if (arg == "--repeat") repeat = value;
    chosen = chosen || arg == "--baud" || arg == "--pieces";
  }
  if (chosen) runs = {only};
  int qtArgc = 1;
  std::string error;
  const auto toolkit = openToolkit(qtArgc, argv, error);
  if (!toolkit) return 2;
  installProgramSeams();
  HomeThread home;
  int status = measureStart();
  for (const Run& run : runs) {
    for (unsigned i = 0; i < repeat; ++i) status |= measure(run.baud, run.pieces);
  }
  return status;
}
