// What the flight recorder costs an upload: its notes on the line's hot path (a block
// written, its reply read) and the work after the port has closed (the trace's text, the
// trace file and the journal line for a whole upload of 1016 blocks). docs/performance.md
// relates the figures to an upload at 38462 baud.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/FlightRecorder.h"
#include "app/LineTrace.h"

namespace hi {
namespace {

// A port that takes everything and answers every read with a two-byte reply.
class NullPort : public SerialPort {
 public:
  void close() override {}
  bool isOpen() const override { return true; }
  SysStatus setLineSettings(const LineSettings&) override { return {}; }
  std::uint32_t actualBaudRate() const override { return 38462; }
  void setQueueSizes(std::uint32_t, std::uint32_t) override {}
  SysStatus setTimeouts(const Timeouts&) override { return {}; }
  SysStatus setEventMask(std::uint32_t) override { return {}; }
  std::uint32_t eventMask() const override { return 0; }
  WaitResult waitEvent() override { return {}; }
  void wake() override {}
  void abortTransfers() override {}
  SysStatus modemStatus(std::uint32_t&) override { return {}; }
  SysStatus clearError(CommStatus&) override { return {}; }
  SysStatus purge(std::uint32_t) override { return {}; }
  SysStatus flush() override { return {}; }
  IoResult write(const char*, std::size_t size) override { return {true, size, 0, false}; }
  IoResult read(std::string& out, std::size_t) override {
    out += "\x12\x34";
    return {true, 2, 0, false};
  }
};

std::string tempFolder() {
  char dir[] = "/tmp/recorder-bench-XXXXXX";
  return ::mkdtemp(dir) != nullptr ? dir : "";
}

// One block through the recorder's port and its reply, as the reader thread sees them.
void BM_BlockAndReplyThroughTheRecorder(benchmark::State& state) {
  const std::string folder = tempFolder();
  FlightRecorder recorder("bench", JournalFolder(folder));
  std::unique_ptr<SerialPort> port = recorder.opened("COM1", std::make_unique<NullPort>());
  const std::string block(256, 'x');
  std::string reply;
  std::size_t blocks = 0;
  for (auto _ : state) {
    port->write(block.data(), block.size());
    reply.clear();
    port->read(reply, 2);
    // An upload has 1016 blocks: a fresh one then, so that memory stays an upload's.
    if (++blocks % 1016 == 0) {
      state.PauseTiming();
      port = recorder.opened("COM1", std::make_unique<NullPort>());
      state.ResumeTiming();
    }
  }
  port.reset();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BlockAndReplyThroughTheRecorder);

// The same without the recorder: the port's own cost, for comparison.
void BM_BlockAndReplyBare(benchmark::State& state) {
  NullPort port;
  const std::string block(256, 'x');
  std::string reply;
  for (auto _ : state) {
    port.write(block.data(), block.size());
    reply.clear();
    port.read(reply, 2);
    benchmark::DoNotOptimize(reply.data());
  }
}
BENCHMARK(BM_BlockAndReplyBare);

// After the close: a whole upload's trace and journal line written.
void BM_WholeUploadRecordWritten(benchmark::State& state) {
  const std::string folder = tempFolder();
  FlightRecorder recorder("bench", JournalFolder(folder));
  const std::string block(256, 'x');
  std::string reply;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<SerialPort> port = recorder.opened("COM1", std::make_unique<NullPort>());
    port->write("VERS", 4);
    for (int i = 0; i < 1016; ++i) {
      port->write(block.data(), block.size());
      reply.clear();
      port->read(reply, 2);
    }
    state.ResumeTiming();
    port->close();  // writes both records: the identification's and the upload's
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WholeUploadRecordWritten)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace hi
