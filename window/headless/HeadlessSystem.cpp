#include <cstdio>
#include <cstdlib>

#include "platform/Resources.h"
#include "runtime/EventGate.h"
#include "window/Colors.h"
#include "window/DibImages.h"
#include "window/headless/Headless.h"

namespace hi::headless {

std::uint32_t System::systemColor(std::uint8_t index) {
  return standardSystemColor(index);
}

TFontRec System::defaultFont() {
  return makeFontRec("MS Sans Serif", 8, 0, 0, 1);
}

Size System::textExtent(const std::string& text, const TFontRec& font) {
  const int h = std::abs(fontHeightFromPoints(font.Size != 0 ? font.Size : 8));
  const int width = (h + 1) / 2 + ((font.Style & FontBold) ? 1 : 0);
  return Size{static_cast<int>(text.size()) * width, h + (h + 3) / 4};
}

void System::showNotice(const std::string& text) {
  EventGate::instance().callOnHome([&] {
    {
      std::lock_guard lock(mutex_);
      notices_.push_back(text);
    }
    std::fprintf(stderr, "String-Debug: %s\n", text.c_str());
  });
}

void System::showInformation(const std::string& caption, const std::string& text) {
  std::printf("%s: %s\n", caption.c_str(), text.c_str());
}

std::vector<std::string> System::notices() const {
  std::lock_guard lock(mutex_);
  return notices_;
}

Picture System::loadBitmap(std::string_view name) {
  const auto bytes = findResource(name, ResourceTypeBitmap);
  return bytes ? decodeBmp(*bytes) : Picture{};
}

Icon System::loadIcon(std::string_view name) {
  const auto bytes = findResource(name, ResourceTypeGroupIcon);
  return bytes ? decodeIco(*bytes) : Icon{};
}

void System::becomeHomeThread() {
  EventGate::instance().setHomeThread([this] {
    std::lock_guard lock(mutex_);
    woken_ = true;
    wake_.notify_all();
  });
}

void System::leaveHomeThread() {
  EventGate::instance().clearHomeThread();
}

void System::windowClosed() {
  std::lock_guard lock(mutex_);
  quit_ = true;
  woken_ = true;
  wake_.notify_all();
}

void System::serveFor(std::chrono::milliseconds span) {
  {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, span, [this] { return woken_; });
    woken_ = false;
  }
  EventGate::instance().runHomeCalls();
}

void System::runMessageLoop() {
  {
    std::lock_guard lock(mutex_);
    quit_ = false;
  }
  for (;;) {
    serveFor(std::chrono::milliseconds(100));
    std::lock_guard lock(mutex_);
    if (quit_) return;
  }
}

bool System::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    serveFor(std::chrono::milliseconds(2));
  }
  return true;
}

System& system() {
  static System s;
  return s;
}

}  // namespace hi::headless

namespace hi {

SystemDriver& systemDriver() {
  return headless::system();
}

namespace {

class HeadlessSession : public ToolkitSession {};

}  // namespace

std::unique_ptr<ToolkitSession> openToolkit(int&, char**, std::string&) {
  return std::make_unique<HeadlessSession>();
}

}  // namespace hi
