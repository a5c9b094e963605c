#include "platform/ComName.h"

namespace hi {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string asciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::optional<ComName> ComName::parse(std::string_view text) {
  std::string_view s = trimmed(text);
  constexpr std::string_view kDevicePrefix = "\\\\.\\";
  if (s.substr(0, kDevicePrefix.size()) == kDevicePrefix) s.remove_prefix(kDevicePrefix.size());
  if (s.size() < 4 || asciiUpper(s.substr(0, 3)) != "COM") return std::nullopt;
  const std::string_view digits = s.substr(3);
  // Three digits at most keeps the sum far from overflow; a leading zero is another name.
  if (digits.size() > 3 || digits[0] == '0') return std::nullopt;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return ofNumber(n);
}

std::optional<ComName> ComName::ofNumber(int number) {
  if (number < kFirst || number > kLast) return std::nullopt;
  return ComName(number);
}

bool isCanonicalComName(std::string_view text) {
  const std::optional<ComName> name = ComName::parse(text);
  return name && name->text() == text;
}

}  // namespace hi
