// What the window elements and the program need of the toolkit beyond single windows:
// desktop metrics, message boxes, pictures, the message loop and the home thread. Each
// toolkit folder defines systemDriver() and openToolkit() once.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/Helpers.h"
#include "window/Geometry.h"
#include "window/Picture.h"

namespace hi {

class SystemDriver {
 public:
  virtual ~SystemDriver() = default;
  virtual int pixelsPerInch() = 0;
  // 0x00BBGGRR of a system colour index.
  virtual std::uint32_t systemColor(std::uint8_t index) = 0;
  // The font a control with ParentFont takes.
  virtual TFontRec defaultFont() = 0;
  // The size of one line of text in a font.
  virtual Size textExtent(const std::string& text, const TFontRec& font) = 0;
  // A modal box captioned "String-Debug" with one OK button. Any thread; the box belongs to
  // the home thread.
  virtual void showNotice(const std::string& text) = 0;
  // A modal information box with one OK button.
  virtual void showInformation(const std::string& caption, const std::string& text) = 0;
  // The program's bitmap and icon group resources; empty when missing or unreadable.
  virtual Picture loadBitmap(std::string_view name) = 0;
  virtual Icon loadIcon(std::string_view name) = 0;
  // Makes the calling thread the event gate's home thread: calls other threads carry over
  // (EventGate::callOnHome) wake this thread's message loop. leaveHomeThread runs what is
  // still pending and forgets it.
  virtual void becomeHomeThread() = 0;
  virtual void leaveHomeThread() = 0;
  // Runs the message loop until the program's window has closed.
  virtual void runMessageLoop() = 0;
  // Runs the message loop until done() holds or the time is up; answers done().
  virtual bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) = 0;
};

SystemDriver& systemDriver();

// The toolkit's own set-up for a program's life (Qt's application object, for one). Null,
// with a one-line reason in `error`, when the toolkit cannot work here (no display).
class ToolkitSession {
 public:
  virtual ~ToolkitSession() = default;
};
std::unique_ptr<ToolkitSession> openToolkit(int& argc, char** argv, std::string& error);

// Installs the runtime's seams (runtime/Seams.h) that the window layer realises: pixels per
// inch and the "String-Debug" notice box.
void installWindowSeams();

// The calling thread is the home thread for the scope's lifetime.
class HomeThread {
 public:
  HomeThread() { systemDriver().becomeHomeThread(); }
  ~HomeThread() { systemDriver().leaveHomeThread(); }
  HomeThread(const HomeThread&) = delete;
  HomeThread& operator=(const HomeThread&) = delete;
};

}  // namespace hi
