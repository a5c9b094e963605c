// The first-shown main window against its layout, the command line, and the close.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiImage.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"
#include "window/hiSimpleForm.h"

using namespace hi;

namespace {

QString utf8(const char* s) {
  return QString::fromUtf8(s);
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override { scheme = startUploader(); }
  void TearDown() override {
    scheme.reset();
    disableRuntime();
  }

  QSize textSize(const THILabel* label) const {
    const QFontMetrics fm(label->control()->font());
    return QSize(fm.horizontalAdvance(label->label()->text()) + 1, fm.height() + 1);
  }

  std::unique_ptr<TClassSimpleForm_221F170> scheme;
};

void expectFont(const THIWin* c, int points, bool bold) {
  const QFont f = c->control()->font();
  EXPECT_EQ(f.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
  EXPECT_EQ(f.pixelSize(), -fontHeightFromPoints(points));
  EXPECT_EQ(f.bold(), bold);
  EXPECT_EQ(c->control()->palette().color(QPalette::Active, QPalette::WindowText),
            QColor(Qt::black));
}

QColor background(const THIWin* c, QPalette::ColorRole role = QPalette::Window) {
  return c->control()->palette().color(role);
}

}  // namespace

TEST_F(MainWindow, TheWindowItselfAsFirstShown) {
  EXPECT_EQ(scheme->elementCount(), 42u);
  EXPECT_TRUE(runtimeEnabled());
  QWidget* w = scheme->MainForm->window();
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tormisaplex bootloader"));
  EXPECT_EQ(w->pos(), QPoint(200, 200));
  EXPECT_EQ(w->size(), QSize(610, 137));  // 616 x 162 less the frame of a fixed window
  EXPECT_EQ(w->minimumSize(), w->maximumSize());
  EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(w->windowIcon().isNull());
  EXPECT_FALSE(w->windowIcon().availableSizes().isEmpty());
  EXPECT_EQ(w->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
  EXPECT_TRUE(scheme->MainForm->DragAnywhere);
}

TEST_F(MainWindow, EveryControlAtItsPlaceWithItsTextFontAndColour) {
  const QColor face = QApplication::palette().color(QPalette::Button);
  const TClassSimpleForm_221F170& s = *scheme;

  EXPECT_EQ(s.WriteButton->bounds(), QRect(5, 50, 85, 30));
  EXPECT_EQ(s.WriteButton->button()->text(), utf8("Записать"));
  EXPECT_FALSE(s.WriteButton->control()->isEnabled());
  EXPECT_TRUE(s.WriteButton->control()->isVisible());
  EXPECT_EQ(s.WriteButton->Data.type, dtInteger);
  EXPECT_EQ(s.WriteButton->Data.integer, 0);
  EXPECT_FALSE(s.WriteButton->button()->isDefault());
  expectFont(s.WriteButton, 8, false);

  EXPECT_EQ(s.StatusEdit->bounds(), QRect(110, 10, 320, 25));
  EXPECT_EQ(s.StatusEdit->lineEdit()->text(), utf8("Выберите порт с подключённым устройством."));
  EXPECT_TRUE(s.StatusEdit->lineEdit()->isReadOnly());
  EXPECT_EQ(s.StatusEdit->edge(), THIWin::Edge::ClientEdge);
  EXPECT_EQ(background(s.StatusEdit, QPalette::Base),
            QApplication::palette().color(QPalette::Light));
  expectFont(s.StatusEdit, 8, false);

  EXPECT_EQ(s.PortBox->bounds(), QRect(10, 10, 85, 24));
  EXPECT_TRUE(s.PortBox->comboBox()->isEditable());
  EXPECT_EQ(s.PortBox->comboBox()->currentText(), QString());
  EXPECT_EQ(background(s.PortBox, QPalette::Base), QApplication::palette().color(QPalette::Base));
  expectFont(s.PortBox, 8, false);

  EXPECT_EQ(s.UploadProgress->bounds(), QRect(5, 90, 600, 30));
  EXPECT_EQ(s.UploadProgress->Max, 1015);
  EXPECT_EQ(s.UploadProgress->position(), 0);
  EXPECT_EQ(s.UploadProgress->edge(), THIWin::Edge::ClientEdge);
  EXPECT_EQ(background(s.UploadProgress), face);

  EXPECT_EQ(s.VersionLabel->label()->text(), utf8("Версия ПО для обновления:4.2 (KLM7/VLM7)"));
  EXPECT_EQ(s.VersionLabel->bounds(), QRect(QPoint(110, 55), textSize(s.VersionLabel)));
  EXPECT_EQ(background(s.VersionLabel), face);
  expectFont(s.VersionLabel, 8, false);

  // Below the client area's lower edge, laid out there all the same.
  const int clientBottom = s.MainForm->clientArea()->height();
  EXPECT_EQ(s.CrcEdit->bounds(), QRect(45, 145, 85, 25));
  EXPECT_EQ(s.CrcEdit->lineEdit()->text(), QStringLiteral("FFFF"));
  EXPECT_TRUE(s.CrcEdit->control()->isHidden());
  EXPECT_EQ(s.CrcRxLabel->bounds(), QRect(QPoint(140, 150), textSize(s.CrcRxLabel)));
  EXPECT_EQ(s.CrcRxLabel->label()->text(), utf8("CRC принятый:"));
  EXPECT_EQ(s.CrcLabel->bounds(), QRect(QPoint(10, 150), textSize(s.CrcLabel)));
  EXPECT_EQ(s.CrcLabel->label()->text(), QStringLiteral("CRC:"));
  for (const THIWin* c :
       {static_cast<const THIWin*>(s.CrcEdit), static_cast<const THIWin*>(s.CrcRxLabel),
        static_cast<const THIWin*>(s.CrcLabel)}) {
    EXPECT_GE(c->bounds().top(), clientBottom);
  }

  EXPECT_EQ(s.OkButton->bounds(), QRect(245, 60, 115, 30));
  EXPECT_EQ(s.OkButton->button()->text(), QStringLiteral("OK"));

  EXPECT_EQ(s.DoneLabel->bounds(), QRect(5, 0, 492, 54));
  EXPECT_EQ(s.DoneLabel->label()->text(),
            QString(29, QLatin1Char(' ')) + utf8("ПО успешно обновлено!\n") +
                QString(24, QLatin1Char(' ')) + utf8("Сбросте настройки по умолчанию!"));
  expectFont(s.DoneLabel, 10, true);

  EXPECT_EQ(s.ErrorImage->bounds(), QRect(145, 3, 15, 14));
  EXPECT_EQ(s.ErrorImage->Picture.size(), QSize(290, 290));

  EXPECT_EQ(s.ErrorLabel->label()->text(), utf8("Ошибка при передаче данных!"));
  EXPECT_EQ(s.CheckLabel->label()->text(), utf8("Проверьте все соединения и попробуйте ещё раз."));
  expectFont(s.ErrorLabel, 10, false);
  EXPECT_EQ(s.ErrorLabel->label()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

TEST_F(MainWindow, HiddenControlsAreHiddenAndTheErrorLinesStackWhenShown) {
  const TClassSimpleForm_221F170& s = *scheme;
  for (const THIWin* c : std::initializer_list<const THIWin*>{
           s.ErrorLabel, s.CheckLabel, s.CrcEdit, s.OkButton, s.DoneLabel, s.ErrorImage}) {
    EXPECT_TRUE(c->control()->isHidden());
  }
  for (const THIWin* c : std::initializer_list<const THIWin*>{
           s.WriteButton, s.StatusEdit, s.PortBox, s.UploadProgress, s.VersionLabel, s.CrcRxLabel,
           s.CrcLabel}) {
    EXPECT_TRUE(c->control()->isVisible());
  }
  // The failure display shows them in this order, with NULL.
  TData null;
  s.CheckLabel->doVisible(null);
  s.ErrorLabel->doVisible(null);
  s.ErrorImage->doVisible(null);
  const int h = textSize(s.ErrorLabel).height();
  EXPECT_EQ(s.ErrorLabel->bounds(), QRect(0, 0, 610, h));
  EXPECT_EQ(s.CheckLabel->bounds(), QRect(0, h, 610, textSize(s.CheckLabel).height()));
  EXPECT_TRUE(s.ErrorImage->control()->isVisible());
}

TEST_F(MainWindow, TabAndShiftTabMoveBetweenTheControls) {
  QApplication::setActiveWindow(scheme->MainForm->window());
  QLineEdit* status = scheme->StatusEdit->lineEdit();
  status->setFocus();
  QTest::keyClick(status, Qt::Key_Tab);
  EXPECT_TRUE(scheme->PortBox->comboBox()->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(status->hasFocus());
}

TEST_F(MainWindow, AUserCloseEndsTheRunWithTheRuntimeOff) {
  QCloseEvent e;
  QApplication::sendEvent(scheme->MainForm->window(), &e);
  EXPECT_TRUE(e.isAccepted());
  EXPECT_TRUE(scheme->MainForm->closed());
  EXPECT_FALSE(runtimeEnabled());
}

TEST(CommandLine, OnlyTheExactInfoSwitchCounts) {
  auto first = [](std::vector<const char*> args) {
    args.insert(args.begin(), "tormisaplex-uploader");
    return firstArgument(static_cast<int>(args.size()), const_cast<char**>(args.data()));
  };
  EXPECT_TRUE(isInfoSwitch(first({"/ih"})));
  EXPECT_TRUE(isInfoSwitch(first({"\"/ih\""})));
  EXPECT_TRUE(isInfoSwitch(first({"/ih", "more"})));
  EXPECT_FALSE(isInfoSwitch(first({"/IH"})));
  EXPECT_FALSE(isInfoSwitch(first({"/ihx"})));
  EXPECT_FALSE(isInfoSwitch(first({"\"\"/ih\"\""})));  // one pair only
  EXPECT_FALSE(isInfoSwitch(first({"x", "/ih"})));     // only the first argument
  EXPECT_FALSE(isInfoSwitch(first({})));
  EXPECT_EQ(first({"\""}), "\"");  // a lone quote is not a pair
  EXPECT_EQ(first({"\"\""}), "");
}

TEST_F(MainWindow, TheMessageLoopEndsWhenTheWindowCloses) {
  QTimer::singleShot(0, [this] { scheme->MainForm->window()->close(); });
  bool stuck = false;
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] {
    stuck = true;
    QApplication::exit(1);
  });
  guard.start(30000);
  runMessageLoop(*scheme);
  EXPECT_FALSE(stuck);
  EXPECT_TRUE(scheme->MainForm->closed());
}
