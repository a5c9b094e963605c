#include "app/cli/LineGuard.h"

#include <utility>

namespace hi::cli {

void WriteGuard::doWrite(TData& d) {
  std::lock_guard lock(mutex_);
  if (halted_) return;
  const std::string text = toString(d);
  fireEvent(onPass, d);
  if (!uploading_) return;
  if (text.size() == 1) {
    ++imageBytes_;
  } else if (text == "PUSK") {
    startSent_ = true;
  }
}

void WriteGuard::halt() {
  std::lock_guard lock(mutex_);
  halted_ = true;
  if (dropHeld_) dropHeld_();
}

void WriteGuard::insert(EventPoint& point, std::function<void()> dropHeld) {
  dropHeld_ = std::move(dropHeld);
  onPass = point;
  point = makeEventPoint<&WriteGuard::doWrite>(0, this);
}

void Tap::doPass(TData& d) {
  if (counts_ == nullptr || counts_(d)) {
    last_ = Clock::now().time_since_epoch().count();
    fired_ = true;
  }
  fireEvent(onPass, d);
}

void Tap::insert(EventPoint& point) {
  onPass = point;
  point = makeEventPoint<&Tap::doPass>(0, this);
}

}  // namespace hi::cli
