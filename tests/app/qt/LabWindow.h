// The Qt app tests' binary as the lab's user of the window program on real drivers
// (tools/lab): with TORMISAPLEX_LAB_WINDOW=upload:COM33 it picks the port from the open list,
// presses «Записать» and says which display came; with choose:COM1 it picks the port and
// says what the status line says; with watch:COM33 it says when the port
// joins the list and when it leaves it, without a restart. Exit status 0 when that happened.
#pragma once

namespace hi::test {

inline constexpr const char* kLabWindowVariable = "TORMISAPLEX_LAB_WINDOW";

int runLabWindow(const char* task, int argc, char** argv);

}  // namespace hi::test
