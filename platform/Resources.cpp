#include "platform/Resources.h"

#include <memory>

#include "resources/ResourceTable.h"
#include "runtime/MemoryStream.h"
#include "runtime/Seams.h"

namespace hi {

namespace {

std::unique_ptr<MemoryStream> loadStreamResource(std::string_view name) {
  const auto bytes = findResource(name, ResourceTypeStream);
  if (!bytes) return nullptr;
  return std::make_unique<MemoryStream>(*bytes);
}

}  // namespace

std::optional<std::span<const std::uint8_t>> findResource(std::string_view name,
                                                          std::uint16_t type) {
  for (const resources::Entry& entry : resources::embeddedResources()) {
    if (entry.type == type && name == entry.name) {
      return std::span<const std::uint8_t>(entry.data, entry.size);
    }
  }
  return std::nullopt;
}

void installResourceLoader() {
  setResourceLoader(&loadStreamResource);
}

}  // namespace hi
