#include <gtest/gtest.h>

#include <string>

#include "runtime/Scheme.h"

namespace {

std::string g_log;

struct Named : hi::Element {
  explicit Named(char c) : name(c) { g_log += '+'; g_log += c; }
  ~Named() override { g_log += '-'; g_log += name; }
  char name;
};

struct ThreeElements : hi::Scheme {
  ThreeElements() {
    create<Named>('a');
    create<Named>('b');
    create<Named>('c');
  }
};

}  // namespace

TEST(Scheme, DestroysInTheReverseOfCreationOrder) {
  g_log.clear();
  { ThreeElements s; EXPECT_EQ(s.elementCount(), 3u); }
  EXPECT_EQ(g_log, "+a+b+c-c-b-a");
}
