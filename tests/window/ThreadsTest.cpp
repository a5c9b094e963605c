// Window calls from the serial reader's and the timer's threads: carried to the GUI thread,
// free of deadlocks with the event gate, finished before the caller goes on when they fire
// into the graph, and otherwise queued in order without a wait.
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
}

TEST_F(Threads, ScreenChangesFromAnotherThreadAreQueuedInOrderAndTheNewestWins) {
  THIProgressBar bar(&form);
  bar.Max = 1000;
  bar.init();
  std::vector<std::string> readBack;
  auto change = [&](int from, int to) {
    for (int i = from; i <= to; ++i) {
      TData text = makeString(std::to_string(i));
      edit.doText(text);
      TData out;  // the graph reads back the newest text at once
      edit.TextOut(out, 0);
      if (out.text != text.text) readBack.push_back(out.text);
      TData pos = makeInteger(i);
      bar.doPosition(pos);
    }
  };

  // While the GUI thread serves nothing, the changes do not wait for it.
  std::thread first([&] {
    EventScope event;
    change(1, 300);
  });
  first.join();
  EXPECT_EQ(hands().text(edit), "");
  EXPECT_EQ(bar.position(), 0);

  // A call that waits for the GUI thread runs after the changes queued before it, and
  // those queued after it land after it.
  std::string shownAtHide;
  onOtherThread([&] {
    EventScope event;
    change(301, 500);
    TData zero = makeInteger(0);
    bar.doVisible(zero);
    EventGate::instance().callOnHome([&] { shownAtHide = hands().text(edit); });
    change(501, 1000);
  });
  EventGate::instance().runHomeCalls();
  EXPECT_TRUE(readBack.empty()) << readBack.front();
  EXPECT_EQ(shownAtHide, "500");
  EXPECT_FALSE(hands().visible(bar));
  EXPECT_EQ(hands().text(edit), "1000");
  EXPECT_EQ(bar.position(), 1000);
}

TEST_F(Threads, AChangeOnTheGuiThreadLandsAfterTheChangesQueuedBeforeIt) {
  std::thread reader([&] {
    EventScope event;
    TData text = makeString("older");
    edit.doText(text);
  });
  reader.join();
  TData text = makeString("newer");
  edit.doText(text);  // on the GUI thread, with the older text still queued
  EventGate::instance().runHomeCalls();
  EXPECT_EQ(hands().text(edit), "newer");
  TData out;
  edit.TextOut(out, 0);
  EXPECT_EQ(out.text, "newer");
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
