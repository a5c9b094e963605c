#pragma once

#include <string>
#include <vector>

#include "tools/devsim/Simulator.h"

namespace hi::devsim {

enum class CommandLineResult { Run, Help, Version, Error };

// Parses the arguments after the program name into options.
CommandLineResult parseCommandLine(const std::vector<std::string>& args, Options& options,
                                   std::string& error);

// Applies one fault given as NAME or NAME=K.
bool parseFault(const std::string& text, Faults& faults, std::string& error);

// Turns \r, \n, \t, \\ and \xHH into their bytes.
bool unescape(const std::string& text, std::string& bytes, std::string& error);

std::string usageText();

}  // namespace hi::devsim
