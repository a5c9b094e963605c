#include "app/Uploader.h"

#include <cstdio>

#include "app/FlightRecorder.h"
#include "app/hiSimpleForm_221F170.h"
#include "platform/PortMap.h"
#include "platform/Resources.h"
#include "platform/StateFolder.h"
#include "runtime/Cp1251.h"
#include "window/SystemDriver.h"
#include "window/hiSimpleForm.h"

namespace hi {

std::string firstArgument(int argc, char** argv) {
  if (argc < 2 || argv[1] == nullptr) return {};
  std::string_view arg(argv[1]);
  if (arg.size() > 1 && arg.front() == '"' && arg.back() == '"') {
    arg = arg.substr(1, arg.size() - 2);
  }
  return std::string(arg);
}

bool isInfoSwitch(std::string_view argument) {
  return argument == "/ih";
}

void installProgramSeams() {
  installWindowSeams();
  installResourceLoader();
}

std::unique_ptr<TClassSimpleForm_221F170> startUploader() {
  auto scheme = std::make_unique<TClassSimpleForm_221F170>();
  if (FlightRecorder* recorder = activeRecorder()) recorder->attach(*scheme);
  scheme->MainForm->Start();
  return scheme;
}

void runMessageLoop(TClassSimpleForm_221F170& scheme) {
  // A window closed during the start leaves nothing to wait for.
  if (!scheme.MainForm->closed()) systemDriver().runMessageLoop();
}

int runUploader(int argc, char** argv) {
  // The program's own argument, before the toolkit takes out the options it knows.
  const std::string argument = firstArgument(argc, argv);
  int toolkitArgc = argc;
  std::string error;
  const std::unique_ptr<ToolkitSession> toolkit = openToolkit(toolkitArgc, argv, error);
  if (!toolkit) {
    std::fprintf(stderr, "tormisaplex-uploader: %s\n", error.c_str());
    return 2;
  }
  installProgramSeams();
  if (isInfoSwitch(argument)) {
    systemDriver().showInformation(
        "Tormisaplex bootloader",
        cp1251("Запись ПО в устройства Tormisaplex через последовательный порт."));
    return 0;
  }
  // The status line says it too, but a mistyped path is best read where it was typed.
  if (const PortList ports = serialPortList(); ports.error) {
    std::fprintf(stderr, "tormisaplex-uploader: %s\n",
                 describePortListError(*ports.error).c_str());
  }
  // Before the scheme, which it outlives: its taps are in the scheme's wires.
  FlightRecorder recorder("tormisaplex-uploader", JournalFolder(recorderFolder()));
  if (recorderWanted()) recorder.install();
  {
    HomeThread home;
    std::unique_ptr<TClassSimpleForm_221F170> scheme = startUploader();
    runMessageLoop(*scheme);
    scheme.reset();  // every element, the last created first
  }
  return 0;
}

}  // namespace hi
