#include "tests/app/qt/UploadChild.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "tests/support/Hands.h"
#include "window/SystemDriver.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"

namespace hi::test {

int runUploadingChild(int argc, char** argv) {
  std::string error;
  const auto toolkit = openToolkit(argc, argv, error);
  if (!toolkit) return 2;
  installProgramSeams();
  HomeThread home;
  std::unique_ptr<TClassSimpleForm_221F170> scheme = startUploader();
  const ComboDriver* list = scheme->PortBox->combo();
  int index = -1;
  for (int i = 0; i < list->count(); ++i) {
    if (list->itemText(i) == "COM1") index = i;
  }
  if (index < 0) return 3;
  hands().pick(*scheme->PortBox, index);
  if (!waitFor([&] { return hands().enabled(*scheme->WriteButton); }, std::chrono::seconds(60)))
    return 4;
  hands().click(*scheme->WriteButton);
  std::puts("uploading");
  std::fflush(stdout);
  runMessageLoop(*scheme);
  scheme.reset();
  return 0;
}

}  // namespace hi::test
