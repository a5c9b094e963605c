#include "app/Journal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/Console.h"
#include "platform/StateFolder.h"

namespace hi {

namespace fs = std::filesystem;

namespace {

fs::path pathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool isTraceName(const std::string& name) {
  return name.rfind("trace-", 0) == 0 && name.size() > 10 &&
         name.compare(name.size() - 4, 4, ".txt") == 0;
}

// The length of the valid UTF-8 sequence at `at`, or 0.
std::size_t utf8Length(const std::string& s, std::size_t at) {
  const auto b = static_cast<unsigned char>(s[at]);
  std::size_t n = 0;
  std::uint32_t min = 0;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) {
    n = 2;
    min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    n = 3;
    min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    n = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  if (at + n > s.size()) return 0;
  std::uint32_t code = b & (0x7F >> n);
  for (std::size_t i = 1; i < n; ++i) {
    const auto c = static_cast<unsigned char>(s[at + i]);
    if ((c & 0xC0) != 0x80) return 0;
    code = code << 6 | (c & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", b);
      out += escape;
    } else if (b >= 0x80) {
      const std::size_t n = utf8Length(text, i);
      out += n == 0 ? std::string("\xEF\xBF\xBD") : text.substr(i, n);
      i += n == 0 ? 1 : n;
      continue;
    } else {
      out += c;
    }
    ++i;
  }
  return out + "\"";
}

void JsonLine::key(const char* key) {
  if (body_.size() > 1) body_ += ',';
  body_ += jsonString(key) + ':';
}

JsonLine& JsonLine::text(const char* k, const std::string& value) {
  key(k);
  body_ += jsonString(value);
  return *this;
}

JsonLine& JsonLine::textOrNull(const char* k, const std::string& value) {
  if (value.empty()) {
    key(k);
    body_ += "null";
    return *this;
  }
  return text(k, value);
}

JsonLine& JsonLine::number(const char* k, std::int64_t value) {
  key(k);
  body_ += std::to_string(value);
  return *this;
}

JsonLine& JsonLine::boolean(const char* k, bool value) {
  key(k);
  body_ += value ? "true" : "false";
  return *this;
}

std::string utcNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{floor<milliseconds>(now - day)};
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                static_cast<int>(time.subseconds().count()));
  return stamp;
}

std::string JournalFolder::journalPath() const {
  return utf8Of(pathOf(folder_) / JournalFileName);
}

bool JournalFolder::makeFolder(std::string& error) const {
  if (folder_.empty()) {
    error = "no state folder: neither XDG_STATE_HOME nor HOME (LOCALAPPDATA) is set";
    return false;
  }
  std::error_code ec;
  fs::create_directories(pathOf(folder_), ec);
  if (ec) {
    error = folder_ + ": " + ec.message();
    return false;
  }
  return true;
}

bool JournalFolder::writeTrace(const std::string& name, const std::string& text,
                               std::string& error) const {
  if (!makeFolder(error)) return false;
  // Written under a name no reader takes for a trace, and renamed once whole.
  const fs::path final = pathOf(folder_) / pathOf(name);
  const fs::path partial = pathOf(folder_) / pathOf("." + name + ".part");
  bool ok = false;
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (out) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      out.close();
      ok = !out.fail();
    }
  }
  std::error_code ec;
  if (ok) fs::rename(partial, final, ec);
  if (!ok || ec) {
    error = utf8Of(final) + ": " + (ec ? ec.message() : std::string("could not be written"));
    fs::remove(partial, ec);
    return false;
  }
  pruneTraces();
  return true;
}

std::vector<std::string> JournalFolder::traceNames() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(pathOf(folder_), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = utf8Of(it->path().filename());
    if (isTraceName(name) && it->is_regular_file(ec)) names.push_back(name);
  }
  // The names begin with the time they were made: the newest sort last.
  std::sort(names.rbegin(), names.rend());
  return names;
}

void JournalFolder::pruneTraces() const {
  std::uintmax_t total = 0;
  int kept = 0;
  for (const std::string& name : traceNames()) {
    std::error_code ec;
    const fs::path path = pathOf(folder_) / pathOf(name);
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) continue;  // removed by another program meanwhile
    if (kept < TracesKept && total + size <= traceBytes_) {
      ++kept;
      total += size;
    } else {
      fs::remove(path, ec);  // another program may have removed it first: no matter
    }
  }
}

void JournalFolder::rotateJournal() const {
  std::error_code ec;
  const fs::path journal = pathOf(journalPath());
  if (fs::file_size(journal, ec) < journalBytes_ || ec) return;
  // One program rotates at a time: making a folder is atomic on every system. Another that
  // finds it taken appends to whichever journal is there; a lock left by a crash is taken
  // over after a while.
  const fs::path lock = pathOf(folder_) / ".journal-rotation";
  if (!fs::create_directory(lock, ec)) {
    const auto since = fs::file_time_type::clock::now() - fs::last_write_time(lock, ec);
    if (ec || since < std::chrono::seconds(30)) return;
    fs::remove(lock, ec);
    if (!fs::create_directory(lock, ec)) return;
  }
  // Looked at again under the lock: another program may have rotated meanwhile.
  if (fs::file_size(journal, ec) >= journalBytes_ && !ec) {
    // A name of its own, so that nothing is ever overwritten. Lines appended by a program
    // that opened the journal just before the rename land in the archive, still whole.
    std::string stamp = utcNow();
    std::replace(stamp.begin(), stamp.end(), ':', '-');
    const fs::path aside =
        pathOf(folder_) /
        pathOf("journal-" + stamp + "-" + std::to_string(currentProcessId()) + ".jsonl");
    fs::rename(journal, aside, ec);  // held open elsewhere (Windows): the next line retries
    std::vector<std::string> archives;
    for (fs::directory_iterator it(pathOf(folder_), ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::string name = utf8Of(it->path().filename());
      if (name.rfind("journal-", 0) == 0 && name.size() > 14 &&
          name.compare(name.size() - 6, 6, ".jsonl") == 0) {
        archives.push_back(name);
      }
    }
    std::sort(archives.rbegin(), archives.rend());
    for (std::size_t i = JournalArchivesKept; i < archives.size(); ++i) {
      fs::remove(pathOf(folder_) / pathOf(archives[i]), ec);
    }
  }
  fs::remove(lock, ec);
}

bool JournalFolder::appendLine(const std::string& line, std::string& error) const {
  if (!makeFolder(error)) return false;
  rotateJournal();
  int code = 0;
  if (appendWhole(journalPath(), line, code)) return true;
  error = journalPath() + ": " + systemErrorText(code);
  return false;
}

std::vector<std::string> JournalFolder::lastLines(int count) const {
  std::ifstream in(pathOf(journalPath()), std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    lines.push_back(line);
    if (lines.size() > static_cast<std::size_t>(count)) lines.erase(lines.begin());
  }
  return lines;
}

std::string journalSummary(const JournalFolder& folder, int entries) {
  if (folder.path().empty()) {
    return "No folder for the journal: neither XDG_STATE_HOME nor HOME (LOCALAPPDATA on "
           "Windows) is set.\n";
  }
  std::string out = "Journal and line traces: " + folder.path() +
                    "\nWhen an upload fails, send this whole folder.\n";
  const std::vector<std::string> lines = folder.lastLines(entries);
  if (lines.empty()) return out + "The journal is empty.\n";
  out += "Last entries of " + folder.journalPath() + ":\n";
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

}  // namespace hi
