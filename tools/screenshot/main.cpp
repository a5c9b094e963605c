// tormisaplex-screenshot <file.png>: the program's first window, as shown, saved as a picture.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QWindow>
#include <cstdio>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "window/SystemDriver.h"
#include "window/hiSimpleForm.h"
#include "window/qt/QtControl.h"

namespace {

// Lets the event loop run for a while (painting, the window manager's answers).
void settle(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tormisaplex-screenshot <file.png>\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
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
    settle(500);
    // What the screen shows where the window is, its frame included when there is one.
    const QRect frame = window->frameGeometry();
    QPixmap shot =
        window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull()) shot = window->grab();
    if (shot.isNull() || !shot.save(out, "PNG")) {
      std::fprintf(stderr, "tormisaplex-screenshot: could not save %s\n", argv[1]);
      result = 1;
    }
    scheme.reset();
  }
  hi::disableRuntime();
  return result;
}
