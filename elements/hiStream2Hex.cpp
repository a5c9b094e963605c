#include "elements/hiStream2Hex.h"

#include <string>

namespace hi {

void THIStream2Hex::doConvert(TData& d) {
  static constexpr char digits[] = "0123456789ABCDEF";
  const std::string data = readString(d, inData, "");
  std::string hex(data.size() * 2, '0');
  for (std::size_t i = 0; i < data.size(); ++i) {
    const auto byte = static_cast<unsigned char>(data[i]);
    hex[2 * i] = digits[byte >> 4];
    hex[2 * i + 1] = digits[byte & 0xF];
  }
  forwardString(d, onResult, hex);
}

}  // namespace hi
