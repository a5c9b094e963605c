#include "app/cli/Report.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/cli/Texts.h"
#include "platform/Console.h"

namespace hi::cli {

using json = nlohmann::ordered_json;

namespace {

json base(const char* type, const SessionReport& r) {
  json j;
  j["type"] = type;
  j["port"] = r.port;
  return j;
}

json orNull(const std::string& text) {
  return text.empty() ? json(nullptr) : json(text);
}

}  // namespace

json identifiedJson(const SessionReport& r) {
  json j = base("identified", r);
  j["model"] = r.identity ? r.identity->model : "";
  j["version"] = r.identity ? r.identity->version : "";
  j["carried"] = r.carried;
  return j;
}

json progressJson(const SessionReport& r) {
  json j = base("progress", r);
  j["blocks"] = r.blocks;
  j["total_blocks"] = r.totalBlocks;
  j["bytes"] = r.bytes;
  j["total_bytes"] = r.totalBytes;
  j["bytes_per_second"] = static_cast<std::int64_t>(r.bytesPerSecond);
  j["seconds_left"] = r.secondsLeft < 0 ? json(nullptr) : json(static_cast<std::int64_t>(r.secondsLeft + 0.5));
  return j;
}

json settlingJson(const SessionReport& r) {
  json j = base("settling", r);
  j["blocks"] = r.blocks;
  j["bytes"] = r.bytes;
  return j;
}

json resultJson(const SessionReport& r) {
  json j = base("result", r);
  j["result"] = outcomeName(r.outcome);
  j["exit_code"] = exitCode(r.outcome);
  j["message"] = r.message;
  j["model"] = r.identity ? json(r.identity->model) : json(nullptr);
  j["version"] = r.identity ? json(r.identity->version) : json(nullptr);
  j["carried"] = r.carried;
  j["blocks"] = r.blocks;
  j["total_blocks"] = r.totalBlocks;
  j["bytes"] = r.bytes;
  j["total_bytes"] = r.totalBytes;
  j["pusk"] = r.started;
  // After an interrupt the graph still counts the bytes it was no longer let send.
  j["crc"] = r.bytes > 0 && r.outcome != Outcome::Interrupted ? orNull(r.crc) : json(nullptr);
  j["duration_ms"] = r.duration.count();
  j["upload_ms"] = r.bytes > 0 ? json(r.upload.count()) : json(nullptr);
  return j;
}

json logJson(json result, std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto day = floor<days>(when);
  const year_month_day date{day};
  const hh_mm_ss time{floor<seconds>(when - day)};
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  json line;
  line["time"] = stamp;
  for (auto& [key, value] : result.items()) {
    if (key != "type") line[key] = value;
  }
  return line;
}

std::string jsonLine(const json& object) {
  return object.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string progressBar(const SessionReport& r, int columns) {
  const std::string tail = "  " + std::to_string(r.blocks) + "/" + std::to_string(r.totalBlocks) +
                           " блоков  " + texts::rate(r.bytesPerSecond) + "  осталось " +
                           texts::duration(r.secondsLeft);
  // The tail's Cyrillic letters take two bytes and one column each.
  int tailColumns = 0;
  for (unsigned char c : tail) tailColumns += (c & 0xC0) != 0x80 ? 1 : 0;
  const int width = std::max(10, std::min(50, columns - tailColumns - 3));
  const int filled = r.totalBlocks > 0 ? r.blocks * width / r.totalBlocks : 0;
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(width - filled), '-') + "]" + tail;
}

void JsonObserver::identified(const SessionReport& r) { emit(jsonLine(identifiedJson(r))); }
void JsonObserver::progress(const SessionReport& r) { emit(jsonLine(progressJson(r))); }
void JsonObserver::settling(const SessionReport& r) { emit(jsonLine(settlingJson(r))); }

void TerminalObserver::identified(const SessionReport& r) {
  emit(r.port + ": Устройство: " + (r.identity ? r.identity->model : "") +
       "   Текущая версия ПО: " + (r.identity ? r.identity->version : "") +
       "\nВерсия ПО для обновления: " + r.carried + "\n");
}

void TerminalObserver::progress(const SessionReport& r) {
  if (!bar_) return;
  const int columns = terminalColumns();
  emit("\r\x1b[2K" + progressBar(r, columns > 0 ? columns : 80));
  barShown_ = true;
}

void TerminalObserver::settling(const SessionReport& r) {
  closeBar();
  emit(r.port + ": «PUSK» отправлен, устройство запускает новое ПО...\n");
}

void TerminalObserver::closeBar() {
  if (barShown_) emit("\n");
  barShown_ = false;
}

std::string withPort(const std::string& port, const std::string& message) {
  // Open failures name the port themselves.
  return message.rfind(port + ":", 0) == 0 ? message : port + ": " + message;
}

std::string resultText(const SessionReport& r) {
  std::string text = withPort(r.port, r.message) + "\n";
  if (r.outcome == Outcome::Ok && r.bytes > 0) {
    text += r.port + ": записано " + std::to_string(r.bytes) + " байт, CRC " + r.crc + "\n";
  }
  return text;
}

void emit(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace hi::cli
