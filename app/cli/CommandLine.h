// The twin's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hi::cli {

struct CommandLine {
  bool help = false;
  bool version = false;
  bool list = false;
  std::vector<std::string> ports;  // in the order given; several make a station
  bool write = false;
  bool json = false;
  std::string log;  // empty: none
};

// The parsed command line, or nullopt with `error` saying what is wrong (in Russian).
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& args,
                                            std::string& error);

// The arguments of the child that runs one port of a station.
std::vector<std::string> unitArguments(const CommandLine& line, const std::string& port);

std::string usageText();

}  // namespace hi::cli
