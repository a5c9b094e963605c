// SHA-256 of a byte string, as lower-case hex: names the firmware image a record refers to.
// Written here because the one hash does not justify a crypto library on both systems.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace hi {

std::string sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace hi
