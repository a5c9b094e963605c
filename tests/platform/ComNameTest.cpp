#include "platform/ComName.h"

#include <gtest/gtest.h>

#include "platform/PortMap.h"

namespace {

// What a user, a registry value or a port map may hold, and the port it names (0: none).
TEST(ComName, ReadsWhatPeopleTypeAndRefusesLookAlikes) {
  const struct {
    const char* text;
    int number;
  } rows[] = {
      {"COM7", 7},       {"com7", 7},         {"Com255", 255}, {" com7 ", 7},
      {"\tCOM10\r\n", 10}, {"\\\\.\\COM7", 7}, {" \\\\.\\com12", 12}, {"COM1", 1},
      {"COM", 0},        {"COM0", 0},         {"COM07", 0},    {"COM256", 0},
      {"COM1000", 0},    {"COM99999999999", 0}, {"COM7x", 0},  {"COM 7", 0},
      {"COM-7", 0},      {"LPT1", 0},         {"", 0},         {"\\\\.\\", 0},
      {"\\\\?\\COM7", 0}, {"/dev/ttyS0", 0},   {"CΟM7", 0},
  };
  for (const auto& row : rows) {
    const std::optional<hi::ComName> name = hi::ComName::parse(row.text);
    EXPECT_EQ(name ? name->number() : 0, row.number) << '"' << row.text << '"';
    if (name) {
      EXPECT_EQ(name->text(), "COM" + std::to_string(row.number)) << row.text;
    }
  }
  EXPECT_EQ(hi::ComName::parse("com3")->windowsPath(), "\\\\.\\COM3");
  EXPECT_EQ(hi::ComName::parse(" COM3"), hi::ComName::parse("\\\\.\\com3"));
  EXPECT_LT(hi::ComName::parse("COM9"), hi::ComName::parse("COM10"));  // by number, not text
  EXPECT_FALSE(hi::ComName::ofNumber(0));
  EXPECT_FALSE(hi::ComName::ofNumber(256));
  EXPECT_TRUE(hi::isCanonicalComName("COM3"));
  for (const char* other : {"com3", " COM3", "\\\\.\\COM3", "COM03"}) {
    EXPECT_FALSE(hi::isCanonicalComName(other)) << other;
  }
  // Only ASCII letters change case: CP1251 and UTF-8 bytes stay as they are.
  EXPECT_EQ(hi::asciiUpper("com\xe0\xd0\xb0z"), "COM\xe0\xd0\xb0Z");
}

TEST(ComName, FindsListedPortsByAnyWayOfWritingThem) {
  hi::PortList list;
  for (int n : {3, 10}) {
    hi::PortEntry entry;
    entry.number = n;
    entry.name = "COM" + std::to_string(n);
    list.ports.push_back(entry);
  }
  for (const char* name : {"com10", " COM10", "\\\\.\\COM10"}) {
    ASSERT_NE(hi::findPort(list, name), nullptr) << name;
    EXPECT_EQ(hi::findPort(list, name)->name, "COM10");
  }
  for (const char* name : {"COM1", "COM010", "COM3x"}) EXPECT_EQ(hi::findPort(list, name), nullptr) << name;
}

}  // namespace
