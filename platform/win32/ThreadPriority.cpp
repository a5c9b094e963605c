#include "platform/ThreadPriority.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace hi {

void raiseCurrentThreadPriority() {
  // HIGHEST, not TIME_CRITICAL: a handler that spins must not starve the window thread.
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
}

}  // namespace hi
