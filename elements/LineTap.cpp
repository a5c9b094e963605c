#include "elements/LineTap.h"

#include <atomic>

namespace hi {

namespace {
std::atomic<LineTap*> current{nullptr};
}  // namespace

void setLineTap(LineTap* tap) {
  current = tap;
}

LineTap* lineTap() {
  return current.load();
}

}  // namespace hi
