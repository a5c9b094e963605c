// The table of files built into the program (see resources/CMakeLists.txt). The build
// generates its definition; platform/Resources.h is the interface the program uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace hi::resources {

struct Entry {
  const char* name;
  std::uint16_t type;
  const unsigned char* data;
  std::size_t size;
};

std::span<const Entry> embeddedResources();

}  // namespace hi::resources
