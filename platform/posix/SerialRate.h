// Exact line rates through termios2. Kept apart because the kernel's termios headers clash
// with the C library's <termios.h>.
#pragma once

#include <cstdint>

namespace hi {

// Sets both directions to `baud` bits per second, whatever the number, and reports the
// rate the driver took (drivers round to what their clock can divide to). 0 on success,
// else the errno of the failing call.
int setExactBaudRate(int fd, std::uint32_t baud, std::uint32_t& actual);

}  // namespace hi
