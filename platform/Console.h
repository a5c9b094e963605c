// What a command-line program needs of the system around it: whether its output goes to a
// terminal and how wide that is, the user's interrupt, whole lines appended to a log file,
// and copies of itself started as child processes whose output it reads.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hi {

enum class StdStream { Out, Err };

bool isTerminal(StdStream stream);
// Lets a console show UTF-8 output and escape sequences, where it needs telling.
void useUtf8Console();
// Columns of the terminal on standard output; 0 when unknown.
int terminalColumns();

// Calls `onInterrupt` on a thread of its own whenever the user interrupts (Ctrl-C, the end of
// the terminal session, a termination request). Call it before any other thread starts, so
// that no other thread is taken by the interrupt. From then on, a reader of the output that
// goes away (a pipe closed early) no longer ends the program: a write fails instead, and an
// upload under way goes on to its end.
void watchInterrupts(std::function<void()> onInterrupt);

// Appends `line`, which should end with a line end, to the file at `path` (created when
// missing) in a single write, so that a crash never leaves part of a line and lines of
// several processes never mix. A write that the system cut short (a full disk) is undone:
// the file is left as it was. False with the system's error code when it failed.
bool appendWhole(const std::string& path, std::string_view line, int& error);

// Whether appendWhole could add a line to `path` now: its folder exists, the file can be
// opened for appending (it is created when missing, empty), and its disk is not full. False
// with the system's error code when not.
bool canAppend(const std::string& path, int& error);

// The system's text for an error code, in English.
std::string systemErrorText(int error);

// The path of this program's own executable; empty when unknown.
std::string ownExecutablePath();

// A program started with its standard output piped back; standard error is shared. It
// does not outlive the program that started it: on Windows the system ends it when its
// starter ends; elsewhere it must call followStarter.
class Subprocess {
 public:
  static std::unique_ptr<Subprocess> start(const std::string& program,
                                           const std::vector<std::string>& args,
                                           std::string& error);
  virtual ~Subprocess() = default;
  Subprocess(const Subprocess&) = delete;
  Subprocess& operator=(const Subprocess&) = delete;

  // Blocks for the next line of its output, without the line end; false at the end of it.
  virtual bool readLine(std::string& line) = 0;
  // Waits for its end: its exit code; 1 when it was killed (see killedBy).
  virtual int wait() = 0;
  // After wait: the signal that killed it, 0 when it ended by itself (always on Windows,
  // where a killed process ends with the code its killer chose).
  virtual int killedBy() const { return 0; }
  // Asks it to stop as the user's interrupt would.
  virtual void interrupt() = 0;

 protected:
  Subprocess() = default;
};

// In a program started by Subprocess::start, call after watchInterrupts: from now on the end
// of the starting program reaches this one as the user's interrupt (at once, if it already
// ended). Does nothing in a program started otherwise.
void followStarter();

}  // namespace hi
