#include "elements/hiMemoryStream.h"

namespace hi {

THIMemoryStream::THIMemoryStream() : stream_(std::make_unique<MemoryStream>()) {}

void THIMemoryStream::Load(std::unique_ptr<MemoryStream> stream) {
  stream_ = stream != nullptr ? std::move(stream) : std::make_unique<MemoryStream>();
}

void THIMemoryStream::Stream(TData& d, std::uint16_t /*index*/) {
  makeStream(d, stream_.get());
}

}  // namespace hi
