// The graph's texts are bytes in code page 1251. These convert at the edges (the window
// toolkit, source literals) and fold case the way a Russian Windows locale does.
#pragma once

#include <string>
#include <string_view>

namespace hi {

// The Unicode code point of a code page 1251 byte. Every byte maps (0x98, unassigned in
// the code page, maps to U+0098), so bytes survive a round trip.
char32_t cp1251ToUnicode(unsigned char byte);
// The code page 1251 byte of a code point, or -1 if the code page has no such character.
int unicodeToCp1251(char32_t codePoint);

// Unmappable characters and malformed UTF-8 become "?".
std::string utf8ToCp1251(std::string_view utf8);
std::string cp1251ToUtf8(std::string_view text);

// Lower case for ASCII and every Cyrillic letter of the code page (Ё included).
unsigned char cp1251ToLower(unsigned char byte);
std::string cp1251ToLower(std::string_view text);

// Spelled in UTF-8 in the source, stored as code page 1251: cp1251("Записать").
inline std::string cp1251(std::string_view utf8) { return utf8ToCp1251(utf8); }

}  // namespace hi
