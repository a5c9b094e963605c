// The program binary itself, started as a user starts it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/ChildProcess.h"

namespace {

// Takes a variable out of this process's environment for the scope's lifetime.
class WithoutVariable {
 public:
  explicit WithoutVariable(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) saved_ = v;
    unsetenv(name);
  }
  ~WithoutVariable() {
    if (saved_) setenv(name_, saved_->c_str(), 1);
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

}  // namespace

TEST(Program, WithoutADisplayOrWithOneItCannotReachItSaysSoInOneLine) {
  WithoutVariable platform("QT_QPA_PLATFORM"), x11("DISPLAY"), wayland("WAYLAND_DISPLAY");
  for (const char* display : {"", ":55"}) {
    SCOPED_TRACE(display);
    // A stale forwarding names a display that no server answers.
    if (*display != 0) setenv("DISPLAY", display, 1);
    hi::test::ChildProcess program(TORMISAPLEX_UPLOADER_BINARY, {});
    ASSERT_TRUE(program.started());
    EXPECT_EQ(program.wait(std::chrono::seconds(20)), 2);
    const std::string error = program.errorText();
    EXPECT_NE(error.find("no display"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), error.size() - 1) << error;
  }
}
