#include "platform/PortMap.h"

namespace hi {

const PortEntry* findPort(const PortList& list, std::string_view name) {
  std::string upper(name);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (const PortEntry& p : list.ports) {
    if (p.name == upper) return &p;
  }
  return nullptr;
}

}  // namespace hi
