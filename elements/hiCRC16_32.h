// Table-driven CRC over a text value, fired as upper-case hexadecimal text. Polynomial and
// start value are hex texts, so a graph can feed one result back as the next start value.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "elements/CrcTables.h"
#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THICRC16_32 : public Element {
 public:
  // 0: the data is taken byte by byte; 1: pairs of hex digits after every " " and "$" is
  // removed; any other value: pairs of hex digits as they stand.
  std::uint8_t HexInput = 0;
  // 0: CRC-16 reflected; 1: as 0, bytes exchanged; 2: as 0, inverted then exchanged;
  // 3: CRC-16 MSB first; 4: CRC-32 reflected, inverted; 5 and above: the start value.
  std::uint8_t Mode = 0;
  std::string Polynom;
  std::string Init;
  std::uint8_t SwapResult = 0;  // 16-bit results are printed with their bytes exchanged

  EventPoint onCRC;
  EventPoint inData;  // no fallback: unconnected, the event's own value
  EventPoint inPolynom;
  EventPoint inInit;

  void doCRC(TData& d);

 private:
  // The table this element used last; tables are shared and never freed, so the pointer
  // stays valid and a computation with the same polynomial takes no lock.
  std::atomic<const CrcTable*> lastTable_{nullptr};
};

}  // namespace hi
