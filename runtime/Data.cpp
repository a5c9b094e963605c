#include "runtime/Data.h"

#include <cmath>
#include <cstdint>

namespace hi {

namespace {

void clearLinks(TData& d) {
  d.continuation = EventPoint{};
  d.next = nullptr;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void makeNull(TData& d) {
  d.type = dtNull;
  d.text.clear();
  clearLinks(d);
}

void makeInteger(TData& d, std::int32_t n) {
  d.type = dtInteger;
  d.integer = n;
  d.text.clear();
  clearLinks(d);
}

void makeString(TData& d, std::string_view s) {
  d.type = dtString;
  d.text.assign(s);
  clearLinks(d);
}

void makeStream(TData& d, MemoryStream* stream) {
  d.type = dtStream;
  d.stream = stream;
  d.text.clear();
  clearLinks(d);
}

TData makeNull() { return TData{}; }

TData makeInteger(std::int32_t n) {
  TData d;
  makeInteger(d, n);
  return d;
}

TData makeString(std::string_view s) {
  TData d;
  makeString(d, s);
  return d;
}

TData makeStream(MemoryStream* stream) {
  TData d;
  makeStream(d, stream);
  return d;
}

TData makeReal(double x) {
  TData d;
  d.type = dtReal;
  d.real = x;
  return d;
}

std::int32_t realToInteger(double x) {
  // 2^63 is exactly representable; anything at or beyond it cannot become an int64.
  constexpr double limit = 9223372036854775808.0;
  if (!(x >= -limit && x < limit)) return 0;
  const double r = std::nearbyint(x);  // the default rounding mode: ties to even
  if (!(r >= -limit && r < limit)) return 0;
  const auto wide = static_cast<std::uint64_t>(static_cast<std::int64_t>(r));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(wide));
}

std::int32_t toInteger(const TData& d) {
  switch (d.type) {
    case dtInteger: return d.integer;
    case dtString: return parseInteger(d.text);
    case dtReal: return realToInteger(d.real);
    default: return 0;
  }
}

double toReal(const TData& d) {
  switch (d.type) {
    case dtInteger: return d.integer;
    case dtString: return parseReal(d.text);
    case dtReal: return d.real;
    default: return 0.0;
  }
}

std::string toString(const TData& d) {
  switch (d.type) {
    case dtInteger: return std::to_string(d.integer);
    case dtString: return d.text;
    case dtReal: return formatReal(d.real);
    default: return {};
  }
}

MemoryStream* toStream(const TData& d) { return d.type == dtStream ? d.stream : nullptr; }

std::int32_t parseInteger(std::string_view s) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    negative = s[i] == '-';
    ++i;
  }
  // Unsigned arithmetic: a number too long for 32 bits wraps modulo 2^32 rather than being
  // undefined behaviour, and the sign applies to the wrapped value.
  std::uint32_t value = 0;
  for (; i < s.size() && isDigit(s[i]); ++i)
    value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

double parseReal(std::string_view s) {
  if (s.empty()) return 0.0;
  std::size_t i = 0;
  const bool negative = s[0] == '-';
  if (negative) i = 1;
  double value = 0.0;
  double scale = 1.0;
  bool seenPoint = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (isDigit(c)) {
      if (!seenPoint) {
        value = value * 10.0 + (c - '0');
      } else {
        scale *= 0.1;
        value += (c - '0') * scale;
      }
    } else if (c == '.') {
      if (seenPoint) break;
      seenPoint = true;
    } else if (c == 'E' || c == 'e') {
      const std::int32_t exponent = parseInteger(s.substr(i + 1));
      value = static_cast<double>(value * std::pow(10.0L, static_cast<long double>(exponent)));
      break;
    }
    // Anything else (blank, comma, "+", letters) is skipped.
  }
  return negative ? -value : value;
}

std::string formatReal(double x) {
  if (x == 0.0) return "0";
  const bool negative = x < 0;
  // The scaling runs in extended precision (a 64-bit mantissa where the machine has one), so
  // that the fifteen digits come out right after up to a dozen multiplications by ten.
  long double v = negative ? -static_cast<long double>(x) : static_cast<long double>(x);
  if (std::isnan(v) || std::isinf(v)) return negative ? "-INF" : (std::isnan(v) ? "NAN" : "INF");

  int n = 15;
  bool multiplied = false;
  while (v < 5e12L) {
    v *= 10;
    --n;
    multiplied = true;
  }
  if (!multiplied) {
    while (v >= 1e13L) {
      v /= 10;
      ++n;
    }
  }
  while (std::nearbyint(v) < 1e14L) {
    v *= 10;
    --n;
  }
  auto digits = static_cast<std::uint64_t>(std::nearbyint(v));
  if (digits >= 1000000000000000ULL) {  // rounding carried into a 16th digit
    digits /= 10;
    ++n;
  }
  const std::string d = std::to_string(digits);  // 15 digits

  std::string out;
  if (n >= 15) {
    out = d + std::string(static_cast<std::size_t>(n - 15), '0');
  } else {
    if (n > 0) {
      out = d.substr(0, static_cast<std::size_t>(n)) + "." + d.substr(static_cast<std::size_t>(n));
    } else {
      out = "0." + std::string(static_cast<std::size_t>(-n), '0') + d;
    }
    while (!out.empty() && out.back() == '0') out.pop_back();
    if (!out.empty() && out.back() == '.') out.pop_back();
  }
  return negative ? "-" + out : out;
}

TData popValue(TData& head) {
  TData result = head;
  result.next = nullptr;
  if (head.type == dtNull) {
    head.next = nullptr;
  } else if (head.next != nullptr) {
    head = *head.next;  // the copied record stays allocated; its owner frees the chain
  } else {
    head.type = dtNull;
  }
  return result;
}

void freeChain(TData& v) {
  TData* r = v.next;
  while (r != nullptr) {
    TData* following = r->next;
    delete r;
    r = following;
  }
  v.next = nullptr;
}

void copyChain(TData& dest, const TData& src) {
  dest = src;
  TData* last = &dest;
  const TData* from = &src;
  while (from->type != dtNull && from->next != nullptr) {
    from = from->next;
    auto* record = new TData(*from);
    last->next = record;
    last = record;
  }
  last->next = nullptr;
}

ChainOwner::~ChainOwner() {
  TData holder;
  holder.next = first_;
  freeChain(holder);
}

}  // namespace hi
