#include "app/FlightRecorder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app/hiMultiElementEx_228A260.h"
#include "app/hiSimpleForm_221F170.h"
#include "elements/hiMultiElementEx.h"
#include "platform/PortMap.h"
#include "platform/Resources.h"
#include "platform/StateFolder.h"
#include "runtime/Cp1251.h"
#include "runtime/Sha256.h"
#include "tormisaplex/Version.h"
#include "window/hiLabel.h"

namespace hi {

// Notes what a wire of the graph carries, and passes it on unchanged.
class RecorderTap : public Element {
 public:
  explicit RecorderTap(std::function<void(TData&)> seen) : seen_(std::move(seen)) {}
  void insert(EventPoint& point) {
    onPass_ = point;
    point = makeEventPoint<&RecorderTap::pass>(0, this);
  }

 private:
  void pass(TData& d) {
    seen_(d);
    fireEvent(onPass_, d);
  }
  std::function<void(TData&)> seen_;
  EventPoint onPass_;
};

namespace {

std::atomic<FlightRecorder*> installed{nullptr};

// A text of the graph as one line of UTF-8.
std::string shown(const std::string& cp1251Text) {
  std::string out;
  for (char c : cp1251ToUtf8(cp1251Text)) {
    const bool blank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
    if (!blank) {
      out += c;
    } else if (!out.empty() && out.back() != ' ') {
      out += ' ';
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string hex4(std::uint32_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
  return text;
}

std::uint16_t crcOver(const std::string& bytes, std::uint16_t crc) {
  for (char c : bytes) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

}  // namespace

struct FlightRecorder::Attempt {
  std::string kind;  // "identify" or "upload"
  std::string time;  // UTC, when it began
  std::uint64_t startMicros = traceMicros();
  std::uint64_t endMicros = 0;  // when the graph gave its verdict; 0 until then
  std::string port;
  std::string path;
  std::string driver;
  std::uint16_t usbVendor = 0;
  std::uint16_t usbProduct = 0;
  std::string usbSerial;
  std::int64_t baud = 0;  // as the driver reports it
  std::string status;     // the status line as the graph last set it (code page 1251)
  bool identified = false;
  bool succeeded = false;
  bool vanished = false;
  bool silent = false;
  std::string wrongReply;  // its hex, as the graph judged it
  std::string cause;       // the first of "line_gone", "wrong_reply", "silence"
  int acknowledged = 0;    // the progress bar's position
  int blocksSent = 0;
  std::uint64_t bytesSent = 0;
  std::uint16_t crc = 0xFFFF;
  bool sentVers = false;
  bool heard = false;
  std::string result;
  std::string message;
  std::vector<TraceEntry> entries;
};

FlightRecorder::FlightRecorder(std::string program, JournalFolder folder)
    : program_(std::move(program)), folder_(std::move(folder)) {}

FlightRecorder::~FlightRecorder() {
  FlightRecorder* self = this;
  installed.compare_exchange_strong(self, nullptr);
  if (lineTap() == this) setLineTap(nullptr);
  {
    std::lock_guard lock(mutex_);
    finishCurrent();
    held_ = false;
  }
  flush();
}

FlightRecorder* activeRecorder() {
  return installed.load();
}

bool recorderWanted() {
  const char* value = std::getenv("TORMISAPLEX_RECORDER");
  return value == nullptr || std::string_view(value) != "off";
}

void FlightRecorder::install() {
  if (const auto image = findResource("STREAM0", ResourceTypeStream)) imageSha_ = sha256Hex(*image);
  // A file-size limit must fail a record's write, not end the program mid-upload.
  keepGoingPastFileSizeLimit();
  installed = this;
  setLineTap(this);
}

RecorderTap& FlightRecorder::tap() {
  return *taps_.back();
}

void FlightRecorder::attach(TClassSimpleForm_221F170& scheme) {
  std::lock_guard lock(mutex_);
  const std::string label = scheme.VersionLabel->Caption;
  const std::size_t colon = label.find(':');
  carried_ = shown(colon == std::string::npos ? label : label.substr(colon + 1));
  errorWords_ = scheme.ErrorLabel->Caption + " " + scheme.CheckLabel->Caption;
  doneWords_ = scheme.DoneLabel->Caption;
  // Each tap notes under the lock what the graph decided; nothing here writes a file.
  const auto add = [this](EventPoint& point, std::function<void(Attempt&, TData&)> seen) {
    taps_.push_back(std::make_unique<RecorderTap>([this, seen = std::move(seen)](TData& d) {
      std::lock_guard inner(mutex_);
      if (current_) seen(*current_, d);
    }));
    tap().insert(point);
  };
  add(scheme.QueryBox->onEvent[1], [](Attempt& a, TData& d) { a.status = toString(d); });
  add(scheme.QueryBox->onEvent[4], [](Attempt& a, TData&) {
    a.identified = true;
    if (a.endMicros == 0) a.endMicros = traceMicros();  // not the time until «Записать»
  });
  add(scheme.UploadBox->onEvent[0], [](Attempt& a, TData& d) { a.acknowledged = toInteger(d); });
  add(scheme.UploadBox->onEvent[2], [](Attempt& a, TData&) {
    if (a.endMicros == 0) a.endMicros = traceMicros();
    a.succeeded = a.cause.empty();
  });
  add(scheme.UploadBox->onEvent[3], [this](Attempt& a, TData& d) {
    const bool watchdog = failedOnSilence(d);
    if (watchdog) {
      noteLocked(TraceKind::Watchdog, {}, 0);
      a.silent = true;
    } else {
      a.wrongReply = toString(d);
      noteLocked(TraceKind::Note, "the graph judged the reply wrong: " + a.wrongReply, 0);
    }
    if (a.cause.empty()) a.cause = watchdog ? "silence" : "wrong_reply";
    if (a.endMicros == 0) a.endMicros = traceMicros();
  });
}

std::unique_ptr<FlightRecorder::Attempt> FlightRecorder::beginAttempt(const std::string& kind,
                                                                       const std::string& port) {
  auto a = std::make_unique<Attempt>();
  a->kind = kind;
  a->time = utcNow();
  a->port = port;
  return a;
}

std::unique_ptr<SerialPort> FlightRecorder::opened(const std::string& name,
                                                   std::unique_ptr<SerialPort> port) {
  const PortList list = serialPortList();
  const PortEntry* entry = findPort(list, name);
  {
    std::lock_guard lock(mutex_);
    finishCurrent();
    current_ = beginAttempt("identify", entry != nullptr ? entry->name : name);
    if (entry != nullptr) {
      current_->path = withoutHomeFolder(entry->path);
      current_->driver = entry->driver;
      current_->usbVendor = entry->usbVendor;
      current_->usbProduct = entry->usbProduct;
      current_->usbSerial = entry->serialNumber;
    }
    std::string text = current_->port + " " + current_->path;
    if (!current_->driver.empty()) text += ", driver " + current_->driver;
    if (current_->usbVendor != 0) {
      text += ", USB " + hex4(current_->usbVendor) + ":" + hex4(current_->usbProduct);
    }
    noteLocked(TraceKind::Open, text, 0);
  }
  return std::make_unique<TracedPort>(
      std::move(port),
      [this](TraceKind kind, std::string_view bytes, std::int64_t value) { note(kind, bytes, value); });
}

void FlightRecorder::openFailed(const std::string& name, const std::string& why) {
  {
    std::lock_guard lock(mutex_);
    finishCurrent();
    current_ = beginAttempt("identify", name);
    noteLocked(TraceKind::Note, "open " + name + " failed: " + shown(why), 0);
    current_->result = "open_failed";
    current_->message = shown(why);
    finishCurrent();
  }
  flush();
}

void FlightRecorder::note(TraceKind kind, std::string_view bytes, std::int64_t value) {
  {
    std::lock_guard lock(mutex_);
    if (!current_) return;
    if (kind == TraceKind::Write && isImageWrite(bytes.size()) && current_->kind == "identify") {
      // The first block ends the identification and begins the upload, on the same line.
      Attempt& was = *current_;
      std::unique_ptr<Attempt> upload = beginAttempt("upload", was.port);
      upload->path = was.path;
      upload->driver = was.driver;
      upload->usbVendor = was.usbVendor;
      upload->usbProduct = was.usbProduct;
      upload->usbSerial = was.usbSerial;
      upload->baud = was.baud;
      upload->status = was.status;
      upload->identified = was.identified;
      // The upload's trace starts with how the line was opened, so that it reads alone.
      for (const TraceEntry& e : was.entries) {
        if (e.kind == TraceKind::Open || e.kind == TraceKind::Settings) {
          upload->entries.push_back(TraceEntry{upload->startMicros, e.kind, e.text, e.value});
        }
      }
      upload->entries.push_back(TraceEntry{upload->startMicros, TraceKind::Note,
                                           "upload begins on " + was.port, 0});
      finishCurrent();
      current_ = std::move(upload);
    }
    noteLocked(kind, bytes, value);
    if (kind != TraceKind::Close) return;
    finishCurrent();
  }
  flush();  // the port is closed: the line no longer waits for anything
}

void FlightRecorder::noteLocked(TraceKind kind, std::string_view bytes, std::int64_t value) {
  if (!current_) return;
  Attempt& a = *current_;
  switch (kind) {
    case TraceKind::Settings:
      a.baud = value;
      break;
    case TraceKind::Write:
      if (isImageWrite(bytes.size())) {
        a.blocksSent += static_cast<int>(bytes.size() / 256);
        a.bytesSent += bytes.size();
      } else if (bytes == "VERS") {
        a.sentVers = true;
      }
      break;
    case TraceKind::Read:
      a.heard = true;
      break;
    case TraceKind::Vanished:
      a.vanished = true;
      if (a.cause.empty()) a.cause = "line_gone";
      if (a.endMicros == 0) a.endMicros = traceMicros();
      break;
    default:
      break;
  }
  a.entries.push_back(TraceEntry{traceMicros(), kind, std::string(bytes), value});
}

void FlightRecorder::finishCurrent() {
  if (!current_) return;
  judge(*current_);
  finished_.push_back(std::move(current_));
}

void FlightRecorder::judge(Attempt& a) const {
  if (a.endMicros == 0) a.endMicros = traceMicros();
  if (!a.result.empty()) return;
  const std::string failed = shown(errorWords_);
  if (a.kind == "identify") {
    if (a.identified) {
      a.result = "ok";
      a.message = shown(a.status);
    } else if (a.vanished) {
      a.result = "line_gone";
      a.message = a.port + ": порт пропал, устройство отключено.";
    } else {
      a.result = "no_device";
      a.message = !a.status.empty() ? shown(a.status)
                  : a.heard      ? "Ответ на запрос VERS не от устройства Tormisaplex."
                                 : "Нет ответа на запрос VERS.";
    }
    return;
  }
  const std::string after = " после блока " + std::to_string(a.blocksSent) + ".";
  if (a.succeeded) {
    a.result = "ok";
    a.message = shown(doneWords_);
  } else if (a.cause == "line_gone") {
    a.result = a.cause;
    a.message = failed + " Порт пропал" + after;
  } else if (a.cause == "wrong_reply") {
    a.result = a.cause;
    a.message = failed + " Неверный ответ устройства " + a.wrongReply + after;
  } else if (a.cause == "silence") {
    a.result = a.cause;
    a.message = failed + " Устройство не отвечает" + after;
  } else {
    a.result = "interrupted";
    a.message = "Запись прервана" + after;
  }
}

void FlightRecorder::holdForVerdict() {
  std::lock_guard lock(mutex_);
  held_ = true;
}

void FlightRecorder::verdict(const std::string& port, const std::string& result,
                             const std::string& message) {
  {
    std::lock_guard lock(mutex_);
    finishCurrent();
    if (finished_.empty()) {
      finished_.push_back(beginAttempt("identify", port));
      finished_.back()->entries.push_back(
          TraceEntry{traceMicros(), TraceKind::Note, "no port opened: " + message, 0});
    }
    Attempt& last = *finished_.back();
    last.result = result;
    last.message = message;
    held_ = false;
  }
  flush();
}

void FlightRecorder::flush() {
  std::vector<std::unique_ptr<Attempt>> ready;
  {
    std::lock_guard lock(mutex_);
    if (held_) return;
    ready.swap(finished_);
  }
  for (const auto& a : ready) write(*a);
}

std::string FlightRecorder::journalLine(const Attempt& a, const std::string& traceName) const {
  JsonLine j;
  j.text("time", a.time)
      .text("program", program_)
      .text("program_version", TORMISAPLEX_VERSION)
      .text("kind", a.kind)
      .text("carried", carried_)
      .text("image_sha256", imageSha_)
      .text("port", a.port)
      .textOrNull("path", a.path)
      .textOrNull("driver", a.driver)
      .textOrNull("usb_vendor", a.usbVendor != 0 ? hex4(a.usbVendor) : std::string())
      .textOrNull("usb_product", a.usbVendor != 0 ? hex4(a.usbProduct) : std::string());
  j.textOrNull("usb_serial", a.usbSerial);
  if (a.baud > 0) {
    j.number("baud", a.baud);
  } else {
    j.textOrNull("baud", {});
  }
  std::string model;
  std::string version;
  const std::string status = cp1251ToUtf8(a.status);
  const std::string head = "Устройство: ";
  const std::string middle = "   Текущая версия ПО: ";
  if (a.identified && status.rfind(head, 0) == 0) {
    const std::size_t at = status.find(middle, head.size());
    if (at != std::string::npos) {
      model = status.substr(head.size(), at - head.size());
      version = status.substr(at + middle.size());
    }
  }
  j.textOrNull("model", model).textOrNull("version", version).text("result", a.result);
  j.number("blocks", a.result == "ok" && a.kind == "upload" ? a.blocksSent : a.acknowledged)
      .number("bytes", static_cast<std::int64_t>(a.bytesSent))
      .number("duration_ms", static_cast<std::int64_t>((a.endMicros - a.startMicros) / 1000));
  std::string crc;
  if (a.bytesSent > 0) {
    std::uint16_t value = 0xFFFF;
    for (const TraceEntry& e : a.entries) {
      if (e.kind == TraceKind::Write && isImageWrite(e.text.size())) value = crcOver(e.text, value);
    }
    crc = hex4(value);
  }
  j.textOrNull("crc", crc).text("message", a.message).textOrNull("trace", traceName);
  return j.line();
}

void FlightRecorder::write(Attempt& a) {
  std::string stamp;
  for (char c : a.time) {
    if (c != '-' && c != ':') stamp += c;
  }
  std::uint64_t sequence = 0;
  {
    std::lock_guard lock(mutex_);
    sequence = ++sequence_;
  }
  std::string traceName = "trace-" + stamp + "-" + std::to_string(currentProcessId()) + "-" +
                          std::to_string(sequence) + "-" + a.kind + ".txt";
  const std::string title = program_ + " " + TORMISAPLEX_VERSION + ": " + a.kind + " on " +
                            a.port + ", result " + a.result + " (" + a.time + ")";
  std::string error;
  if (!folder_.writeTrace(traceName, formatTrace(title, a.entries, a.startMicros), error)) {
    complain(error);
    traceName.clear();
  }
  if (!folder_.appendLine(journalLine(a, traceName), error)) complain(error);
}

void FlightRecorder::complain(const std::string& error) {
  {
    std::lock_guard lock(mutex_);
    if (complained_) return;
    complained_ = true;
  }
  const std::string text = program_ + ": не удалось вести журнал (" + error +
                           "); запись ПО это не затрагивает.\n";
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

bool FlightRecorder::complained() const {
  std::lock_guard lock(mutex_);
  return complained_;
}

}  // namespace hi
