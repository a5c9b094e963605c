// Waiting on the GUI thread while the event loop keeps running.
#pragma once

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

namespace hi::test {

// Runs the GUI thread's event loop until the condition holds or the time is up. The loop
// blocks in the event dispatcher, as the program's does, so calls that other threads carry
// to the GUI thread run at once (QTest::qWaitFor would sleep between passes).
inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  if (done()) return true;
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
  check.start(2);
  loop.exec();
  return done();
}

}  // namespace hi::test
