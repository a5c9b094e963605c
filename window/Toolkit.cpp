#include "window/Toolkit.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QMetaObject>
#include <QScreen>
#include <cmath>

#include "runtime/Cp1251.h"
#include "runtime/EventGate.h"
#include "runtime/Seams.h"

namespace hi {

QString toQt(std::string_view cp1251Text) {
  QString out;
  out.reserve(static_cast<qsizetype>(cp1251Text.size()));
  for (char ch : cp1251Text) {
    // Every code page 1251 character lies in the Basic Multilingual Plane.
    out.append(QChar(static_cast<char16_t>(cp1251ToUnicode(static_cast<unsigned char>(ch)))));
  }
  return out;
}

std::string fromQt(const QString& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (QChar c : text) {
    const int b = unicodeToCp1251(c.unicode());
    out += b >= 0 ? static_cast<char>(b) : '?';
  }
  return out;
}

namespace {

QPalette::ColorRole systemColorRole(std::uint8_t index) {
  switch (index) {
    case 5:
      return QPalette::Base;
    case 6:
      return QPalette::Shadow;
    case 7:
    case 8:
      return QPalette::WindowText;
    case 13:
      return QPalette::Highlight;
    case 14:
      return QPalette::HighlightedText;
    case 15:
      return QPalette::Button;
    case 16:
      return QPalette::Dark;
    case 17:
      return QPalette::PlaceholderText;
    case 18:
      return QPalette::ButtonText;
    case 20:
    case 22:
      return QPalette::Light;
    case 21:
      return QPalette::Shadow;
    case 23:
      return QPalette::ToolTipText;
    case 24:
      return QPalette::ToolTipBase;
    default:
      return QPalette::Window;
  }
}

}  // namespace

QColor toQColor(std::uint32_t colour) {
  if ((colour & 0xFF000000u) == SystemColor) {
    return QApplication::palette().color(QPalette::Active,
                                         systemColorRole(static_cast<std::uint8_t>(colour)));
  }
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

QFont toQFont(const TFontRec& rec, const QFont& base) {
  QFont font = base;
  if (rec.Name == "MS Sans Serif") {
    font.setFamilies({QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
  } else if (!rec.Name.empty()) {
    font.setFamilies({toQt(rec.Name)});
  }
  const int height = fontHeightFromPoints(rec.Size);
  if (height != 0) font.setPixelSize(std::abs(height));
  font.setBold((rec.Style & FontBold) != 0);
  font.setItalic((rec.Style & FontItalic) != 0);
  font.setUnderline((rec.Style & FontUnderline) != 0);
  font.setStrikeOut((rec.Style & FontStrikeOut) != 0);
  return font;
}

namespace {

int qtPixelsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}

void qtNotice(const std::string& text) {
  // Called from whichever thread the graph runs on; the box belongs to the GUI thread.
  EventGate::instance().callOnHome([&] {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("String-Debug"), toQt(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  });
}

}  // namespace

void installWindowSeams() {
  setPixelsPerInchSource(&qtPixelsPerInch);
  setNoticeHandler(&qtNotice);
}

GuiHomeThread::GuiHomeThread() {
  if (wake_.valid()) {
    notifier_ = std::make_unique<QSocketNotifier>(wake_.fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
      // Cleared first: a call posted while the others run raises the signal again.
      wake_.clear();
      EventGate::instance().runHomeCalls();
    });
    EventGate::instance().setHomeThread([this] { wake_.raise(); });
  } else {
    EventGate::instance().setHomeThread([] {
      QMetaObject::invokeMethod(
          qApp, [] { EventGate::instance().runHomeCalls(); }, Qt::QueuedConnection);
    });
  }
}

GuiHomeThread::~GuiHomeThread() {
  EventGate::instance().clearHomeThread();
}

}  // namespace hi
