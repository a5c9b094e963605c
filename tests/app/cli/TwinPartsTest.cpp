// The twin's pure parts: the command line, the station's verdict, the progress bar.
#include <gtest/gtest.h>

#include "app/cli/CommandLine.h"
#include "app/cli/Report.h"
#include "app/cli/Station.h"

using namespace hi::cli;

TEST(TwinCommandLine, WhatItTakesAndWhatItRefuses) {
  std::string error;
  const auto line = parseCommandLine({"--port", "COM1", "--port", "/dev/ttyUSB0", "--write",
                                      "--log", "units.log"},
                                     error);
  ASSERT_TRUE(line) << error;
  EXPECT_EQ(line->ports, (std::vector<std::string>{"COM1", "/dev/ttyUSB0"}));
  EXPECT_EQ(unitArguments(*line, "COM1"),
            (std::vector<std::string>{"--port", "COM1", "--json", "--write", "--log", "units.log"}));
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{},
                                             {"--write"},
                                             {"--list", "--port", "COM1"},
                                             {"--port", "COM1", "--log"},
                                             {"--port", "COM1", "--force"},
                                             {"--port", "COM3", "--port", "com3"},
                                             {"--port", "COM3", "--port", " \\\\.\\COM3"}}) {
    error.clear();
    EXPECT_FALSE(parseCommandLine(bad, error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(TwinStation, ExitsZeroOnlyWhenEveryUnitSucceeded) {
  EXPECT_EQ(stationExitCode({0, 0, 0, 0}), 0);
  EXPECT_EQ(stationExitCode({0, 6, 5, 0}), 6);
  EXPECT_EQ(stationExitCode({0, 6, 130}), 130);
  EXPECT_EQ(lostResult("COM2", 139)["exit_code"], 139);
  EXPECT_EQ(lostResult("COM2", 0)["exit_code"], 1);  // no result is never a success
  EXPECT_EQ(lostResult("COM2", 1, 9)["exit_code"], 1);  // a killed unit failed
}

TEST(TwinProgressBar, FillsWithTheBlocksAndFitsTheTerminal) {
  hi::cli::SessionReport r;
  r.totalBlocks = 1016;
  r.blocks = 508;
  r.bytesPerSecond = 30 * 1024;
  r.secondsLeft = 65;
  const std::string bar = progressBar(r, 80);
  EXPECT_NE(bar.find("508/1016"), std::string::npos);
  EXPECT_NE(bar.find("30.0 КБ/с"), std::string::npos);
  EXPECT_NE(bar.find("осталось 1:05"), std::string::npos);
  const std::size_t width = bar.find(']') - 1;
  EXPECT_EQ(bar.substr(1, width / 2), std::string(width / 2, '#'));
  EXPECT_EQ(bar[width], '-');
  int columns = 0;
  for (unsigned char c : bar) columns += (c & 0xC0) != 0x80 ? 1 : 0;
  EXPECT_LE(columns, 80);
}
