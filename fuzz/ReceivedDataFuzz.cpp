// Fuzzes the received-data path of the device query and the firmware upload. Each input is a
// script: port choices, right answers and replies cut into random pieces, damaged ones,
// random bytes, the press of «Записать», and the ends of the quiet time, the answer timer
// and the watchdog's ticks (driven by the script, so that a run is repeatable). A model of
// the device checks every write against what it was told:
//   - nothing is written but "VERS" after a port choice, the image bytes in order, one at a
//     time, and at most one "PUSK";
//   - a block goes out only after the right reply to the one before, "PUSK" only after the
//     right end reply to the last block, so after every block was acknowledged rightly (the
//     image is the first 1 to 4 blocks of the real one; the end-to-end tests and the upload
//     graph's tests take all 1016);
//   - nothing is written, and success is not reported, after a failure; nothing after
//     success.
// A broken rule aborts, which libFuzzer reports with the input that did it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/hiMultiElementEx_2289CE0.h"
#include "app/hiMultiElementEx_228A260.h"
#include "elements/hiCommutator.h"
#include "platform/PeriodicTimer.h"
#include "platform/Resources.h"
#include "runtime/EventGate.h"
#include "runtime/MemoryStream.h"
#include "runtime/Seams.h"

namespace hi::fuzz {

namespace {

constexpr std::size_t kBlock = 256;
constexpr std::size_t kFullBlocks = 1016;

// The image the upload loads: the first 1 to 4 blocks of the real one. The graph tells the
// last block from the others by the end of the image alone, so a short image takes every
// path a whole one does, and a script can reach the end.
std::size_t g_imageBlocks = 1;

std::span<const std::uint8_t> realImage() {
  static const auto bytes = findResource("STREAM0", ResourceTypeStream);
  if (!bytes || bytes->size() != kBlock * kFullBlocks) std::abort();
  return *bytes;
}

std::unique_ptr<MemoryStream> loadImage(std::string_view name) {
  if (name != "STREAM0") return nullptr;
  return std::make_unique<MemoryStream>(realImage().first(g_imageBlocks * kBlock));
}

std::uint16_t crcUpdate(std::uint16_t crc, std::uint8_t byte) {
  crc ^= byte;
  for (int i = 0; i < 8; ++i) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1;
  return crc;
}

[[noreturn]] void broken(const char* rule) {
  std::fprintf(stderr, "broken rule: %s\n", rule);
  std::abort();
}

void check(bool holds, const char* rule) {
  if (!holds) broken(rule);
}

// The input, read from the front; zeros once it is used up.
class Script {
 public:
  Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return at_ >= size_; }
  std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// The main graph around the two containers, as far as received data and writes go, and the
// device's side of the line.
class Harness : public Element {
 public:
  Harness() {
    query.onEvent.resize(TClassMultiElementEx_2289CE0::EventCount);
    query.onEvent[0] = makeEventPoint<&Harness::doWrite>(0, this);
    query.onEvent[2] = makeEventPoint<&Harness::doOpen>(0, this);
    query.onEvent[4] = makeEventPoint<&Harness::doIdentified>(0, this);
    query.setCreator(&TClassMultiElementEx_2289CE0::createInstance);

    upload.onEvent.resize(TClassMultiElementEx_228A260::EventCount);
    upload.inData.resize(TClassMultiElementEx_228A260::DataCount);
    upload.onEvent[1] = makeEventPoint<&Harness::doWrite>(1, this);
    upload.onEvent[2] = makeEventPoint<&Harness::doSuccess>(0, this);
    upload.onEvent[3] = makeEventPoint<&Harness::doFailure>(0, this);
    upload.onEvent[4] = makeEventPoint<&Harness::doCrc>(0, this);
    upload.inData[0] = makeEventPoint<&Harness::Crc>(0, this);
    upload.setCreator(&TClassMultiElementEx_228A260::createInstance);

    router.InCount = 1;
    router.setOutCount(2);
    router.inIndex = makeEventPoint<&THIMultiElementEx::GetVar>(0, &query);
    router.onEvent[0] = makeEventPoint<&THIMultiElementEx::doWork>(2, &query);
    router.onEvent[1] = makeEventPoint<&THIMultiElementEx::doWork>(0, &upload);

    queryGraph = query.currentGraph<TClassMultiElementEx_2289CE0>();
    uploadGraph = upload.currentGraph<TClassMultiElementEx_228A260>();
    image = realImage().first(g_imageBlocks * kBlock);
  }

  void run(Script& script) {
    while (!script.done()) {
      EventScope event;  // each step is one graph event, as in the program
      step(script);
    }
  }

