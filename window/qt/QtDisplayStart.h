// Starting Qt: a display that is named but cannot be reached gives the same one line and exit
// code as no display at all, instead of Qt's abort with its advice to reinstall.
#pragma once

#include <string>

namespace hi {

// What is said when there is no display to show the window on; `why` says what was missing
// or could not be reached.
std::string noDisplayText(const std::string& why);

// Held for the construction of the QApplication. Messages of the toolkit's start are kept
// back; a fatal one (no platform could be started) prints "<program>: " and noDisplayText as
// one line and ends the process with code 2 at once. The messages kept back go out when the scope ends.
class DisplayStart {
 public:
  explicit DisplayStart(const char* programPath);
  ~DisplayStart();
  DisplayStart(const DisplayStart&) = delete;
  DisplayStart& operator=(const DisplayStart&) = delete;
};

}  // namespace hi
