// What a Windows test needs to know about where it runs: under Wine or on Windows, and the
// COM port that tools/wine/devsim-session.sh mapped to the device simulator.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <string>

namespace hi::test {

// Wine's ntdll exports its version; Windows' does not.
inline bool underWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The simulator's port, as "COM<n>"; empty outside a simulator session.
inline std::string devsimPort() {
  const char* port = std::getenv("TORMISAPLEX_TEST_PORT");
  return port != nullptr ? port : "";
}

// The simulator's answer to "VERS" with its default options.
inline constexpr const char* DevsimAnswer = "TORMISAPLEX 10 4.2";

}  // namespace hi::test
