#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/SerialPort.h"
#include "platform/win32/RegistryPortMap.h"

namespace {

// A key of the test's own under HKEY_CURRENT_USER, removed again at the end.
class ScratchKey {
 public:
  ScratchKey() {
    path_ = L"Software\\TormisaplexTests\\PortMap" + std::to_wstring(::GetCurrentProcessId());
    ::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  ~ScratchKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  bool ok() const { return key_ != nullptr; }
  const wchar_t* path() const { return path_.c_str(); }

  void text(const wchar_t* name, const std::wstring& value) {
    const DWORD size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    ::RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), size);
  }
  void number(const wchar_t* name, DWORD value) {
    ::RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

std::vector<std::string> names(const std::vector<hi::PortEntry>& ports) {
  std::vector<std::string> out;
  for (const hi::PortEntry& p : ports) out.push_back(p.name);
  return out;
}

}  // namespace

TEST(RegistryPortMap, ListsTextValuesInTheKeysOrderUntilOneIsNotText) {
  ScratchKey key;
  ASSERT_TRUE(key.ok());
  // Windows keeps values in the order they were written, Wine sorted by name: these names
  // have the same order either way.
  key.text(L"\\Device\\1Serial2", L"COM12");
  key.text(L"\\Device\\2VCP0", L"COM3");
  key.text(L"\\Device\\3com0com10", L"CNCA0");  // listed as it is, without a COM number
  key.text(L"\\Device\\4Empty", L"");
  key.number(L"\\Device\\5Odd", 7);  // not text: the listing ends here
  key.text(L"\\Device\\6Serial0", L"COM1");

  const std::vector<hi::PortEntry> ports = hi::portsFromRegistry(HKEY_CURRENT_USER, key.path());
  EXPECT_EQ(names(ports), (std::vector<std::string>{"COM12", "COM3", "CNCA0"}));
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0].number, 12);
  EXPECT_EQ(ports[0].path, "\\\\.\\COM12");
  EXPECT_EQ(ports[0].device, "\\Device\\1Serial2");
  EXPECT_EQ(ports[1].driver, "2VCP");
  EXPECT_EQ(ports[2].number, 0);

  EXPECT_TRUE(hi::portsFromRegistry(HKEY_CURRENT_USER, L"Software\\NoSuchKeyHere").empty());
}

TEST(RegistryPortMap, ComNumbersAreThoseOfCom1ToCom255) {
  EXPECT_EQ(hi::comNumberOf("COM1"), 1);
  EXPECT_EQ(hi::comNumberOf("com255"), 255);
  for (const char* other : {"COM", "COM0", "COM256", "COM01", "COM1x", "LPT1", "COM1000"}) {
    EXPECT_EQ(hi::comNumberOf(other), 0) << other;
  }
}

TEST(SerialPortWin32, AnAbsentPortIsNoSuchPort) {
  for (const char* name : {"COM254", "COM1x"}) {
    const hi::SerialPort::OpenResult r = hi::SerialPort::open(name);
    EXPECT_EQ(r.port, nullptr) << name;
    EXPECT_EQ(r.failure.kind, hi::OpenFailureKind::NoSuchPort) << name;
    EXPECT_EQ(r.failure.error, ERROR_FILE_NOT_FOUND) << name;
  }
  // Something in the device namespace that is no serial port.
  EXPECT_EQ(hi::SerialPort::openPath("\\\\.\\NUL").failure.kind, hi::OpenFailureKind::NotSerial);
}
