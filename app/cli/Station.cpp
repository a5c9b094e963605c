#include "app/cli/Station.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "app/cli/Outcome.h"
#include "app/cli/Report.h"
#include "app/cli/Texts.h"
#include "platform/Console.h"

namespace hi::cli {

using json = nlohmann::ordered_json;

int stationExitCode(const std::vector<int>& codes) {
  int first = 0;
  for (int code : codes) {
    if (code == exitCode(Outcome::Interrupted)) return code;
    if (first == 0) first = code;
  }
  return first;
}

json lostResult(const std::string& port, int code, int signal) {
  json j;
  j["type"] = "result";
  j["port"] = port;
  j["result"] = outcomeName(Outcome::Failed);
  j["exit_code"] = code == 0 || signal != 0 ? exitCode(Outcome::Failed) : code;
  j["message"] = signal != 0 ? "процесс порта убит сигналом " + std::to_string(signal) +
                                   ", результата нет."
                             : "процесс порта завершился без результата (код " +
                                   std::to_string(code) + ").";
  j["model"] = nullptr;
  j["version"] = nullptr;
  j["carried"] = nullptr;
  j["blocks"] = nullptr;
  j["total_blocks"] = nullptr;
  j["bytes"] = nullptr;
  j["total_bytes"] = nullptr;
  j["pusk"] = nullptr;
  j["crc"] = nullptr;
  j["duration_ms"] = nullptr;
  j["upload_ms"] = nullptr;
  return j;
}

void appendToLog(const std::string& path, const json& result) {
  int error = 0;
  if (!appendWhole(path, jsonLine(logJson(result, std::chrono::system_clock::now())), error)) {
    std::fprintf(stderr, "tormisaplex-upload: %s: журнал не записан: %s\n", path.c_str(),
                 systemErrorText(error).c_str());
  }
}

namespace {

// The text cut to at most `columns` characters, never inside one.
std::string fitColumns(const std::string& text, int columns) {
  int seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++seen > columns) {
      return text.substr(0, i);
    }
  }
  return text;
}

struct Unit {
  std::string port;
  std::unique_ptr<Subprocess> child;
  std::thread reader;
  // Guarded by the station's mutex.
  std::string stage = "опрос";
  json last;  // the last progress
  json result;
  int code = -1;
  bool done = false;
};

class Station {
 public:
  explicit Station(const CommandLine& line) : line_(line) {}

  int run() {
    const std::string self = ownExecutablePath();
    for (const std::string& port : line_.ports) {
      auto unit = std::make_unique<Unit>();
      unit->port = port;
      std::string error;
      unit->child = Subprocess::start(self, unitArguments(line_, port), error);
      if (!unit->child) {
        std::fprintf(stderr, "tormisaplex-upload: %s: не запускается: %s\n", port.c_str(), error.c_str());
      }
      units_.push_back(std::move(unit));
    }
    {
      std::lock_guard lock(mutex_);
      started_ = true;
    }
    for (auto& unit : units_) {
      Unit* u = unit.get();
      unit->reader = std::thread([this, u] { follow(*u); });
    }
    const bool table = !line_.json && isTerminal(StdStream::Out);
    {
      std::unique_lock lock(mutex_);
      while (!allDone()) {
        if (table) draw();
        changed_.wait_for(lock, std::chrono::milliseconds(200));
      }
      if (table) draw();
    }
    std::vector<int> codes;
    for (auto& unit : units_) {
      unit->reader.join();
      codes.push_back(unit->code);
    }
    return stationExitCode(codes);
  }

  void interrupt() {
    std::lock_guard lock(mutex_);
    if (!started_) return;
    for (auto& unit : units_) {
      if (unit->child && !unit->done) unit->child->interrupt();
    }
  }

 private:
  void follow(Unit& u) {
    std::string text;
    while (u.child && u.child->readLine(text)) {
      const json j = json::parse(text, nullptr, false);
      if (j.is_discarded() || !j.is_object()) continue;
      std::lock_guard lock(mutex_);
      const std::string type = j.value("type", "");
      if (type == "identified") u.stage = "опознано";
      if (type == "progress") {
        u.stage = "запись";
        u.last = j;
      }
      if (type == "settling") u.stage = "запуск";
      if (type == "result") u.result = j;
      if (line_.json) emit(jsonLine(j));
      changed_.notify_all();
    }
    int code = u.child ? u.child->wait() : exitCode(Outcome::Failed);
    std::lock_guard lock(mutex_);
    const bool lost = !u.result.is_object();
    if (lost) {
      u.result = lostResult(u.port, code, u.child ? u.child->killedBy() : 0);
      code = u.result.value("exit_code", exitCode(Outcome::Failed));
      if (line_.json) emit(jsonLine(u.result));
    }
    u.code = code;
    u.stage = code == 0 ? "готово" : "ошибка " + std::to_string(code);
    u.done = true;
    if (lost && !line_.log.empty()) appendToLog(line_.log, u.result);
    if (!line_.json && !isTerminal(StdStream::Out)) {
      emit(withPort(u.port, u.result.value("message", "")) + "\n");
    }
    changed_.notify_all();
  }

  bool allDone() const {
    for (const auto& unit : units_) {
      if (!unit->done) return false;
    }
    return true;
  }

  std::string row(const Unit& u) const {
    std::string line = u.port;
    line.resize(std::max<std::size_t>(line.size() + 1, 8), ' ');
    std::string stage = u.stage;
    line += stage;
    // Cyrillic takes two bytes a column: pad by columns.
    std::size_t columns = 0;
    for (unsigned char c : stage) columns += (c & 0xC0) != 0x80 ? 1 : 0;
    line += std::string(columns < 10 ? 10 - columns : 1, ' ');
    if (u.done) return line + u.result.value("message", "");
    if (u.last.is_object()) {
      line += std::to_string(u.last.value("blocks", 0)) + "/" +
              std::to_string(u.last.value("total_blocks", 0)) + "  " +
              texts::rate(u.last.value("bytes_per_second", 0.0));
    }
    return line;
  }

  void draw() {
    std::string out;
    if (drawn_ > 0) out += "\x1b[" + std::to_string(drawn_) + "A";
    const int columns = terminalColumns();
    for (const auto& unit : units_) {
      std::string line = row(*unit);
      if (columns > 0) line = fitColumns(line, columns - 1);
      out += "\r\x1b[2K" + line + "\n";
    }
    drawn_ = static_cast<int>(units_.size());
    emit(out);
  }

  const CommandLine& line_;
  std::vector<std::unique_ptr<Unit>> units_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false;
  int drawn_ = 0;
};

std::mutex stationMutex;
Station* activeStation = nullptr;

}  // namespace

int runStation(const CommandLine& line) {
  Station station(line);
  {
    std::lock_guard lock(stationMutex);
    activeStation = &station;
  }
  const int code = station.run();
  std::lock_guard lock(stationMutex);
  activeStation = nullptr;
  return code;
}

void interruptStation() {
  std::lock_guard lock(stationMutex);
  if (activeStation != nullptr) activeStation->interrupt();
}

}  // namespace hi::cli
