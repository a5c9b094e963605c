// The whole program against the device simulator: the main scheme built as the program's
// entry builds it, a simulated device on a pseudo-terminal, and the user's hands.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "elements/hiComAsync.h"
#include "elements/hiCommutator.h"
#include "elements/hiHub.h"
#include "elements/hiMultiElementEx.h"
#include "elements/hiMMTimer.h"
#include "platform/Resources.h"
#include "runtime/EventGate.h"
#include "runtime/Cp1251.h"
#include "tests/support/Hands.h"
#include "tools/devsim/Simulator.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiImage.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"
#include "window/hiSimpleForm.h"

namespace hi::test {

using namespace std::chrono_literals;

// A text as the program shows it, written in UTF-8 here.
inline std::string utf8(const char* s) {
  return cp1251(s);
}

inline std::string hex4(std::uint16_t crc) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", crc);
  return text;
}

inline std::string embeddedImage() {
  const auto bytes = findResource("STREAM0", ResourceTypeStream);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// Keeps the event loop running for a while: for checks that nothing happens.
inline void idle(std::chrono::milliseconds span) {
  const auto until = std::chrono::steady_clock::now() + span;
  waitFor([&] { return std::chrono::steady_clock::now() >= until; }, span + 1s);
}

// Sits in a wire of the graph and keeps what passes, in order, before passing it on.
struct Tap : Element {
  EventPoint onPass;
  std::mutex mutex;
  std::vector<std::string> values;
  void doPass(TData& d) {
    {
      std::lock_guard lock(mutex);
      values.push_back(toString(d));
    }
    fireEvent(onPass, d);
  }
  // Puts the tap into the wire `point`, with nothing kept yet.
  void insert(EventPoint& point) {
    {
      std::lock_guard lock(mutex);
      values.clear();
    }
    onPass = point;
    point = makeEventPoint<&Tap::doPass>(0, this);
  }
  std::size_t count() {
    std::lock_guard lock(mutex);
    return values.size();
  }
  std::string joined() {
    std::lock_guard lock(mutex);
    std::string all;
    for (const std::string& v : values) all += v;
    return all;
  }
};

class EndToEnd : public ::testing::Test {
 protected:
  // Generous: a whole upload under ThreadSanitizer on a loaded two-core machine takes over a
  // minute.
  static constexpr auto kLong = 300s;
  // A whole upload carries 260096 window calls from the reader thread to the GUI thread;
  // under ThreadSanitizer on a loaded machine that alone can take minutes.
  static constexpr auto kUpload = 15min;

  void TearDown() override {
    closeProgram();
    if (device) {
      device->requestStop();
      device->waitFinished(10s);
    }
    unsetenv("TORMISAPLEX_PORTS");
  }

  // A simulated device on COM1 of a fresh port map, served on a thread of its own.
  void startDevice(const devsim::DeviceOptions& options = {}, std::uint32_t baud = 0) {
    devsim::Options o;
    o.device = options;
    o.baud = baud;
    std::string error;
    device = devsim::Simulator::create(std::move(o), error);
    ASSERT_TRUE(device) << error;
    device->start();
    usePortMap(device->portsDir());
  }

  void usePortMap(const std::string& dir) { setenv("TORMISAPLEX_PORTS", dir.c_str(), 1); }

  // Builds and starts the main scheme the way the program does; the settle time after
  // "PUSK" is shortened so that a test does not wait 15 seconds. Everything the graph writes
  // to the port passes `written`, everything the upload receives `received`.
  void startProgram(std::int32_t settleMilliseconds = 200) {
    scheme = startUploader();
    scheme->SettleDelay->Interval = settleMilliseconds;
    written.insert(scheme->WriteHub->onEvent[0]);
    received.insert(scheme->RxRouter->onEvent[1]);
  }

  void closeProgram() {
    if (!scheme) return;
    if (!scheme->MainForm->closed()) {
      TData d;
      scheme->MainForm->doClose(d);
    }
    scheme.reset();
    disableRuntime();
  }

  // Where a port is in the list; -1 when it is not listed.
  int listed(const char* name) const {
    const ComboDriver* list = scheme->PortBox->combo();
    for (int i = 0; i < list->count(); ++i) {
      if (list->itemText(i) == name) return i;
    }
    return -1;
  }

  // The user opens the port list and picks a port from it.
  void choosePort(const char* name) {
    hands().openList(*scheme->PortBox);
    const int index = listed(name);
    ASSERT_GE(index, 0) << name << " is not listed";
    hands().pick(*scheme->PortBox, index);
  }

  // The user opens the port list, something happens meanwhile, and the user picks a port from
  // the list as it opened. The system's notices, which would update the open list, are off.
  void pickFromOpenList(const char* name, const std::function<void()>& meanwhile) {
    TData none;
    scheme->SerialPort->doStopWatch(none, 7);
    hands().openList(*scheme->PortBox);
    const int index = listed(name);
    ASSERT_GE(index, 0) << name << " is not listed";
    meanwhile();
    hands().pick(*scheme->PortBox, index);
  }

  void pressWrite() {
    ASSERT_TRUE(hands().enabled(*scheme->WriteButton));
    hands().click(*scheme->WriteButton);
  }
  void pressOk() { hands().click(*scheme->OkButton); }

  std::string status() const { return hands().text(*scheme->StatusEdit); }
  std::string crcText() const { return hands().text(*scheme->CrcEdit); }
  bool shown(const THIWin* control) const { return control->shownInParent(); }
  bool windowEnabled() const { return hands().windowEnabled(*scheme->MainForm); }
  bool portListEnabled() const { return hands().enabled(*scheme->PortBox); }
  bool writeEnabled() const { return hands().enabled(*scheme->WriteButton); }

  // After the identification: the port list locked, "Записать" enabled.
  bool identified() const { return !portListEnabled() && writeEnabled(); }
  bool failureShown() const { return shown(scheme->ErrorLabel) && shown(scheme->OkButton); }
  bool successShown() const { return shown(scheme->DoneLabel) && shown(scheme->OkButton); }

  // The device's view. Wait for it with waitFor, never with the simulator's own waits: the
  // GUI thread must keep serving the calls the reader thread carries to it.
  devsim::Report report() const { return device->report(); }
  bool waitForDevice(const std::function<bool(const devsim::Report&)>& done,
                     std::chrono::milliseconds timeout = kLong) {
    return waitFor([&] { return done(report()); }, timeout);
  }

  // A device with the given behaviour, the program, the port chosen, "Записать" pressed.
  void startUpload(const devsim::DeviceOptions& options = {}, std::uint32_t baud = 0) {
    startDevice(options, baud);
    startProgram();
    choosePortAndWaitForIdentification();
    pressWrite();
  }

  void choosePortAndWaitForIdentification(const char* name = "COM1") {
    choosePort(name);
    ASSERT_TRUE(waitFor([&] { return identified(); }, kLong)) << status();
    settle();
  }

  // Lets the graph event in progress on another thread finish. A check on the GUI thread runs
  // between that event's window calls, so it can see the first control of a display shown
  // before the last; entering the gate waits for the event, serving its calls meanwhile.
  static void settle() { EventScope quiet; }

  // The user-visible state at the end of an upload, success or failure.
  void expectFinalState(bool success) {
    settle();
    EXPECT_EQ(shown(scheme->DoneLabel), success);
    EXPECT_EQ(shown(scheme->ErrorLabel), !success);
    EXPECT_EQ(shown(scheme->CheckLabel), !success);
    EXPECT_EQ(shown(scheme->ErrorImage), !success);
    EXPECT_TRUE(shown(scheme->OkButton));
    EXPECT_TRUE(shown(scheme->CrcRxLabel));
    EXPECT_TRUE(shown(scheme->CrcLabel));
    for (const THIWin* hidden : {static_cast<const THIWin*>(scheme->PortBox),
                                 static_cast<const THIWin*>(scheme->StatusEdit),
                                 static_cast<const THIWin*>(scheme->UploadProgress),
                                 static_cast<const THIWin*>(scheme->WriteButton),
                                 static_cast<const THIWin*>(scheme->VersionLabel),
                                 static_cast<const THIWin*>(scheme->CrcEdit)}) {
      EXPECT_FALSE(shown(hidden));
    }
    EXPECT_TRUE(windowEnabled());
  }

  // Waits until the upload has received these bytes, all of them judged (or dropped).
  bool waitForReceived(const std::string& bytes) {
    return waitFor([&] { return received.joined().find(bytes) != std::string::npos; }, kLong);
  }

  // Nothing is written from this point on: the bytes the device sends meanwhile are handled
  // by events that the check waits for.
  std::size_t writesSoFar() {
    settle();
    return written.count();
  }

  Tap written;
  Tap received;
  std::unique_ptr<devsim::Simulator> device;
  std::unique_ptr<TClassSimpleForm_221F170> scheme;
};

}  // namespace hi::test
