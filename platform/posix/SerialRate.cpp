#include "platform/posix/SerialRate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace hi {

int setExactBaudRate(int fd, std::uint32_t baud, std::uint32_t& actual) {
  actual = 0;
  struct termios2 t {};
  if (::ioctl(fd, TCGETS2, &t) != 0) return errno;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = baud;
  t.c_ospeed = baud;
  if (::ioctl(fd, TCSETS2, &t) != 0) return errno;
  if (::ioctl(fd, TCGETS2, &t) != 0) return errno;
  actual = t.c_ospeed;
  return 0;
}

}  // namespace hi
