// Key codes as the graph knows them: the virtual key codes of the platform the graphs were
// drawn for (VK_RETURN 13, 'A' 65, VK_F1 112, ...). Drivers translate their toolkit's keys.
#pragma once

#include <cstdint>

namespace hi {

inline constexpr std::int32_t VkBack = 0x08;
inline constexpr std::int32_t VkTab = 0x09;
inline constexpr std::int32_t VkReturn = 0x0D;
inline constexpr std::int32_t VkEscape = 0x1B;
inline constexpr std::int32_t VkSpace = 0x20;
inline constexpr std::int32_t VkPrior = 0x21;  // Page Up
inline constexpr std::int32_t VkNext = 0x22;   // Page Down
inline constexpr std::int32_t VkEnd = 0x23;
inline constexpr std::int32_t VkHome = 0x24;
inline constexpr std::int32_t VkLeft = 0x25;
inline constexpr std::int32_t VkUp = 0x26;
inline constexpr std::int32_t VkRight = 0x27;
inline constexpr std::int32_t VkDown = 0x28;
inline constexpr std::int32_t VkF4 = 0x73;

}  // namespace hi