 private:
  void step(Script& script) {
    switch (script.next() % 10) {
      case 0:  // the user chooses the port; it opens or it does not
        if (!identified) choose((script.next() & 7) != 0);
        break;
      case 1:  // random bytes in one piece
        receive(bytes(script, script.next() % 12));
        break;
      case 2:  // the right answer or reply, in random pieces
      case 3:
        inPieces(rightAnswer(), script);
        break;
      case 4:  // the right answer or reply, damaged
        inPieces(damaged(rightAnswer(), script), script);
        break;
      case 5:  // the line falls quiet
        if (queryGraph->AnswerGather->gathering()) {
          TData d;
          fireEvent(makeEventPoint<&THIGapGather::doFlush>(0, queryGraph->AnswerGather), d);
        }
        break;
      case 6:  // two seconds without an answer
        if (queryGraph->AnswerTimer->running()) {
          queryGraph->AnswerTimer->setEnabled(false);  // it stops itself after one tick
          fireNull(queryGraph->AnswerTimer->onTimer);
        }
        break;
      case 7:  // a watchdog tick
        if (uploadGraph->Watchdog->running()) fireNull(uploadGraph->Watchdog->onTimer);
        break;
      case 8:  // «Записать», while it is enabled
        if (identified && !pressed) {
          pressed = true;
          TData d = makeInteger(0);
          upload.doWork(d, 1);
        }
        break;
      case 9:  // a run of right replies, each whole
        for (unsigned n = script.next() % 8; n > 0; --n) receive(rightAnswer());
        break;
    }
  }

  std::string bytes(Script& script, std::size_t count) {
    std::string b;
    for (std::size_t i = 0; i < count; ++i) b += static_cast<char>(script.next());
    return b;
  }

  // What a right device would send now: its answer while asked, else the reply it owes.
  std::string rightAnswer() const {
    if (!pressed) return "TORMISAPLEX 10 4.2";
    std::string reply{static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)};
    if (written == image.size()) reply += "FZ";
    return reply;
  }

  std::string damaged(std::string text, Script& script) {
    const std::size_t at = script.next() % (text.size() + 1);
    switch (script.next() % 3) {
      case 0:  // a byte changed
        if (at < text.size()) text[at] = static_cast<char>(text[at] ^ (script.next() | 1));
        break;
      case 1:  // a byte lost
        if (at < text.size()) text.erase(at, 1);
        break;
      default:  // a byte more
        text.insert(at, 1, static_cast<char>(script.next()));
        break;
    }
    return text;
  }

  void inPieces(const std::string& text, Script& script) {
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t n = 1 + script.next() % 4;
      receive(text.substr(at, n));
      at += n;
    }
  }

  void receive(const std::string& chunk) {
    if (identified && pressed) sinceBlockEnd += chunk;
    TData d = makeString(chunk);
    router.doWork(d, 0);
  }

  void choose(bool opens) {
    opensNext = opens;
    versAllowed = false;
    TData d = makeString("COM3");
    query.doWork(d, 1);
  }

  void doOpen(TData&) {
    TData result = makeInteger(opensNext ? 3 : 0);
    versAllowed = opensNext;
    query.doWork(result, 0);
  }

  void doIdentified(TData&) {
    check(!identified, "a device is identified once");
    identified = true;
  }

  void doWrite(TData& d, std::uint16_t from) {
    const std::string text = toString(d);
    check(!failed, "nothing is written after a failure");
    check(!started, "nothing is written after PUSK");
    if (from == 0) {
      check(text == "VERS" && versAllowed && !pressed, "VERS once, after a port opened");
      versAllowed = false;
      return;
    }
    check(pressed, "the upload writes only after «Записать»");
    if (text == "PUSK" && written == image.size()) {
      check(sinceBlockEnd == rightAnswer(), "PUSK only after the right end reply");
      started = true;
      return;
    }
    check(text.size() == 1 && written < image.size(), "image bytes one at a time, no more");
    check(static_cast<std::uint8_t>(text[0]) == image[written], "the image bytes in order");
    if (written % kBlock == 0 && written > 0) {
      check(sinceBlockEnd == rightAnswer(), "a block only after the right reply to the last");
    }
    crc = crcUpdate(crc, image[written]);
    ++written;
    if (written % kBlock == 0) sinceBlockEnd.clear();
  }

  void doSuccess(TData&) {
    check(started && !succeeded && !failed, "success once, after PUSK, never after a failure");
    succeeded = true;
  }

  void doFailure(TData&) {
    check(!failed && !succeeded, "a failure once, never after success");
    failed = true;
  }

  void doCrc(TData& d) { crcText = toString(d); }
  void Crc(TData& d, std::uint16_t) { makeString(d, crcText); }

 public:
  THIMultiElementEx query;
  THIMultiElementEx upload;
  THICommutator router;
  TClassMultiElementEx_2289CE0* queryGraph = nullptr;
  TClassMultiElementEx_228A260* uploadGraph = nullptr;

 private:
  std::span<const std::uint8_t> image;
  std::string crcText = "FFFF";
  bool opensNext = false;
  bool versAllowed = false;
  bool identified = false;
  bool pressed = false;
  bool started = false;  // "PUSK" written
  bool succeeded = false;
  bool failed = false;
  std::size_t written = 0;  // image bytes
  std::uint16_t crc = 0xFFFF;
  std::string sinceBlockEnd;  // received after the last whole block went out
};

}  // namespace

}  // namespace hi::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace hi;
  static const bool ready = [] {
    setResourceLoader(&fuzz::loadImage);
    // Time is the script's: no timer ticks by itself.
    PeriodicTimer::setThreadless(true);
    return true;
  }();
  (void)ready;
  fuzz::Script script(data, size);
  fuzz::g_imageBlocks = 1 + script.next() % 4;
  enableRuntime();
  {
    fuzz::Harness harness;
    harness.run(script);
  }
  disableRuntime();
  return 0;
}
