#include "elements/hiDataToFile.h"

#include "runtime/MemoryStream.h"

namespace hi {

void THIDataToFile::doGet(TData& d) {
  MemoryStream* stream = readStream(inStream);
  if (stream == nullptr) return;
  std::uint8_t byte = 0;
  if (!stream->readByte(byte)) byte = 0;
  forwardTo(d, onGet, makeInteger(byte));
}

}  // namespace hi
