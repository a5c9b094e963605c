#include "platform/ConsoleOutput.h"

namespace hi {

void attachParentConsole() {}

}  // namespace hi
