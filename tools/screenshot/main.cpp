// tormisaplex-screenshot [--during-upload] <file.png>: the program's window, as shown, saved
// as a picture: the first window, or (with a device on COM1 of the port map that
// TORMISAPLEX_PORTS names) the window while the upload runs.
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

// Picks COM1 as the user would, waits for the device, presses «Записать» and waits until the
// bar has moved a good way.
bool startUpload(hi::TClassSimpleForm_221F170& scheme) {
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
  write->click();
  return waitFor([&] { return scheme.UploadProgress->position() >= 300; }, 120);
}

}  // namespace

int main(int argc, char** argv) {
  const bool duringUpload = argc == 3 && std::strcmp(argv[1], "--during-upload") == 0;
  if (argc != 2 && !duringUpload) {
    std::fprintf(stderr, "usage: tormisaplex-screenshot [--during-upload] <file.png>\n");
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
    if (duringUpload && !startUpload(*scheme)) result = 1;
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
