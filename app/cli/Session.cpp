#include "app/cli/Session.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>

#include "app/Uploader.h"
#include "app/cli/LineGuard.h"
#include "app/cli/Texts.h"
#include "app/hiMultiElementEx_228A260.h"
#include "app/hiSimpleForm_221F170.h"
#include "elements/hiComAsync.h"
#include "elements/hiHub.h"
#include "elements/PortErrorText.h"
#include "platform/ComName.h"
#include "platform/PortMap.h"
#include "runtime/Cp1251.h"
#include "runtime/EventGate.h"
#include "window/SystemDriver.h"
#include "window/headless/Headless.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"
#include "window/hiSimpleForm.h"

namespace hi::cli {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How often the host looks at the window while it waits.
constexpr auto kLook = 100ms;
// The graph gives its own verdict on a silent port after two seconds; this only guards
// against a graph that never says anything.
constexpr auto kIdentifyLimit = 30s;
// The window's wait for the device's answer. Before the upload the line must have been this
// long quiet: a person presses «Записать» seconds after the answer, by when any late bytes
// of it (a "\r\n" after the words) are in; pressed at once, they would read as a block's reply.
constexpr auto kAnswerWait = 2s;
// The window shows "no device" after its wait, yet a late answer still identifies the device.
// The twin believes the verdict only once the line has been quiet this long after it.
constexpr auto kLateAnswer = 3s;

std::mutex interruptMutex;
bool interruptRequested = false;  // guarded by interruptMutex
WriteGuard* activeGuard = nullptr;  // guarded by interruptMutex

bool interrupted() {
  std::lock_guard lock(interruptMutex);
  return interruptRequested;
}

// The graph's texts as a terminal shows them: UTF-8, line breaks and runs of blanks as one.
std::string shown(const std::string& cp1251Text) {
  const std::string text = cp1251ToUtf8(cp1251Text);
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
    if (blank) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string textOf(const THIWin& control) {
  if (auto* t = dynamic_cast<const TextDriver*>(control.driver())) return t->text();
  return {};
}

// The model and version from the status line's "Устройство: %1   Текущая версия ПО: %2".
std::optional<Identity> identityFrom(const std::string& status) {
  const std::string raw = cp1251ToUtf8(status);
  const std::string head = "Устройство: ";
  const std::string middle = "   Текущая версия ПО: ";
  if (raw.rfind(head, 0) != 0) return std::nullopt;
  const std::size_t at = raw.find(middle, head.size());
  if (at == std::string::npos) return std::nullopt;
  return Identity{raw.substr(head.size(), at - head.size()), raw.substr(at + middle.size())};
}

// The COM name the user means: a COM name however typed, or a path that leads to a port of
// the same port map the graph lists. Anything else stays as given, to be refused by name.
std::optional<std::string> comNameOf(const std::string& port) {
  if (const std::optional<ComName> com = ComName::parse(port)) return com->text();
  if (port.find_first_of("/\\") == std::string::npos) return port;
  const PortList list = serialPortList();
  const PortEntry* entry = resolvePort(list, port);
  if (entry != nullptr) return entry->name;
  return std::nullopt;
}

// Port names as the list and the user write them: COM names by number, others in any case.
bool samePortName(const std::string& a, const std::string& b) {
  const std::optional<ComName> ca = ComName::parse(a);
  const std::optional<ComName> cb = ComName::parse(b);
  return ca && cb ? ca == cb : asciiUpper(a) == asciiUpper(b);
}

class Run {
 public:
  Run(const std::string& port, SessionObserver& observer) : observer_(observer) {
    report_.port = port;
  }
  ~Run() { finish(); }

  SessionReport go(bool write) {
    const std::optional<std::string> name = comNameOf(report_.port);
    if (!name) {
      return end(Outcome::OpenFailed,
                 shown(openFailureText(report_.port, openFailure(OpenFailureKind::NoSuchPort, 0))));
    }
    report_.port = *name;
    build();
    std::string why;
    if (!choosePort(why)) return end(Outcome::OpenFailed, why);
    const Outcome identification = awaitIdentity();
    if (identification != Outcome::Ok) return ended(identification);
    observer_.identified(report_);
    if (!write) return end(Outcome::Ok, shown(textOf(*scheme_->StatusEdit)));
    const Outcome quiet = awaitQuiet();
    if (quiet != Outcome::Ok) return ended(quiet);
    return upload();
  }

 private:
  void build() {
    scheme_ = startUploader();
    report_.carried = carriedVersion();
    report_.totalBlocks = scheme_->UploadProgress->Max + 1;
    report_.totalBytes = static_cast<std::uint64_t>(report_.totalBlocks) * 256;
    guard_.insert(scheme_->WriteHub->onEvent[0],
                  [port = scheme_->SerialPort] { port->dropUnsent(); });
    received_.insert(scheme_->SerialPort->onRead);
    wrongReply_.insert(scheme_->UploadBox->onEvent[3]);
    std::lock_guard lock(interruptMutex);
    activeGuard = &guard_;
    if (interruptRequested) guard_.halt();
  }

  std::string carriedVersion() const {
    const std::string label = cp1251ToUtf8(textOf(*scheme_->VersionLabel));
    const std::size_t colon = label.find(':');
    return colon == std::string::npos ? label : shown(cp1251(label.substr(colon + 1)));
  }

  // As the user does: picks the port from the list. The window offers no other choice; for a
  // port it does not list, the host says why in the window's words. True when it opened.
  bool choosePort(std::string& why) {
    auto* combo = headless::as<headless::Combo>(scheme_->PortBox->driver());
    // Opening the list brings it up to date, as it does for the user.
    combo->open();
    int index = -1;
    for (int i = 0; i < combo->count(); ++i) {
      if (samePortName(combo->itemText(i), report_.port)) index = i;
    }
    if (index < 0) {
      const PortList list = serialPortList();
      const PortEntry* entry = findPort(list, report_.port);
      why = shown(openFailureText(
          report_.port, openFailure(entry != nullptr ? OpenFailureKind::Gone : OpenFailureKind::NoSuchPort, 0)));
      return false;
    }
    report_.port = combo->itemText(index);
    combo->pick(index);
    why = shown(textOf(*scheme_->StatusEdit));
    return scheme_->SerialPort->isOpen();
  }

  bool identified() const {
    return !scheme_->PortBox->enabled() && scheme_->WriteButton->enabled();
  }

  Outcome awaitIdentity() {
    const std::string noDevice = cp1251(texts::kNoDevice);
    const auto limit = Clock::now() + kIdentifyLimit;
    std::optional<Clock::time_point> verdictSeen;
    // "No device" is final once nothing more came for a while after it was shown.
    const auto noDeviceFinal = [&] {
      if (textOf(*scheme_->StatusEdit) != noDevice) {
        verdictSeen.reset();
        return false;
      }
      if (!verdictSeen) verdictSeen = Clock::now();
      return Clock::now() - std::max(*verdictSeen, received_.last()) >= kLateAnswer;
    };
    bool done = false;
    while (!done) {
      done = systemDriver().runUntil(
          [&] { return identified() || interrupted() || noDeviceFinal(); }, kLook);
      if (!done && Clock::now() > limit) break;
      if (!done && (!scheme_->SerialPort->isOpen() || portGoneShown())) return Outcome::LineGone;
    }
    settle();
    if (interrupted()) return Outcome::Interrupted;
    if (!identified()) return Outcome::NoDevice;
    report_.identity = identityFrom(textOf(*scheme_->StatusEdit));
    return report_.identity ? Outcome::Ok : Outcome::NoDevice;
  }

  // Until the line has been quiet for the window's answer time; false when the user
  // interrupted or the line went first.
  Outcome awaitQuiet() {
    const auto quiet = [&] { return Clock::now() - received_.last() >= kAnswerWait; };
    while (!systemDriver().runUntil([&] { return quiet() || interrupted(); }, kLook)) {
      if (!scheme_->SerialPort->isOpen() || portGoneShown()) return Outcome::LineGone;
    }
    settle();
    return interrupted() ? Outcome::Interrupted : Outcome::Ok;
  }

  SessionReport upload() {
    guard_.uploadBegins();
    uploadStart_ = Clock::now();
    headless::control(scheme_->WriteButton->driver())->click();
    bool lineGone = false;
    for (;;) {
      const bool ended = systemDriver().runUntil(
          [&] { return finalShown() || interrupted(); }, kLook);
      lineGone = lineGone || portGoneShown() ||
                 (scheme_->SerialPort->isOpen() && !scheme_->SerialPort->readerActive());
      look();
      if (interrupted()) return stopped();
      if (!ended) continue;
      settle();
      look();
      if (scheme_->DoneLabel->shownInParent()) {
        return end(Outcome::Ok, shown(textOf(*scheme_->DoneLabel)));
      }
      const std::string failure =
          shown(textOf(*scheme_->ErrorLabel)) + " " + shown(textOf(*scheme_->CheckLabel));
      if (lineGone) return end(Outcome::LineGone, failure + " " + texts::lineGone(report_));
      if (wrongReply_.fired()) return end(Outcome::WrongReply, failure + " " + texts::wrongReply(report_));
      return end(Outcome::Silence, failure + " " + texts::silence(report_));
    }
  }

  // The status line says the device went from under the open port.
  bool portGoneShown() const {
    return textOf(*scheme_->StatusEdit) ==
           openFailureText(report_.port, openFailure(OpenFailureKind::Gone, 0));
  }

  bool finalShown() const {
    return scheme_->DoneLabel->shownInParent() || scheme_->ErrorLabel->shownInParent();
  }

  // Reads the progress bar, the checksum and the guard's count, and tells the observer.
  void look() {
    // After "PUSK" the upload is over: its figures stay as they were then.
    if (report_.started) return;
    const bool started = guard_.startSent();
    const std::uint64_t bytes = guard_.imageBytes();
    // The reader posts the bar's and the checksum's changes to this thread without waiting;
    // those made before what the guard saw are queued by now, so they are taken first.
    EventGate::instance().runHomeCalls();
    const int blocks = scheme_->UploadProgress->position();
    report_.crc = textOf(*scheme_->CrcEdit);
    report_.upload = elapsed(uploadStart_);
    const double seconds = std::chrono::duration<double>(report_.upload).count();
    if (seconds > 0 && bytes > 0) {
      report_.bytesPerSecond = static_cast<double>(bytes) / seconds;
      report_.secondsLeft =
          static_cast<double>(report_.totalBytes - bytes) / report_.bytesPerSecond;
    }
    const int shownBlocks = started ? report_.totalBlocks : blocks;
    const bool moved = shownBlocks != report_.blocks || bytes != report_.bytes;
    report_.blocks = shownBlocks;
    report_.bytes = bytes;
    if (started) {
      report_.started = true;
      report_.secondsLeft = 0;
    }
    if (moved) observer_.progress(report_);
    if (started) observer_.settling(report_);
  }

  SessionReport stopped() {
    guard_.halt();  // the interrupt did, unless it came between two looks
    closeGraph();
    look();
    return end(Outcome::Interrupted, texts::interrupted(report_));
  }

  SessionReport ended(Outcome outcome) {
    switch (outcome) {
      case Outcome::Interrupted:
        return end(outcome, texts::interrupted(report_));
      case Outcome::LineGone:
        return end(outcome, report_.port + texts::kPortGone);
      default:
        return end(outcome, shown(textOf(*scheme_->StatusEdit)));
    }
  }

  SessionReport end(Outcome outcome, std::string message) {
    report_.outcome = outcome;
    report_.message = std::move(message);
    finish();
    report_.duration = elapsed(start_);
    return report_;
  }

  // Lets the graph event under way on another thread end.
  static void settle() { EventScope quiet; }

  void closeGraph() {
    if (!scheme_ || scheme_->MainForm->closed()) return;
    EventScope scope;
    TData d;
    scheme_->MainForm->doClose(d);
  }

  void finish() {
    {
      std::lock_guard lock(interruptMutex);
      if (activeGuard == &guard_) activeGuard = nullptr;
    }
    closeGraph();
    scheme_.reset();
  }

  static std::chrono::milliseconds elapsed(Clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since);
  }

  SessionObserver& observer_;
  SessionReport report_;
  std::unique_ptr<TClassSimpleForm_221F170> scheme_;
  WriteGuard guard_;
  Tap received_;  // every read from the port
  // The upload's failures that were a wrong reply, not silence.
  Tap wrongReply_{[](const TData& failure) { return !failedOnSilence(failure); }};
  std::uint64_t reportedBytes_ = 0;
  Clock::time_point start_ = Clock::now();
  Clock::time_point uploadStart_ = Clock::now();
};

}  // namespace

SessionReport runSession(const std::string& port, bool write, SessionObserver& observer) {
  Run run(port, observer);
  return run.go(write);
}

void interruptSession() {
  std::lock_guard lock(interruptMutex);
  interruptRequested = true;
  if (activeGuard != nullptr) activeGuard->halt();
}

}  // namespace hi::cli
