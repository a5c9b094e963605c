#include "elements/hiConvertor.h"

#include <string_view>

#include "elements/HexText.h"

namespace hi {

void THIConvertor::doConvert(TData& d) {
  const std::int32_t n = readInteger(d, inData, 0);
  if (Mode == ModeCharacter) {
    const char c = static_cast<char>(n & 0xFF);
    forwardString(d, onResult, std::string_view(&c, 1));
  } else if (Mode == ModeHex) {
    char text[8];
    const std::size_t length = writeHex(static_cast<std::uint32_t>(n), Digits % 16, text);
    forwardString(d, onResult, std::string_view(text, length));
  }
}

}  // namespace hi
