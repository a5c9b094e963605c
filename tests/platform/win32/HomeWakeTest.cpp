#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win32/HomeWake.h"

TEST(HomeWake, RaisesFromOtherThreadsRunOnTheHomeThreadThroughItsMessageLoop) {
  const DWORD home = ::GetCurrentThreadId();
  std::atomic<int> runs{0};
  std::atomic<bool> elsewhere{false};
  hi::HomeWake wake([&] {
    if (::GetCurrentThreadId() != home) elsewhere = true;
    runs.fetch_add(1);
  });
  ASSERT_TRUE(wake.valid());

  std::vector<std::thread> raisers;
  for (int i = 0; i < 4; ++i) {
    raisers.emplace_back([&] {
      for (int n = 0; n < 100; ++n) wake.raise();
    });
  }
  for (std::thread& t : raisers) t.join();
  // 400 raises before the loop ran: one message waits, not 400.
  MSG msg;
  int messages = 0;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ++messages;
    ::DispatchMessageW(&msg);
  }
  EXPECT_EQ(messages, 1);
  EXPECT_EQ(runs.load(), 1);
  EXPECT_FALSE(elsewhere.load());

  // Once run, the next raise is a new wake-up; GetMessage blocks until it comes.
  std::thread later([&] { wake.raise(); });
  ASSERT_GT(::GetMessageW(&msg, nullptr, 0, 0), 0);
  ::DispatchMessageW(&msg);
  later.join();
  EXPECT_EQ(runs.load(), 2);
}
