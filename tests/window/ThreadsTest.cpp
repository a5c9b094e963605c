// Window calls from the serial reader's and the timer's threads: carried to the GUI thread,
// finished before the caller goes on, and free of deadlocks with the event gate.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "WindowTestSupport.h"
#include "runtime/EventGate.h"
#include "window/hiButton.h"
#include "window/hiEdit.h"
#include "window/hiProgressBar.h"

using namespace hi;
using hi::test::hands;
using hi::test::Probe;
using hi::test::WindowTest;

namespace {

class Threads : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    edit.Width = 85;
    edit.init();
    guiThread = std::this_thread::get_id();
  }

  // Runs `work` on a thread of its own while this (GUI) thread keeps serving its calls.
  template <class F>
  void onOtherThread(F work) {
    std::atomic<bool> done{false};
    std::thread t([&] {
      work();
      done = true;
      EventGate::instance().notify();
    });
    EventGate::instance().waitUntil([&] { return done.load(); });
    t.join();
  }

  // Starts a thread that holds the event gate while it runs `work`, as the serial reader
  // holds it for its event, and returns once the gate is held.
  template <class F>
  std::thread holdGateOnOtherThread(F work) {
    std::thread t([this, work] {
      EventScope scope;
      gateHeld = true;
      EventGate::instance().notify();
      work();
    });
    EventGate::instance().waitUntil([this] { return gateHeld.load(); });
    return t;
  }

  THIEdit edit{&form};
  std::thread::id guiThread;
  std::atomic<bool> gateHeld{false};
};

}  // namespace

TEST_F(Threads, ACallFromAnotherThreadRunsOnTheGuiThreadBeforeTheCallerGoesOn) {
  Probe changes;
  edit.onChange = changes.point();
  std::string seenAfterCall;
  onOtherThread([&] {
    EventScope scope;  // as the serial reader holds the gate for its event
    TData text = makeString("1F2E");
    edit.doText(text);
    // The call is complete here: the text is in the field, and onChange has run.
    TData out;
    edit.TextOut(out, 0);
    seenAfterCall = out.text;
    EXPECT_EQ(changes.count(), 1u);
  });
  EXPECT_EQ(seenAfterCall, "1F2E");
  ASSERT_EQ(changes.count(), 1u);
  // The event the call fired back into the graph ran on the GUI thread, for the caller.
  EXPECT_EQ(changes.threads[0], guiThread);
  EXPECT_FALSE(EventGate::instance().heldByCurrentThread());

  // A caller that does not hold the gate is served the same way.
  THIProgressBar bar(&form);
  bar.Max = 10;
  bar.init();
  onOtherThread([&] {
    TData pos = makeInteger(4);
    bar.doPosition(pos);
    EXPECT_EQ(bar.position(), 4);
  });
}

TEST_F(Threads, AGuiNotificationWaitsForTheGateAndServesCallsMeanwhile) {
  THIButton button(&form);
  hi::test::sizeTo(button, 85, 30);
  button.init();
  std::vector<std::string> order;
  std::mutex orderMutex;
  auto log = [&](const char* what) {
    std::lock_guard lock(orderMutex);
    order.emplace_back(what);
  };
  Probe clicks;
  clicks.action = [&](TData&) { log("click handled"); };
  button.onClick = clicks.point();

  std::atomic<bool> finished{false};
  std::thread reader = holdGateOnOtherThread([&] {
    // The GUI thread is (or soon will be) waiting for the gate; its calls still run.
    TData zero = makeInteger(0);
    edit.doEnabled(zero);
    log("reader call done");
    finished = true;
  });
  hands().click(button);  // enters the gate only after the reader has left it
  reader.join();
  ASSERT_TRUE(finished);
  EXPECT_FALSE(hands().enabled(edit));
  ASSERT_EQ(order.size(), 2u);
  EXPECT_EQ(order[0], "reader call done");
  EXPECT_EQ(order[1], "click handled");
}

TEST_F(Threads, AnUnconnectedNotificationDoesNotWaitForTheGate) {
  THIButton button(&form);
  hi::test::sizeTo(button, 85, 30);
  button.init();
  std::atomic<bool> release{false};
  std::thread worker = holdGateOnOtherThread(
      [&] { EventGate::instance().waitUntil([&] { return release.load(); }); });
  hands().click(button);  // nothing connected: returns at once
  release = true;
  EventGate::instance().notify();
  worker.join();
}
