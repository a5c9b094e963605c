// Owns an in-memory byte stream and offers it to the graph as a stream value.
#pragma once

#include <memory>

#include "runtime/Element.h"
#include "runtime/MemoryStream.h"
#include "runtime/Points.h"

namespace hi {

class THIMemoryStream : public Element {
 public:
  THIMemoryStream();

  // Replaces the stream; the old one is freed, so stream values read before now dangle.
  // A null stream (an absent resource) leaves the element with a new empty stream.
  void Load(std::unique_ptr<MemoryStream> stream);

  // Data output: a stream value referring to the element's own stream, position included.
  void Stream(TData& d, std::uint16_t index);

  MemoryStream& stream() { return *stream_; }

 private:
  std::unique_ptr<MemoryStream> stream_;
};

}  // namespace hi
