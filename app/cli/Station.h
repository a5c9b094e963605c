// Station mode: several ports at once, each in a process of its own (this program again,
// for one port with --json), so that one unit's settle time or hang never holds up another.
// The station reads its units' JSON lines, shows a live table on a terminal, passes the
// lines on with --json, and appends each unit's result to the log.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/cli/CommandLine.h"

namespace hi::cli {

// The station's exit code from its units' codes, in the order of the command line: 0 when
// every unit succeeded; 130 when any was interrupted; else the first failed unit's code.
int stationExitCode(const std::vector<int>& codes);

// The result of a unit that ended without writing one (it crashed or was killed): its exit
// code, or the signal that killed it (a killed unit failed: code 1).
nlohmann::ordered_json lostResult(const std::string& port, int code, int signal = 0);

int runStation(const CommandLine& line);
// The user's interrupt, from any thread: every unit is asked to stop.
void interruptStation();

// Appends one unit's result to the log; says so on standard error when it could not. Each
// unit logs its own result, so that the log is whole even when the station is killed; the
// station logs only the results of units that wrote none.
void appendToLog(const std::string& path, const nlohmann::ordered_json& result);

}  // namespace hi::cli
