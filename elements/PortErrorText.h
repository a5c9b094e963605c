// What the status line says, in code page 1251, when a port does not open or the port list
// cannot be read: one line that tells the user what to do about it.
#pragma once

#include <string>
#include <string_view>

#include "platform/PortMap.h"
#include "platform/SerialPort.h"

namespace hi {

// `port` is the name the user chose, as the graph passed it.
std::string openFailureText(std::string_view port, const OpenFailure& failure);
// A port that opened but refused the line settings.
std::string configurationFailureText(std::string_view port, int error);
std::string portListErrorText(const PortListError& error);

}  // namespace hi
