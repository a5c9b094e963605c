#include <gtest/gtest.h>

#include "tools/devsim/CommandLine.h"

namespace hi::devsim {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineTest, ReadsEveryOption) {
  Options o;
  std::string error;
  ASSERT_EQ(parseCommandLine({"--ports", "/tmp/p", "--com=7", "--baud", "38462", "--identity", "X",
                              "--device", "11", "--fw-version", "5.1", "--save", "out.bin",
                              "--timeout", "2.5", "--stray", "\\x00\\xff"},
                             o, error),
            CommandLineResult::Run)
      << error;
  EXPECT_EQ(o.portsDir, "/tmp/p");
  EXPECT_EQ(o.com, 7u);
  EXPECT_EQ(o.baud, 38462u);
  EXPECT_EQ(o.device.identity, "X");
  EXPECT_EQ(o.device.device, "11");
  EXPECT_EQ(o.device.version, "5.1");
  EXPECT_EQ(o.saveFile, "out.bin");
  EXPECT_EQ(o.timeout, std::chrono::milliseconds(2500));
  EXPECT_EQ(o.device.strayText, std::string("\0\xff", 2));
  EXPECT_FALSE(o.device.answer);

  ASSERT_EQ(parseCommandLine({"--answer", "tormisaplex 10 4.2\\r\\n"}, o, error),
            CommandLineResult::Run);
  EXPECT_EQ(*o.device.answer, "tormisaplex 10 4.2\r\n");
  EXPECT_EQ(parseCommandLine({"--ports", "d", "--help"}, o, error), CommandLineResult::Help);
  EXPECT_EQ(parseCommandLine({"--com", "3", "--version"}, o, error), CommandLineResult::Version);

  ASSERT_EQ(parseCommandLine({"--pieces", "3", "--piece-gap", "0.3", "--pause", "4500",
                              "--stray-delay=20", "--answer-delay", "2.5"},
                             o, error),
            CommandLineResult::Run)
      << error;
  EXPECT_EQ(o.device.pieceSize, 3u);
  EXPECT_EQ(o.device.pieceGap, std::chrono::microseconds(300));
  EXPECT_EQ(o.device.pauseBefore, std::chrono::milliseconds(4500));
  EXPECT_EQ(o.device.strayDelay, std::chrono::milliseconds(20));
  EXPECT_EQ(o.device.answerDelay, std::chrono::milliseconds(2));
}

TEST(CommandLineTest, FaultsCombine) {
  Options o;
  std::string error;
  ASSERT_EQ(parseCommandLine({"--fault", "no-answer", "--fault", "wrong-identity", "--fault",
                              "split-answer", "--fault", "stray-bytes", "--fault", "wrong-crc=0",
                              "--fault", "low-byte-first=1", "--fault", "split-reply=2", "--fault",
                              "silence=3", "--fault", "early-fz=4", "--fault=hang-up=1015",
                              "--fault", "pause=5", "--fault", "repeat-end"},
                             o, error),
            CommandLineResult::Run)
      << error;
  const Faults& f = o.device.faults;
  EXPECT_TRUE(f.noAnswer && f.wrongIdentity && f.splitAnswer && f.strayBytes);
  EXPECT_EQ(f.wrongCrcAt, 0u);
  EXPECT_EQ(f.lowByteFirstAt, 1u);
  EXPECT_EQ(f.splitReplyAt, 2u);
  EXPECT_EQ(f.silenceFrom, 3u);
  EXPECT_EQ(f.earlyFzAt, 4u);
  EXPECT_EQ(f.hangUpAt, 1015u);
  EXPECT_EQ(f.pauseAt, 5u);
  EXPECT_TRUE(f.repeatEnd);
}

TEST(CommandLineTest, RefusesWhatItCannotUse) {
  const Args bad[] = {
      {"--com", "0"},
      {"--com", "256"},
      {"--com", "1x"},
      {"--baud", "0"},
      {"--baud", "-5"},
      {"--timeout", "0"},
      {"--timeout", "abc"},
      {"--fault", "wrong-crc"},
      {"--fault", "wrong-crc=1016"},
      {"--fault", "silence="},
      {"--fault", "no-answer=3"},
      {"--fault", "louder"},
      {"--answer", "a\\q"},
      {"--answer", "\\x4"},
      {"--ports"},
      {"--verbose", "1"},
      {"COM1"},
  };
  for (const Args& args : bad) {
    Options o;
    std::string error;
    EXPECT_EQ(parseCommandLine(args, o, error), CommandLineResult::Error) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace hi::devsim
