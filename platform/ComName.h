// A serial port's COM name, COM1..COM255: the one place that reads, writes and compares them.
//
// Read leniently where a person typed it (blanks around it, any ASCII case, the Windows
// device prefix "\\.\"), strictly in its digits (no leading zeros, no trailing junk), so that
// "com7", " COM7 " and "\\.\COM7" are the same port and "COM07", "COM7x" and "COM256" are none.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace hi {

// ASCII letters upper-cased, every other byte (CP1251, UTF-8) left alone.
std::string asciiUpper(std::string_view text);

class ComName {
 public:
  static constexpr int kFirst = 1;
  static constexpr int kLast = 255;

  // nullopt for anything that is not a COM name.
  static std::optional<ComName> parse(std::string_view text);
  // nullopt outside 1..255.
  static std::optional<ComName> ofNumber(int number);

  int number() const { return number_; }
  std::string text() const { return "COM" + std::to_string(number_); }  // "COM7"
  std::string windowsPath() const { return "\\\\.\\" + text(); }        // "\\.\COM7"

  friend bool operator==(ComName, ComName) = default;
  friend auto operator<=>(ComName, ComName) = default;

 private:
  explicit ComName(int number) : number_(number) {}
  int number_;
};

// True when `text` is written exactly as ComName writes it ("COM7", not "com7" or " COM7").
bool isCanonicalComName(std::string_view text);

}  // namespace hi
