// Texts between the program (code page 1251, as the graph holds them) and the wide-character
// Win32 functions.
#pragma once

#include <string>
#include <string_view>

namespace hi {

std::wstring widenCp1251(std::string_view text);
std::string narrowCp1251(std::wstring_view text);

}  // namespace hi
