// Takes one item at a time from a stream given to it as a stream value.
#pragma once

#include <cstdint>

#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

enum class DataToFileType : std::uint8_t {
  Byte,  // one unsigned byte, given out as an integer 0..255
};

class THIDataToFile : public Element {
 public:
  explicit THIDataToFile(DataToFileType type = DataToFileType::Byte) : DataType(type) {}

  const DataToFileType DataType;  // fixed at construction

  EventPoint onGet;
  EventPoint inStream;

  // Reads one item at the stream's position and forwards it; at the end of the stream the
  // value is 0. Without a stream nothing fires. The event's own value is not used.
  void doGet(TData& d);
};

}  // namespace hi
