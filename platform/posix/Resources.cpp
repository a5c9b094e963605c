// Resources from the table that the build compiles into the program.
#include "platform/Resources.h"

#include "resources/ResourceTable.h"

namespace hi {

std::optional<std::span<const std::uint8_t>> findResource(std::string_view name,
                                                          std::uint16_t type) {
  for (const resources::Entry& entry : resources::embeddedResources()) {
    if (entry.type == type && name == entry.name) {
      return std::span<const std::uint8_t>(entry.data, entry.size);
    }
  }
  return std::nullopt;
}

}  // namespace hi
