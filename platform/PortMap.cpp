#include "platform/PortMap.h"

#include "platform/ComName.h"

namespace hi {

const PortEntry* findPort(const PortList& list, std::string_view name) {
  const std::optional<ComName> wanted = ComName::parse(name);
  if (!wanted) return nullptr;
  for (const PortEntry& p : list.ports) {
    if (ComName::parse(p.name) == wanted) return &p;
  }
  return nullptr;
}

const PortEntry* resolvePort(const PortList& list, const std::string& nameOrPath) {
  if (const PortEntry* byName = findPort(list, nameOrPath)) return byName;
  for (const PortEntry& p : list.ports) {
    if (samePortPath(p.path, nameOrPath)) return &p;
  }
  return nullptr;
}

}  // namespace hi
