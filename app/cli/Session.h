// One unit on one port: the uploader's own graph, built on the headless window elements,
// driven as a user would drive the window (pick the port, press «Записать») and read as a
// user reads it (the status line, the progress bar, the labels of the final display).
// Nothing here speaks to the device: every byte on the line is the graph's.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "app/cli/Outcome.h"

namespace hi::cli {

struct Identity {
  std::string model;    // the device's second word
  std::string version;  // its current firmware version, the third word
};

// What a session has shown so far; texts in UTF-8.
struct SessionReport {
  std::string port;  // the COM name the graph was given
  Outcome outcome = Outcome::Failed;
  std::string message;  // the graph's words for the end, with the host's where it has none
  std::optional<Identity> identity;
  std::string carried;  // the firmware version this program carries
  int blocks = 0;       // blocks the device acknowledged
  int totalBlocks = 0;
  std::uint64_t bytes = 0;  // image bytes sent
  std::uint64_t totalBytes = 0;
  bool started = false;  // "PUSK" went out
  std::string crc;       // the running checksum as the graph showed it last
  double bytesPerSecond = 0;
  double secondsLeft = -1;  // unknown while negative
  std::chrono::milliseconds duration{0};
  std::chrono::milliseconds upload{0};  // from «Записать» to "PUSK" (or the end)
};

class SessionObserver {
 public:
  virtual ~SessionObserver() = default;
  virtual void identified(const SessionReport&) {}
  virtual void progress(const SessionReport&) {}
  virtual void settling(const SessionReport&) {}  // "PUSK" sent; the device starts up
};

// Needs the headless toolkit, the program's seams and the calling thread as home thread.
// `port` is a COM name or, where the system has them, a device path of the port map.
SessionReport runSession(const std::string& port, bool write, SessionObserver& observer);

// The user's interrupt, from any thread: no further byte reaches the port, and the session
// closes it and ends as interrupted.
void interruptSession();

}  // namespace hi::cli
