// Standard output for a program that has a window and may also answer on the command line.
#pragma once

namespace hi {

// Makes stdout reach the console the program was started from. A Windows program with a
// window starts without one: it takes its parent's console when its output is not
// redirected already. Elsewhere stdout is always there; nothing to do.
void attachParentConsole();

}  // namespace hi
