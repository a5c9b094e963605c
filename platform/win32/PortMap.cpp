// The Windows port list, from the registry; nothing here opens a port.
#include <algorithm>
#include <cctype>

#include "platform/ComName.h"
#include "platform/win32/RegistryPortMap.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32SerialPort.h"

namespace hi {

namespace {

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

// "\Device\Serial0" gives "Serial", "\Device\VCP0" "VCP" (FTDI), "\Device\Silabser0"
// "Silabser" (CP210x), "\Device\USBSER000" "USBSER" (CDC-ACM).
std::string driverOf(const std::string& device) {
  std::string stem = device.substr(device.find_last_of('\\') + 1);
  while (!stem.empty() && std::isdigit(static_cast<unsigned char>(stem.back())) != 0) {
    stem.pop_back();
  }
  return stem;
}

}  // namespace

int comNumberOf(std::string_view name) {
  const std::optional<ComName> com = ComName::parse(name);
  return com ? com->number() : 0;
}

std::vector<PortEntry> portsFromRegistry(HKEY root, const wchar_t* subkey) {
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
    PortEntry entry;
    entry.name = narrowCp1251(std::wstring_view(text.c_str()));
    if (entry.name.empty()) continue;
    entry.number = comNumberOf(entry.name);
    entry.path = "\\\\.\\" + entry.name;
    entry.device = narrowCp1251(std::wstring_view(name.data(), nameSize));
    entry.driver = driverOf(entry.device);
    ports.push_back(std::move(entry));
  }
  return ports;
}

// In the registry's own order, which Windows' own tools show too; without error, as a
// machine without serial ports has no key to read.
PortList serialPortList() {
  PortList list;
  list.ports = portsFromRegistry(HKEY_LOCAL_MACHINE, SerialCommKey);
  return list;
}

// "\\.\COM3" is found by its COM name; other device paths are compared as Windows does,
// ignoring ASCII case.
bool samePortPath(const std::string& a, const std::string& b) {
  return asciiUpper(a) == asciiUpper(b);
}

// Windows tells whether a port is free only to an open, which may already reset a device
// (DTR and RTS come up): only the ports this program holds are known.
void assessPortAccess(std::vector<PortEntry>& ports) {
  for (PortEntry& entry : ports) {
    if (!heldByThisProcess(widenCp1251(entry.path))) continue;
    entry.access = PortAccess::Busy;
    entry.holder.thisProgram = true;
    entry.holder.pid = static_cast<std::int64_t>(::GetCurrentProcessId());
  }
}

std::string describePortListError(const PortListError& error) {
  return error.source + " cannot be read (error " + std::to_string(error.error) +
         "); no ports are listed";
}

}  // namespace hi
