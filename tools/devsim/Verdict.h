#pragma once

#include <string>

#include "tools/devsim/Device.h"

namespace hi::devsim {

// Why a session ended.
enum class EndCause {
  Running,     // not ended yet
  PortClosed,  // the program closed the port after the upload had begun
  Stopped,     // a signal or a stop request
  TimedOut,
  HungUp,  // the hang-up fault
  Failed,  // the simulator itself failed (a read or write error on its end)
};

struct Verdict {
  bool ok = false;
  std::string reason;
};

// Success only when "VERS" got a true answer, then the whole image arrived with every reply
// right, then "PUSK", and nothing else. Faults that only disturb the timing or the chunking
// (split answer, split reply, stray bytes) do not spoil a session the program got through.
Verdict judge(const DeviceState& state, const Faults& faults, EndCause cause);

// One line for the end of a run, e.g.
// "devsim COM1: OK: upload complete; VERS 1, image 260096/260096 bytes, 1016 replies, ..."
std::string summaryLine(const std::string& comName, const Verdict& verdict,
                        const DeviceState& state);

std::string hexBytes(const std::string& bytes);

}  // namespace hi::devsim
