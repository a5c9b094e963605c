// The program's window at the desktop's scaling on Qt. Whatever sets the factor (Xft.dpi on
// X11, the compositor on Wayland, QT_SCALE_FACTOR), the controls keep their 96-DPI geometry
// and Qt draws the window at that geometry times the factor, fonts alike, with every text
// of the window inside its control. ctest runs this suite at 100 % here, and again at 125,
// 150 and 200 % (TORMISAPLEX_EXPECT_SCALE names the factor those runs must see).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QWindow>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "runtime/Cp1251.h"
#include "tests/support/qt/QtTestAccess.h"
#include "window/hiEdit.h"
#include "window/qt/QtConvert.h"

using namespace hi;
using namespace hi::test;

namespace {

double expectedScale() {
  const QByteArray v = qgetenv("TORMISAPLEX_EXPECT_SCALE");
  return v.isEmpty() ? 1.0 : v.toDouble();
}

// The widest line of a control's text, and the room the control gives it.
struct TextFit {
  double text = 0;
  double lines = 0;
  double room = 0;
  double height = 0;
};

TextFit fitOf(QWidget* w) {
  const QFontMetricsF fm(w->font());
  QString text;
  TextFit fit;
  QRectF room = w->contentsRect();
  if (auto* l = qobject_cast<QLabel*>(w)) {
    text = l->text();
  } else if (auto* b = qobject_cast<QPushButton*>(w)) {
    text = b->text();
    room.adjust(3, 3, -3, -3);  // the button's edge
  } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
    text = e->text();
    const QMargins m = e->textMargins();
    room.adjust(m.left() + 2, 0, -m.right() - 2, 0);  // the field's own inner margin
  }
  for (const QString& line : text.split(QStringLiteral("\n"))) {
    fit.text = std::max(fit.text, fm.horizontalAdvance(line));
    fit.lines += fm.height();
  }
  fit.room = room.width();
  fit.height = room.height();
  return fit;
}

class QtScaling : public ::testing::Test {
 protected:
  void SetUp() override { scheme = startUploader(); }
  void TearDown() override {
    scheme.reset();
    disableRuntime();
  }
  std::unique_ptr<TClassSimpleForm_221F170> scheme;
};

TEST_F(QtScaling, WindowGrowsByTheFactorAndEveryTextFits) {
  const double f = expectedScale();
  QWidget* w = windowWidget(*scheme->MainForm);
  ASSERT_NE(w->windowHandle(), nullptr);
  // Passed through as the desktop gives it, not rounded to a whole factor.
  EXPECT_NEAR(w->windowHandle()->devicePixelRatio(), f, 0.001);

  // What Qt draws: the window's pixels are its 96-DPI size times the factor.
  const QPixmap shot = w->grab();
  EXPECT_NEAR(shot.width(), 610 * f, 1);
  EXPECT_NEAR(shot.height(), 137 * f, 1);

  const std::vector<THIWin*>& controls = scheme->MainForm->children();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const THIWin& c = *controls[i];
    QWidget* cw = widget(c);
    SCOPED_TRACE(::testing::Message() << "control " << i << " " << cw->metaObject()->className());
    // The driver lays out in 96-DPI units and leaves the scaling to Qt: scaling once more
    // would double it.
    const Rect b = c.bounds();
    EXPECT_EQ(QRect(cw->mapTo(clientArea(*scheme->MainForm), QPoint(0, 0)), cw->size()),
              QRect(b.left, b.top, b.width, b.height));
    // Fonts in points: their 96-DPI pixels (8 points are 11, 10 are 13) grow with the factor.
    EXPECT_EQ(cw->font().pixelSize(), c.font().Size == 10 ? 13 : 11);
    const TextFit fit = fitOf(cw);
    if (fit.text > 0) {
      EXPECT_LE(fit.text, fit.room) << "too wide";
      EXPECT_LE(fit.lines, fit.height + 1) << "too high";
    }
  }
  // The status line with each text the program shows there.
  for (const char* text : {"Выберите порт с подключённым устройством.",
                           "Устройство: 10   Текущая версия ПО: 4.2",
                           "На этом порту устройств не найдено.",
                           "COM12: нет прав на порт, нужен администратор."}) {
    TData d = makeString(cp1251(text));
    scheme->StatusEdit->doText(d);
    const TextFit fit = fitOf(widget(*scheme->StatusEdit));
    EXPECT_LE(fit.text, fit.room) << text;
  }
}

}  // namespace
