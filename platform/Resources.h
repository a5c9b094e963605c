// The program's own embedded resources (listed in resources/CMakeLists.txt).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace hi {

inline constexpr std::uint16_t ResourceTypeBitmap = 2;      // a .bmp file
inline constexpr std::uint16_t ResourceTypeGroupIcon = 14;  // a .ico file
inline constexpr std::uint16_t ResourceTypeStream = 100;    // raw data (the firmware image)

// The bytes of the resource with exactly this name and type, or nothing if there is none.
// The bytes live as long as the program.
std::optional<std::span<const std::uint8_t>> findResource(std::string_view name,
                                                          std::uint16_t type);

// Makes the runtime's loadResourceStream(name) serve the resources of type 100: each call
// gives a new memory stream holding a copy of the bytes, at position 0, or null when the
// name is absent.
void installResourceLoader();

}  // namespace hi
