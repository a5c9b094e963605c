#include "platform/ConsoleOutput.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

namespace hi {

void attachParentConsole() {
  // Redirected output (a pipe, a file, Wine's terminal) is inherited as a handle and works.
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE) return;
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;  // started from Explorer: no console
  if (std::freopen("CONOUT$", "w", stdout) == nullptr) return;
  std::setvbuf(stdout, nullptr, _IONBF, 0);
}

}  // namespace hi
