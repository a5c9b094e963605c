// What the serial port tests of every system share: the uploader's line and timeouts, and
// a wait for line events that blocks on another thread.
#pragma once

#include <cstdint>
#include <future>

#include "platform/SerialPort.h"

namespace hi::test {

// 38462 baud, 8N1, as the uploader opens its line.
inline LineSettings uploaderLine() {
  LineSettings s;
  s.baudRate = 38462;
  s.byteSize = 8;
  s.xonLimit = 1024;
  s.xoffLimit = 1024;
  s.abortOnError = true;
  return s;
}

// Reads return at once with what is there; writes may take their line time and a second.
inline Timeouts immediateReads(std::uint32_t writeConstant = 1000) {
  Timeouts t;
  t.readInterval = TimeoutAllOnes;
  t.writeTotalMultiplier = 100;
  t.writeTotalConstant = writeConstant;
  return t;
}

// Runs waitEvent on another thread so that a test can act while it blocks.
inline std::future<WaitResult> waitAsync(SerialPort& port) {
  return std::async(std::launch::async, [&port] { return port.waitEvent(); });
}

}  // namespace hi::test
