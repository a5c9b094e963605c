// The program's window as Qt shows it: frame, icon, fonts, colours and Tab navigation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "tests/support/qt/QtTestAccess.h"
#include "window/Colors.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiImage.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"
#include "window/qt/QtConvert.h"

using namespace hi;
using namespace hi::test;

namespace {

class QtMainWindow : public ::testing::Test {
 protected:
  void SetUp() override { scheme = startUploader(); }
  void TearDown() override {
    scheme.reset();
    disableRuntime();
  }
  std::unique_ptr<TClassSimpleForm_221F170> scheme;
};

// Sizes in pixels at the offscreen screen's 96 pixels per inch: 8 points are 11, 10 are 13.
void expectFont(const THIWin* c, int pixels, bool bold) {
  const QFont f = widget(*c)->font();
  EXPECT_EQ(f.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
  EXPECT_EQ(f.pixelSize(), pixels);
  EXPECT_EQ(f.bold(), bold);
  EXPECT_EQ(widget(*c)->palette().color(QPalette::Active, QPalette::WindowText),
            QColor(Qt::black));
}

QColor background(const THIWin* c, QPalette::ColorRole role = QPalette::Window) {
  return widget(*c)->palette().color(role);
}

}  // namespace

TEST_F(QtMainWindow, FrameIconFontsAndColours) {
  QWidget* w = windowWidget(*scheme->MainForm);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tormisaplex bootloader"));
  EXPECT_EQ(w->pos(), QPoint(200, 200));
  EXPECT_EQ(w->size(), QSize(610, 137));  // 616 x 162 less the frame of a fixed window
  EXPECT_EQ(w->minimumSize(), w->maximumSize());
  EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(w->windowIcon().availableSizes().isEmpty());
  const QColor face = toQColor(clBtnFace);
  EXPECT_EQ(w->palette().color(QPalette::Window), face);

  const TClassSimpleForm_221F170& s = *scheme;
  expectFont(s.WriteButton, 11, false);
  EXPECT_FALSE(widgetAs<QPushButton>(*s.WriteButton)->isDefault());
  expectFont(s.StatusEdit, 11, false);
  EXPECT_TRUE(widgetAs<QLineEdit>(*s.StatusEdit)->isReadOnly());
  EXPECT_EQ(background(s.StatusEdit, QPalette::Base), toQColor(cl3DLight));
  EXPECT_TRUE(widgetAs<QComboBox>(*s.PortBox)->isEditable());
  EXPECT_EQ(background(s.PortBox, QPalette::Base), toQColor(clWindow));
  expectFont(s.PortBox, 11, false);
  EXPECT_EQ(background(s.UploadProgress), face);
  EXPECT_EQ(background(s.VersionLabel), face);
  expectFont(s.VersionLabel, 11, false);
  expectFont(s.DoneLabel, 13, true);
  expectFont(s.ErrorLabel, 13, false);
  EXPECT_EQ(widgetAs<QLabel>(*s.ErrorLabel)->alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignHCenter);
}

TEST_F(QtMainWindow, TabAndShiftTabMoveBetweenTheControls) {
  QApplication::setActiveWindow(windowWidget(*scheme->MainForm));
  QWidget* status = widget(*scheme->StatusEdit);
  status->setFocus();
  QTest::keyClick(status, Qt::Key_Tab);
  EXPECT_TRUE(widget(*scheme->PortBox)->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(status->hasFocus());
}
