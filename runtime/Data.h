// Tagged values that travel through the element graph, their conversions and chains.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hi {

class MemoryStream;
struct TData;

// An input point's or data output's handler: (target element, value, point index).
using PointHandler = void (*)(void* target, TData& data, std::uint16_t index);

// An output event or data input of an element: a plain copyable record. The point is
// connected when its handler is set.
struct EventPoint {
  PointHandler handler = nullptr;
  void* target = nullptr;
  std::uint16_t index = 0;

  bool connected() const noexcept { return handler != nullptr; }
};

enum DataType : std::uint8_t {
  dtNull = 0,
  dtInteger = 1,
  dtString = 2,
  dtData = 3,
  dtCombo = 4,
  dtStrList = 5,
  dtIcon = 6,
  dtReal = 7,
  dtColor = 8,
  dtScript = 9,
  dtStream = 10,
  dtBitmap = 11,
  dtWave = 12,
  dtArray = 13,
  dtComboEx = 14,
  dtFont = 15,
  dtMatrix = 16,
  dtJpeg = 17,
  dtMenu = 18,
  dtCode = 19,
  dtObject = 20,
  dtType = 21,
  dtBreak = 22,
};

// Set in the tag of an event record by forwardTo and its variants; never on a stored value.
inline constexpr std::uint8_t ForwardFlag = 0x80;

// A value. Copying copies the whole record: the text behaves as an independent copy,
// while continuation and next are copied as plain references. Records reached through
// next belong to whoever holds the head and are released only by freeChain.
struct TData {
  std::uint8_t type = dtNull;
  std::int32_t integer = 0;
  std::string text;  // keeps every byte, zero bytes included
  double real = 0.0;
  MemoryStream* stream = nullptr;  // payload of Stream; never owned by the value
  EventPoint continuation;         // read only while ForwardFlag is set
  TData* next = nullptr;
};

// Construction: each sets the tag and its payload and clears continuation and next.
void makeNull(TData& d);
void makeInteger(TData& d, std::int32_t n);
void makeString(TData& d, std::string_view s);
void makeStream(TData& d, MemoryStream* stream);

TData makeNull();
TData makeInteger(std::int32_t n);
TData makeString(std::string_view s);
TData makeStream(MemoryStream* stream);
TData makeReal(double x);

// Conversions; they never change the value.
std::int32_t toInteger(const TData& d);
double toReal(const TData& d);
std::string toString(const TData& d);
MemoryStream* toStream(const TData& d);

// Text to number and back, with the graph's own rules (no blanks skipped, wrap-around).
std::int32_t parseInteger(std::string_view s);
double parseReal(std::string_view s);
std::string formatReal(double x);
// A real to the nearest integer, ties to even, cut to the low 32 bits. NaN, infinities and
// values outside the 64-bit range give 0, as the x87 "integer indefinite" value would.
std::int32_t realToInteger(double x);

// Chains.
TData popValue(TData& head);
void freeChain(TData& v);
void copyChain(TData& dest, const TData& src);

// Keeps the records of a chain that the holder built and frees them when it goes out
// of scope. Handlers may pop the event record they get, so the records are remembered
// before the chain is fired, not looked up afterwards.
class ChainOwner {
 public:
  explicit ChainOwner(const TData& head) : first_(head.next) {}
  ~ChainOwner();
  ChainOwner(const ChainOwner&) = delete;
  ChainOwner& operator=(const ChainOwner&) = delete;

 private:
  TData* first_;
};

}  // namespace hi
