#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace hi {

void raiseCurrentThreadPriority() {
  // A nice value is per thread on Linux. Real-time scheduling is not used: a handler that
  // spins would then starve the window thread.
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  for (int nice = -20; nice < 0; nice += 5) {
    if (::setpriority(PRIO_PROCESS, tid, nice) == 0) return;
  }
}

}  // namespace hi
