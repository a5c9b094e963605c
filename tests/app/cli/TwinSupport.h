// tormisaplex-upload started as a script starts it, against simulated devices on a port map
// of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/ChildProcess.h"
#include "tools/devsim/Simulator.h"

namespace hi::test {

using namespace std::chrono_literals;
using Json = nlohmann::ordered_json;

// A whole upload ends with the device's 15-second settle; sanitizer builds on a loaded
// machine take many times longer.
inline constexpr auto kUnit = 10min;

class Twin : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/twin-ports-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    portsDir = dir;
  }
  void TearDown() override {
    devices.clear();
    std::string cleanup = "rm -rf '" + portsDir + "' '" + portsDir + ".log'";
    ASSERT_EQ(std::system(cleanup.c_str()), 0);
  }

  // A simulated device as COM<com> of the port map.
  devsim::Simulator& addDevice(unsigned com, const devsim::DeviceOptions& device = {},
                               std::uint32_t baud = 0) {
    devsim::Options o;
    o.portsDir = portsDir;
    o.com = com;
    o.device = device;
    o.baud = baud;
    std::string error;
    auto sim = devsim::Simulator::create(std::move(o), error);
    EXPECT_TRUE(sim) << error;
    sim->start();
    devices.push_back(std::move(sim));
    return *devices.back();
  }

  std::unique_ptr<ChildProcess> start(const std::vector<std::string>& args) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    env.push_back("TORMISAPLEX_PORTS=" + portsDir);
    auto child = std::make_unique<ChildProcess>(TORMISAPLEX_UPLOAD_BINARY, args, env);
    EXPECT_TRUE(child->started());
    return child;
  }

  // Runs the program to its end: its exit code and every line of its standard output.
  int run(const std::vector<std::string>& args, std::vector<std::string>* out = nullptr) {
    auto child = start(args);
    for (std::string line; !(line = child->line(kUnit)).empty();) {
      if (out != nullptr) out->push_back(line);
    }
    return child->wait(kUnit);
  }

  // The last line of a --json run, parsed.
  static Json lastObject(const std::vector<std::string>& lines) {
    return lines.empty() ? Json() : Json::parse(lines.back(), nullptr, false);
  }

  std::string portsDir;
  std::vector<std::unique_ptr<devsim::Simulator>> devices;
};

}  // namespace hi::test
