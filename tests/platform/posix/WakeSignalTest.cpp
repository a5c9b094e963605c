#include <gtest/gtest.h>
#include <poll.h>

#include <thread>

#include "platform/posix/WakeSignal.h"

namespace {

bool readable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN) != 0;
}

}  // namespace

TEST(WakeSignal, ReadableFromARaiseUntilCleared) {
  hi::WakeSignal wake;
  ASSERT_TRUE(wake.valid());
  EXPECT_FALSE(readable(wake.fd(), 0));
  std::thread other([&] {
    wake.raise();
    wake.raise();  // several raises before a clear wake once
  });
  other.join();
  EXPECT_TRUE(readable(wake.fd(), 10000));
  wake.clear();
  EXPECT_FALSE(readable(wake.fd(), 0));
  wake.clear();  // clearing a clear signal does not block
  EXPECT_FALSE(readable(wake.fd(), 0));
}
