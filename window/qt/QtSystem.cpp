// The Qt realisation of the system driver: the application, the home thread's wake-ups,
// the message loop, message boxes, text metrics and the embedded pictures.
#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QEventLoop>
#include <QFontMetrics>
#include <QImageReader>
#include <QMessageBox>
#include <QMetaObject>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/Resources.h"
#include "platform/posix/WakeSignal.h"
#include "runtime/EventGate.h"
#include "window/Colors.h"
#include "window/SystemDriver.h"
#include "window/qt/QtConvert.h"
#include "window/qt/QtDisplayStart.h"

namespace hi {

namespace {

QByteArray resourceBytes(std::string_view name, std::uint16_t type) {
  const auto bytes = findResource(name, type);
  if (!bytes) return {};
  // The bytes live as long as the program; no copy is needed.
  return QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()),
                                 static_cast<qsizetype>(bytes->size()));
}

class QtSystem : public SystemDriver {
 public:
  int pixelsPerInch() override {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
  }

  std::uint32_t systemColor(std::uint8_t index) override { return standardSystemColor(index); }

  TFontRec defaultFont() override { return TFontRec{}; }  // Qt's application font

  Size textExtent(const std::string& text, const TFontRec& font) override {
    const QFontMetrics fm(toQFont(font, QApplication::font()));
    return Size{fm.horizontalAdvance(toQt(text)), fm.height()};
  }

  void showNotice(const std::string& text) override {
    // Called from whichever thread the graph runs on; the box belongs to the GUI thread.
    EventGate::instance().callOnHome([&] {
      QMessageBox box(QMessageBox::NoIcon, QStringLiteral("String-Debug"), toQt(text),
                      QMessageBox::Ok, QApplication::activeWindow());
      box.exec();
    });
  }

  void showInformation(const std::string& caption, const std::string& text) override {
    QMessageBox::information(nullptr, toQt(caption), toQt(text));
  }

  Picture loadBitmap(std::string_view name) override {
    const QByteArray data = resourceBytes(name, ResourceTypeBitmap);
    if (data.isEmpty()) return {};
    return fromQImage(QImage::fromData(data, "BMP"));
  }

  Icon loadIcon(std::string_view name) override {
    QByteArray data = resourceBytes(name, ResourceTypeGroupIcon);
    Icon icon;
    if (data.isEmpty()) return icon;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ICO");
    for (int i = 0; i < std::max(reader.imageCount(), 1); ++i) {
      if (i > 0 && !reader.jumpToImage(i)) break;
      const QImage image = reader.read();
      if (!image.isNull()) icon.images.push_back(fromQImage(image));
    }
    return icon;
  }

  void becomeHomeThread() override {
    if (wake_.valid()) {
      notifier_ = std::make_unique<QSocketNotifier>(wake_.fd(), QSocketNotifier::Read);
      QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        // Cleared first: a call posted while the others run raises the signal again.
        wake_.clear();
        EventGate::instance().runHomeCalls();
      });
      // Other threads only raise the signal; nothing of Qt is touched off the GUI thread.
      EventGate::instance().setHomeThread([this] { wake_.raise(); });
    } else {
      EventGate::instance().setHomeThread([] {
        QMetaObject::invokeMethod(
            qApp, [] { EventGate::instance().runHomeCalls(); }, Qt::QueuedConnection);
      });
    }
  }

  void leaveHomeThread() override {
    EventGate::instance().clearHomeThread();
    notifier_.reset();
  }

  // The loop ends when the last window has closed.
  void runMessageLoop() override { QApplication::exec(); }

  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override {
    if (done()) return true;
    // The loop blocks in the event dispatcher, as the program's does, so calls that other
    // threads carry to the GUI thread run at once.
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
      if (done()) loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    check.start(2);
    loop.exec();
    return done();
  }

 private:
  WakeSignal wake_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

// Qt's messages of the application's start are held back while it starts, so that an
// unreachable display ends in one line, not in Qt's abort.
class QtSession : public ToolkitSession {
 public:
  QtSession(int& argc, char** argv) : starting_(std::in_place, argc > 0 ? argv[0] : nullptr),
                                      app_(argc, argv) {
    starting_.reset();
  }

 private:
  std::optional<DisplayStart> starting_;
  QApplication app_;
};

bool displayConfigured() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
         !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

SystemDriver& systemDriver() {
  static QtSystem system;
  return system;
}

std::unique_ptr<ToolkitSession> openToolkit(int& argc, char** argv, std::string& error) {
  // Without any display Qt would abort with a page of messages; one line says it better.
  if (!displayConfigured()) {
    error = noDisplayText("neither DISPLAY nor WAYLAND_DISPLAY is set");
    return nullptr;
  }
  // The desktop's scaling as it is: 125 % and 150 % stay so (the layout is in 96-DPI
  // pixels, which Qt scales with the fonts), rather than rounded to 100 % or 200 %.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  return std::make_unique<QtSession>(argc, argv);
}

}  // namespace hi
