// Key codes as the graph knows them: the virtual key codes of the platform the graphs were
// drawn for (VK_RETURN 13, 'A' 65, VK_F1 112, ...).
#pragma once

#include <cstdint>

namespace hi {

inline constexpr std::int32_t VkReturn = 0x0D;

// The virtual key code of a Qt key (Qt::Key), or 0 for a key that has none.
std::int32_t virtualKeyFromQt(int qtKey);

}  // namespace hi
