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

std::string withoutHomeFolder(const std::string& path) {
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return path;
  std::string prefix = home;
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  if (prefix == "/" || path.compare(0, prefix.size(), prefix) != 0) return path;
  if (path.size() > prefix.size() && path[prefix.size()] != '/') return path;
  return "~" + path.substr(prefix.size());
}

void keepGoingPastFileSizeLimit() {
  ::signal(SIGXFSZ, SIG_IGN);
}

std::uint64_t currentProcessId() {
  return static_cast<std::uint64_t>(::getpid());
}

}  // namespace hi
