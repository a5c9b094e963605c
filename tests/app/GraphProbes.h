// Stand-ins for the main graph around a container: they record what the sub-graph sends
// and answer its data reads.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/Share.h"
#include "tests/support/BitwiseCrc.h"

namespace hi::test {

// Records every value fired at it.
struct Recorder : Element {
  std::mutex mutex;
  std::vector<TData> values;

  void doIn(TData& d) {
    std::lock_guard lock(mutex);
    values.push_back(d);
  }
  std::size_t count() {
    std::lock_guard lock(mutex);
    return values.size();
  }
  TData last() {
    std::lock_guard lock(mutex);
    return values.empty() ? TData{} : values.back();
  }
  EventPoint point() { return makeEventPoint<&Recorder::doIn>(0, this); }
};

// Keeps the last text given to it and answers it when read, as the main graph's CrcEdit.
struct TextHolder : Element {
  std::string text;
  void doText(TData& d) { text = toString(d); }
  void Text(TData& d, std::uint16_t) { makeString(d, text); }
};

// Collects bytes written to "the port", one record per write, with their running CRC.
struct Wire : Element {
  std::string bytes;
  std::size_t writes = 0;
  std::uint16_t crc = 0xFFFF;
  void doWrite(TData& d) {
    const std::string chunk = toString(d);
    bytes += chunk;
    crc = modbusCrc(chunk, crc);
    ++writes;
  }
};

inline std::string crcReply(std::uint16_t crc) {
  return std::string{static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)};
}

}  // namespace hi::test
