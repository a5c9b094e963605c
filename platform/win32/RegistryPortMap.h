// The port list as Windows keeps it: the text values of a registry key, in the key's order.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string_view>
#include <vector>

#include "platform/PortMap.h"

namespace hi {

inline constexpr const wchar_t* SerialCommKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Each text value of `root`\`subkey` is a port: its data the port name, its name the device
// ("\Device\Serial0"), whose stem names the driver ("Serial"). The number is that of
// COM1..COM255, or 0 for any other name. Nothing is opened, sorted or filtered; the listing
// ends at the first value that is not text. A key that cannot be read lists nothing: a
// machine without serial ports has no such key.
std::vector<PortEntry> portsFromRegistry(HKEY root, const wchar_t* subkey);

// 1..255 for "COM1".."COM255" (ASCII case ignored, no leading zeros), else 0.
int comNumberOf(std::string_view name);

}  // namespace hi
