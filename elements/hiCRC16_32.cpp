#include "elements/hiCRC16_32.h"

#include <string_view>

#include "elements/HexText.h"

namespace hi {

namespace {

CrcRule ruleOf(std::uint8_t mode) {
  if (mode == 3) return CrcRule::MsbFirst16;
  if (mode == 4) return CrcRule::Reflected32;
  return CrcRule::Reflected16;
}

std::uint32_t swapBytes16(std::uint32_t v) {
  return ((v & 0xFFu) << 8) | ((v >> 8) & 0xFFu);
}

class Register {
 public:
  Register(std::uint8_t mode, const std::uint32_t* table, std::uint32_t start)
      : mode_(mode), table_(table), crc_(mode == 4 ? start : start & 0xFFFFu) {}

  void feed(std::uint8_t b) {
    fed_ = true;
    if (mode_ == 3) {
      crc_ = ((table_[(b ^ (crc_ >> 8)) & 0xFFu] & 0xFFFFu) ^ (crc_ << 8)) & 0xFFFFu;
    } else {
      crc_ = table_[(crc_ ^ b) & 0xFFu] ^ (crc_ >> 8);
    }
  }

  std::uint32_t finish() const {
    if (!fed_) return crc_;
    switch (mode_) {
      case 1:
        return swapBytes16(crc_);
      case 2:
        return swapBytes16(~crc_ & 0xFFFFu);
      case 4:
        return ~crc_;
      default:
        return crc_;
    }
  }

 private:
  std::uint8_t mode_;
  const std::uint32_t* table_;
  std::uint32_t crc_;
  bool fed_ = false;
};

// Feeds the text as pairs of hex digits (the last piece of an odd text is one digit).
template <bool StripBlanksAndDollars>
void feedHexPairs(Register& reg, std::string_view text) {
  char piece[2];
  std::size_t have = 0;
  for (char c : text) {
    if (StripBlanksAndDollars && (c == ' ' || c == '$')) continue;
    piece[have++] = c;
    if (have == 2) {
      reg.feed(static_cast<std::uint8_t>(readHex(std::string_view(piece, 2))));
      have = 0;
    }
  }
  if (have == 1) reg.feed(static_cast<std::uint8_t>(readHex(std::string_view(piece, 1))));
}

}  // namespace

void THICRC16_32::doCRC(TData& d) {
  const std::string data = readString(d, inData, "");
  const std::uint32_t polynomial = readHex(readString(d, inPolynom, Polynom));
  const std::uint32_t start = readHex(readString(d, inInit, Init));

  std::uint32_t result = start & 0xFFFFu;
  if (Mode <= 4) {
    const CrcRule rule = ruleOf(Mode);
    const CrcTable* table = lastTable_.load(std::memory_order_acquire);
    if (table == nullptr || table->rule != rule || table->polynomial != polynomial) {
      table = sharedCrcTable(rule, polynomial);
      if (table != nullptr) lastTable_.store(table, std::memory_order_release);
    }
    CrcTable own;
    if (table == nullptr) {
      buildCrcTable(rule, polynomial, own.entries);
      table = &own;
    }
    Register reg(Mode, table->entries.data(), start);
    if (HexInput == 0) {
      for (char c : data) reg.feed(static_cast<std::uint8_t>(c));
    } else if (HexInput == 1) {
      feedHexPairs<true>(reg, data);
    } else {
      feedHexPairs<false>(reg, data);
    }
    result = reg.finish();
  }

  char text[8];
  std::size_t length = 0;
  if (Mode == 4) {
    length = writeHex(result, 8, text);
  } else {
    length = writeHex(SwapResult != 0 ? swapBytes16(result) : result & 0xFFFFu, 4, text);
  }
  forwardString(d, onCRC, std::string_view(text, length));
}

}  // namespace hi
