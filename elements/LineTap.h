// A seam through which a recorder sees the serial element's line: it may wrap each port the
// element opens (to note what passes), and hears of opens that failed. None by default.
#pragma once

#include <memory>
#include <string>

namespace hi {

class SerialPort;

class LineTap {
 public:
  virtual ~LineTap() = default;
  // Returns the port the element is to use: `port` itself or one that passes everything to it.
  virtual std::unique_ptr<SerialPort> opened(const std::string& name,
                                             std::unique_ptr<SerialPort> port) = 0;
  // `why` is the element's text for the user (code page 1251).
  virtual void openFailed(const std::string& name, const std::string& why) = 0;
};

// The tap must outlive every serial element opened while it is set; nullptr removes it.
void setLineTap(LineTap* tap);
LineTap* lineTap();

}  // namespace hi
