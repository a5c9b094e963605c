// The resource loader shared by every system; findResource is each system's own.
#include "platform/Resources.h"

#include <memory>

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

void installResourceLoader() {
  setResourceLoader(&loadStreamResource);
}

}  // namespace hi
