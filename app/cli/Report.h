// How a session is told: JSON lines for scripts (one object a line, English keys), and lines
// and a progress bar for a person at a terminal (Russian, as the window says it).
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "app/cli/Session.h"

namespace hi::cli {

nlohmann::ordered_json identifiedJson(const SessionReport& r);
nlohmann::ordered_json progressJson(const SessionReport& r);
nlohmann::ordered_json settlingJson(const SessionReport& r);
nlohmann::ordered_json resultJson(const SessionReport& r);
// A result as the log keeps it: the result object with the time it was written (UTC).
nlohmann::ordered_json logJson(nlohmann::ordered_json result, std::chrono::system_clock::time_point when);

// One line of JSON with its line end; texts that are no valid UTF-8 are repaired, not thrown.
std::string jsonLine(const nlohmann::ordered_json& object);

// "[#####-----]  512/1016 блоков  30.1 КБ/с  осталось 0:07", at most `columns` wide.
std::string progressBar(const SessionReport& r, int columns);

// Writes each step as a JSON line.
class JsonObserver : public SessionObserver {
 public:
  void identified(const SessionReport& r) override;
  void progress(const SessionReport& r) override;
  void settling(const SessionReport& r) override;
};

// Writes the identity and, on a terminal, a progress bar redrawn in place.
class TerminalObserver : public SessionObserver {
 public:
  explicit TerminalObserver(bool bar) : bar_(bar) {}
  void identified(const SessionReport& r) override;
  void progress(const SessionReport& r) override;
  void settling(const SessionReport& r) override;
  // Ends the bar's line before the result is written.
  void closeBar();

 private:
  bool bar_;
  bool barShown_ = false;
};

// "COM1: message", unless the message names the port itself.
std::string withPort(const std::string& port, const std::string& message);

// The result for a person: the message, and what was written.
std::string resultText(const SessionReport& r);

// Writes a whole text to standard output at once and flushes it.
void emit(const std::string& text);

}  // namespace hi::cli
