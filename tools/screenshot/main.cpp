// tormisaplex-screenshot [--state STATE | --during-upload] <file.png>: the program's window,
// as shown, saved as a picture. STATE is first (the default), or, with a device on COM1 of
// the port map that TORMISAPLEX_PORTS names: identified (the device answered), upload (the
// bar has moved a good way; --during-upload is the same), success or failure (the result
// display the upload ended with).
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <functional>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "window/SystemDriver.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"
#include "window/hiSimpleForm.h"
#include "window/qt/QtControl.h"

namespace {

// Lets the event loop run for a while (painting, the window manager's answers).
void settle(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool waitFor(const std::function<bool()>& done, int seconds) {
  return hi::systemDriver().runUntil(done, std::chrono::seconds(seconds));
}

enum class State { First, Identified, Upload, Success, Failure };

bool parseState(const char* name, State& state) {
  static const struct {
    const char* name;
    State state;
  } states[] = {{"first", State::First},
                {"identified", State::Identified},
                {"upload", State::Upload},
                {"success", State::Success},
                {"failure", State::Failure}};
  for (const auto& s : states) {
    if (std::strcmp(name, s.name) == 0) {
      state = s.state;
      return true;
    }
  }
  return false;
}

// Picks COM1 as the user would and waits for the device; then, as far as the state asks,
// presses «Записать» and waits until the bar has moved a good way or the result shows.
bool reach(hi::TClassSimpleForm_221F170& scheme, State state) {
  if (state == State::First) return true;
  auto* ports = static_cast<QComboBox*>(hi::qtWidget(scheme.PortBox->driver()));
  const int index = ports->findText(QStringLiteral("COM1"));
  if (index < 0) {
    std::fprintf(stderr, "tormisaplex-screenshot: no COM1 in the port map\n");
    return false;
  }
  ports->setCurrentIndex(index);
  emit ports->activated(index);
  auto* write = static_cast<QPushButton*>(hi::qtWidget(scheme.WriteButton->driver()));
  if (!waitFor([&] { return write->isEnabled(); }, 20)) {
    std::fprintf(stderr, "tormisaplex-screenshot: the device on COM1 did not answer\n");
    return false;
  }
  if (state == State::Identified) return true;
  write->click();
  if (state == State::Upload) {
    return waitFor([&] { return scheme.UploadProgress->position() >= 300; }, 120);
  }
  const hi::THIWin* display = state == State::Success ? static_cast<hi::THIWin*>(scheme.DoneLabel)
                                                      : static_cast<hi::THIWin*>(scheme.ErrorLabel);
  if (!waitFor([&] { return display->shownInParent(); }, 300)) {
    std::fprintf(stderr, "tormisaplex-screenshot: the %s display did not come\n",
                 state == State::Success ? "success" : "failure");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  State state = State::First;
  const bool ok = argc == 2 || (argc == 3 && std::strcmp(argv[1], "--during-upload") == 0 &&
                                (state = State::Upload, true)) ||
                  (argc == 4 && std::strcmp(argv[1], "--state") == 0 && parseState(argv[2], state));
  if (!ok) {
    std::fprintf(stderr,
                 "usage: tormisaplex-screenshot [--state first|identified|upload|success|failure"
                 " | --during-upload] <file.png>\n");
    return 2;
  }
  const char* file = argv[argc - 1];
  const QString out = QString::fromLocal8Bit(file);
  int qtArgc = 1;
  std::string error;
  const auto toolkit = hi::openToolkit(qtArgc, argv, error);
  if (!toolkit) {
    std::fprintf(stderr, "tormisaplex-screenshot: %s\n", error.c_str());
    return 2;
  }
  hi::installProgramSeams();
  int result = 0;
  {
    hi::HomeThread home;
    auto scheme = hi::startUploader();
    QWidget* window = hi::qtWidget(scheme->MainForm->driver());
    QElapsedTimer timer;
    timer.start();
    while (!(window->windowHandle() != nullptr && window->windowHandle()->isExposed()) &&
           timer.elapsed() < 10000) {
      QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (!reach(*scheme, state)) result = 1;
    settle(500);
    // What the screen shows where the window is, its frame included when there is one.
    const QRect frame = window->frameGeometry();
    QPixmap shot =
        window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull()) shot = window->grab();
    if (shot.isNull() || !shot.save(out, "PNG")) {
      std::fprintf(stderr, "tormisaplex-screenshot: could not save %s\n", file);
      result = 1;
    }
    hi::TData close;
    scheme->MainForm->doClose(close);
    scheme.reset();
  }
  hi::disableRuntime();
  return result;
}
