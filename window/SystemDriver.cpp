#include "window/SystemDriver.h"

#include "runtime/Seams.h"

namespace hi {

namespace {

int driverPixelsPerInch() {
  return systemDriver().pixelsPerInch();
}

void driverNotice(const std::string& text) {
  systemDriver().showNotice(text);
}

}  // namespace

void installWindowSeams() {
  setPixelsPerInchSource(&driverPixelsPerInch);
  setNoticeHandler(&driverNotice);
}

}  // namespace hi
