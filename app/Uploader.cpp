#include "app/Uploader.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <optional>

#include "app/DisplayStart.h"
#include "app/hiSimpleForm_221F170.h"
#include "platform/Resources.h"
#include "window/Toolkit.h"
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
  scheme->MainForm->Start();
  return scheme;
}

void runMessageLoop(TClassSimpleForm_221F170& scheme) {
  // The loop ends when the last window has closed; a window closed during the start leaves
  // nothing to wait for.
  if (!scheme.MainForm->closed()) QApplication::exec();
}

namespace {

void showInformation() {
  QMessageBox::information(
      nullptr, QString::fromUtf8("Tormisaplex bootloader"),
      QString::fromUtf8("Запись ПО в устройства Tormisaplex через последовательный порт."));
}

}  // namespace

bool displayConfigured() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
         !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int runUploader(int argc, char** argv) {
  // Without any display Qt would abort with a page of messages; one line says it better.
  if (!displayConfigured()) {
    std::fputs(noDisplayLine("neither DISPLAY nor WAYLAND_DISPLAY is set").c_str(), stderr);
    return 2;
  }
  // The program's own argument, before Qt takes out the options it knows.
  const std::string argument = firstArgument(argc, argv);
  int qtArgc = argc;
  std::optional<DisplayStart> starting(std::in_place);
  QApplication app(qtArgc, argv);
  starting.reset();
  installProgramSeams();
  if (isInfoSwitch(argument)) {
    showInformation();
    return 0;
  }
  {
    GuiHomeThread home;
    std::unique_ptr<TClassSimpleForm_221F170> scheme = startUploader();
    runMessageLoop(*scheme);
    scheme.reset();  // every element, the last created first
  }
  return 0;
}

}  // namespace hi
