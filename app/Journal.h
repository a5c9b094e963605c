// The journal and the line traces on disk: one JSON line per identification or upload in
// journal.jsonl, and a trace file for each of the last ones beside it. Every write is one
// whole line appended at once, so that parallel programs (a station of several units) never
// mix their lines, and a journal that grows too big is renamed aside, never truncated.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace hi {

inline constexpr const char* JournalFileName = "journal.jsonl";
// The traces kept: the newest, at most this many and this many bytes together.
inline constexpr int TracesKept = 10;
inline constexpr std::uintmax_t TraceBytesKept = 20u * 1024 * 1024;
// A journal past this size is renamed aside before the next line; a few of those are kept.
inline constexpr std::uintmax_t JournalBytesKept = 4u * 1024 * 1024;
inline constexpr int JournalArchivesKept = 3;

// A JSON object built in order; values are escaped here, so texts in any bytes are safe.
class JsonLine {
 public:
  JsonLine& text(const char* key, const std::string& value);
  JsonLine& textOrNull(const char* key, const std::string& value);
  JsonLine& number(const char* key, std::int64_t value);
  JsonLine& boolean(const char* key, bool value);
  // The object with its line end.
  std::string line() const { return body_ + "}\n"; }

 private:
  void key(const char* key);
  std::string body_ = "{";
};

// The text as a JSON string literal; bytes that are no valid UTF-8 become U+FFFD.
std::string jsonString(const std::string& text);

// "2026-12-10T04:40:01.123Z" for now.
std::string utcNow();

class JournalFolder {
 public:
  // `folder` empty: nothing can be recorded (the system names no state folder).
  explicit JournalFolder(std::string folder, std::uintmax_t journalBytes = JournalBytesKept,
                         std::uintmax_t traceBytes = TraceBytesKept)
      : folder_(std::move(folder)), journalBytes_(journalBytes), traceBytes_(traceBytes) {}
  const std::string& path() const { return folder_; }
  std::string journalPath() const;

  // Creates the folder if needed and writes a trace file under `name`; then drops the oldest
  // traces beyond what is kept. False with `error` (the system's words) when it could not.
  bool writeTrace(const std::string& name, const std::string& text, std::string& error) const;
  // Appends one line to the journal, renaming a full journal aside first.
  bool appendLine(const std::string& line, std::string& error) const;

  // The names of the traces, the newest first.
  std::vector<std::string> traceNames() const;
  // The journal's last `count` lines, oldest first.
  std::vector<std::string> lastLines(int count) const;

 private:
  bool makeFolder(std::string& error) const;
  void pruneTraces() const;
  void rotateJournal() const;
  std::string folder_;
  std::uintmax_t journalBytes_;
  std::uintmax_t traceBytes_;
};

// What --journal prints: the folder to send and the journal's last entries.
std::string journalSummary(const JournalFolder& folder, int entries);

}  // namespace hi
