// `--list`: every port of the port map with what the system knows of it, without opening any.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "platform/PortMap.h"

namespace hi::cli {

// One line for a person: COM name, device path, driver, USB details, access.
std::string portLine(const PortEntry& entry);
// The same as a JSON object of type "port".
nlohmann::ordered_json portJson(const PortEntry& entry);

// Prints the list; the exit code (1 when the port map could not be read).
int listPorts(bool json);

}  // namespace hi::cli
