#include <algorithm>

#include "platform/win32/RegistryPortMap.h"
#include "platform/win32/WideText.h"

namespace hi {

namespace {

char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

class RegistryKey {
 public:
  RegistryKey(HKEY root, const wchar_t* subkey) {
    if (::RegOpenKeyExW(root, subkey, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

int comNumberOf(std::string_view name) {
  if (name.size() < 4 || name.size() > 6) return 0;
  for (int i = 0; i < 3; ++i) {
    if (asciiUpper(name[static_cast<std::size_t>(i)]) != "COM"[i]) return 0;
  }
  const std::string_view digits = name.substr(3);
  if (digits[0] == '0') return 0;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n <= 255 ? n : 0;
}

std::vector<PortEntry> portMapFromRegistry(HKEY root, const wchar_t* subkey) {
  std::vector<PortEntry> ports;
  const RegistryKey key(root, subkey);
  if (key.get() == nullptr) return ports;
  DWORD count = 0;
  DWORD longestName = 0;
  DWORD longestData = 0;
  if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
    return ports;
  }
  std::wstring name(longestName + 1, L'\0');
  // Room for a terminating NUL that a value may lack.
  std::wstring text(longestData / sizeof(wchar_t) + 2, L'\0');
  for (DWORD i = 0; i < count; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD dataSize = static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t));
    std::fill(text.begin(), text.end(), L'\0');
    const LONG rc = ::RegEnumValueW(key.get(), i, name.data(), &nameSize, nullptr, &type,
                                    reinterpret_cast<BYTE*>(text.data()), &dataSize);
    if (rc != ERROR_SUCCESS || type != REG_SZ) break;
    const std::string port = narrowCp1251(std::wstring_view(text.c_str()));
    if (port.empty()) continue;
    ports.push_back(PortEntry{comNumberOf(port), port, "\\\\.\\" + port});
  }
  return ports;
}

std::vector<PortEntry> serialPortMap() {
  return portMapFromRegistry(HKEY_LOCAL_MACHINE, SerialCommKey);
}

std::optional<std::string> serialPortPath(std::string_view name) {
  std::string wanted(name);
  std::transform(wanted.begin(), wanted.end(), wanted.begin(), asciiUpper);
  for (const PortEntry& p : serialPortMap()) {
    std::string upper = p.name;
    std::transform(upper.begin(), upper.end(), upper.begin(), asciiUpper);
    if (upper == wanted) return p.path;
  }
  return std::nullopt;
}

}  // namespace hi
