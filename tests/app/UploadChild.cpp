#include "tests/app/UploadChild.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <memory>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "tests/support/QtWait.h"
#include "window/Toolkit.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"

namespace hi::test {

int runUploadingChild(int argc, char** argv) {
  QApplication app(argc, argv);
  installProgramSeams();
  GuiHomeThread home;
  std::unique_ptr<TClassSimpleForm_221F170> scheme = startUploader();
  QComboBox* ports = scheme->PortBox->comboBox();
  const int index = ports->findText(QStringLiteral("COM1"));
  if (index < 0) return 3;
  ports->setCurrentIndex(index);
  emit ports->activated(index);
  QPushButton* write = scheme->WriteButton->button();
  if (!waitFor([&] { return write->isEnabled(); }, std::chrono::seconds(60))) return 4;
  write->click();
  std::puts("uploading");
  std::fflush(stdout);
  runMessageLoop(*scheme);
  scheme.reset();
  return 0;
}

}  // namespace hi::test
