// Decoding of the program's uncompressed bitmap and icon files without a toolkit.
#pragma once

#include <cstdint>
#include <span>

#include "window/Picture.h"

namespace hi {

// A .bmp file of 24 or 32 bits per pixel, uncompressed or with bit-field masks; an empty
// picture for anything else.
Picture decodeBmp(std::span<const std::uint8_t> file);
// Every 32-bit image of an .ico file (images of other depths or in PNG are left out).
Icon decodeIco(std::span<const std::uint8_t> file);

}  // namespace hi
