#include "platform/StateFolder.h"

#include <windows.h>

#include <cstring>
#include <string_view>

namespace hi {

namespace {

std::string utf8Of(std::wstring_view text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

}  // namespace

std::string recorderFolder() {
  const DWORD size = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), size);
  if (n == 0 || n >= size) return {};
  value.resize(n);
  return utf8Of(value) + "\\Tormisaplex";
}

std::string withoutHomeFolder(const std::string& path) {
  const DWORD size = GetEnvironmentVariableW(L"USERPROFILE", nullptr, 0);
  if (size == 0) return path;
  std::wstring value(size, L'\0');
  const DWORD n = GetEnvironmentVariableW(L"USERPROFILE", value.data(), size);
  if (n == 0 || n >= size) return path;
  value.resize(n);
  const std::string home = utf8Of(value);
  if (home.empty() || _strnicmp(path.c_str(), home.c_str(), home.size()) != 0) return path;
  if (path.size() > home.size() && path[home.size()] != '\\' && path[home.size()] != '/') {
    return path;
  }
  return "%USERPROFILE%" + path.substr(home.size());
}

void keepGoingPastFileSizeLimit() {}  // Windows has no such signal

std::uint64_t currentProcessId() {
  return GetCurrentProcessId();
}

}  // namespace hi
