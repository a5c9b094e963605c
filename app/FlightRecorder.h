// The flight recorder: every identification and every upload leaves one line in the journal
// and a trace of the line beside it, in the window program and its command-line twin alike.
// It watches the serial element's line through the line tap and the main scheme's outcome
// through taps in its wires; it never changes what passes. While the line is busy it only
// keeps notes in memory: files are written when the port closes or the program ends, and a
// record that cannot be written costs the upload nothing but one message on standard error.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/Journal.h"
#include "app/LineTrace.h"
#include "elements/LineTap.h"

namespace hi {

class TClassSimpleForm_221F170;
class RecorderTap;

class FlightRecorder : public LineTap {
 public:
  // `program`: the program's name as the journal shows it.
  FlightRecorder(std::string program, JournalFolder folder);
  // Writes what is left and stops watching.
  ~FlightRecorder() override;

  // Makes this the recorder of every serial element and of every main scheme built from now.
  void install();
  // Called for each main scheme built (startUploader does), before it starts.
  void attach(TClassSimpleForm_221F170& scheme);

  // The twin has its own verdict on a session, in its own words: records wait for it.
  void holdForVerdict();
  // Gives the last record (or, if nothing reached the line, a new one for `port`) the twin's
  // result name and message, and writes everything held.
  void verdict(const std::string& port, const std::string& result, const std::string& message);

  // Writes every finished record.
  void flush();

  std::unique_ptr<SerialPort> opened(const std::string& name,
                                     std::unique_ptr<SerialPort> port) override;
  void openFailed(const std::string& name, const std::string& why) override;

  // Whether anything could not be recorded (it was said on standard error).
  bool complained() const;

 private:
  struct Attempt;
  void note(TraceKind kind, std::string_view bytes, std::int64_t value);
  void noteLocked(TraceKind kind, std::string_view bytes, std::int64_t value);
  std::unique_ptr<Attempt> beginAttempt(const std::string& kind, const std::string& port);
  void finishCurrent();
  void judge(Attempt& a) const;
  void write(Attempt& a);
  std::string journalLine(const Attempt& a, const std::string& traceName) const;
  void complain(const std::string& error);
  RecorderTap& tap();

  const std::string program_;
  const JournalFolder folder_;
  std::string imageSha_;
  std::string carried_;
  // The scheme's own words, read when it is attached (code page 1251).
  std::string errorWords_;
  std::string doneWords_;

  mutable std::mutex mutex_;  // guards the members below
  std::unique_ptr<Attempt> current_;
  std::vector<std::unique_ptr<Attempt>> finished_;
  std::vector<std::unique_ptr<RecorderTap>> taps_;
  bool held_ = false;
  bool complained_ = false;
  std::uint64_t sequence_ = 0;
};

// The recorder installed, or nullptr.
FlightRecorder* activeRecorder();

// False when TORMISAPLEX_RECORDER is "off": the programs then record nothing, so that what
// the recorder costs can be measured against a run without it.
bool recorderWanted();

}  // namespace hi
