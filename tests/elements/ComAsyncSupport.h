// The serial element as the uploader sets it up and drives it, for the element's tests on
// every system.
#pragma once

#include <string>

#include "elements/hiComAsync.h"
#include "runtime/Share.h"

namespace hi::test {

// The uploader's settings: 38462 baud, 8N1, no flow control, reads return at once.
inline void configureAsUploader(THIComAsync& com) {
  com.Baud = 38462;
  com.DataBits = 3;
  com.AbortOnError = 1;
  com.XonChar = 17;
  com.XoffChar = 19;
  com.InQueue = 4096;
  com.OutQueue = 4096;
  com.EvRxChar = 1;
  com.ReadInterval = -1;
  com.WriteTotalMultiplier = 100;
  com.WriteTotalConstant = 1000;
  com.CheckPorts = 1;
}

inline void openPort(THIComAsync& com, const std::string& name) {
  TData d = makeString(name);
  com.doOpen(d, 0);
}

inline void closePort(THIComAsync& com) {
  TData d;
  com.doClose(d, 1);
}

inline void writePort(THIComAsync& com, TData d) {
  com.doWrite(d, 2);
}

}  // namespace hi::test
