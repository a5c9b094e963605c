// Thread helpers for the serial reader.
#pragma once

namespace hi {

// Gives the calling thread the highest scheduling priority the process may grant; without
// the privilege for it the thread keeps its priority.
void raiseCurrentThreadPriority();

}  // namespace hi
