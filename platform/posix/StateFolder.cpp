#include "platform/StateFolder.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace hi {

std::string recorderFolder() {
  // A relative XDG_STATE_HOME is invalid and must be ignored.
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/tormisaplex";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/state/tormisaplex";
  return {};
}

void keepGoingPastFileSizeLimit() {
  ::signal(SIGXFSZ, SIG_IGN);
}

std::uint64_t currentProcessId() {
  return static_cast<std::uint64_t>(::getpid());
}

}  // namespace hi
