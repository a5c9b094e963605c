#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hi::devsim {

inline constexpr std::size_t kBlockSize = 256;
inline constexpr std::size_t kBlockCount = 1016;
inline constexpr std::size_t kImageSize = kBlockSize * kBlockCount;  // 260096

// Deliberate misbehaviour. Blocks count from 0 (the first 256 image bytes) to 1015.
struct Faults {
  bool noAnswer = false;       // "VERS" is heard but never answered
  bool wrongIdentity = false;  // the first word of the answer gets a character attached
  bool splitAnswer = false;    // the answer goes out in two writes, splitGap apart
  bool strayBytes = false;     // strayText follows the answer as a write of its own
  std::optional<std::uint32_t> wrongCrcAt;      // the complement of the right CRC
  std::optional<std::uint32_t> lowByteFirstAt;  // the CRC bytes swapped
  std::optional<std::uint32_t> splitReplyAt;    // first reply byte, then the rest splitGap later
  std::optional<std::uint32_t> silenceFrom;     // no reply to this block or any later one
  std::optional<std::uint32_t> earlyFzAt;       // the end reply (CRC and "FZ") after this block
  std::optional<std::uint32_t> hangUpAt;        // the device end closes instead of replying
  std::optional<std::uint32_t> pauseAt;         // the reply to this block comes pauseBefore late
  bool repeatEnd = false;  // after "PUSK" the end reply comes once more
  // After "PUSK", as a device that starts its new firmware may: this many bytes, one every
  // chatterGap (a boot banner, telemetry), then, if asked, the line dropped.
  std::size_t chatterAfterPusk = 0;
  bool hangUpAfterPusk = false;
};

struct DeviceOptions {
  std::string identity = "TORMISAPLEX";
  std::string device = "10";
  std::string version = "4.2";
  std::optional<std::string> answer;  // the whole answer verbatim, instead of the three words
  Faults faults;
  std::string strayText = "\r\n";
  std::chrono::milliseconds splitGap{50};
  std::chrono::milliseconds answerDelay{0};     // from "VERS" to the answer
  std::chrono::milliseconds strayDelay{300};    // from the answer to the stray bytes
  std::chrono::milliseconds pauseBefore{4500};  // the pause fault's delay
  std::chrono::milliseconds chatterGap{50};
  // As a USB adapter hands bytes over: every write in pieces of pieceSize bytes (0: whole),
  // pieceGap apart.
  std::size_t pieceSize = 0;
  std::chrono::microseconds pieceGap{0};
};

// Something the device sends or does; gapBefore delays it after the previous output of the
// same response.
struct Output {
  enum class Kind { Write, HangUp };
  Kind kind = Kind::Write;
  std::string bytes;
  std::chrono::microseconds gapBefore{0};
};

enum class Phase {
  AwaitVers,  // nothing useful yet
  Image,      // identified (or queried); image bytes expected
  AwaitPusk,  // the end reply went out
  Started,    // "PUSK" arrived
  HungUp,     // the hang-up fault closed the line
};

struct DeviceState {
  Phase phase = Phase::AwaitVers;
  unsigned versQueries = 0;
  unsigned answers = 0;
  std::size_t bytesBeforeVers = 0;  // bytes that were not part of the first "VERS"
  std::size_t imageBytes = 0;
  std::uint16_t crc = 0xFFFF;                    // over the image bytes so far
  unsigned replies = 0;                          // block replies sent, the end reply included
  std::optional<std::uint32_t> wrongReplyBlock;  // first reply that was deliberately wrong
  std::optional<std::uint32_t> silentFromBlock;  // first block left without a reply
  std::optional<std::uint32_t> earlyEndBlock;    // block after which "FZ" came early
  std::optional<std::uint32_t> hungUpAtBlock;
  std::size_t bytesAfterImage = 0;  // everything after the end reply, "PUSK" included
  std::string afterImageHead;       // the first few of those, for the report
  bool pusk = false;
  std::size_t bytesAfterPusk = 0;
};

// The device side of the protocol, byte by byte, with no notion of time or ports: the caller
// feeds every received byte and carries out the outputs.
class Device {
 public:
  explicit Device(DeviceOptions options);

  void feed(std::uint8_t byte, std::vector<Output>& out);

  const DeviceState& state() const { return state_; }
  const std::vector<std::uint8_t>& image() const { return image_; }
  const DeviceOptions& options() const { return options_; }
  // The answer to "VERS" as sent, faults included.
  std::string answerText() const;

 private:
  void awaitVers(std::uint8_t byte, std::vector<Output>& out);
  void imageByte(std::uint8_t byte, std::vector<Output>& out);
  void takeImageByte(std::uint8_t byte, std::vector<Output>& out);
  void blockEnd(std::uint32_t block, std::vector<Output>& out);
  void awaitPusk(std::uint8_t byte, std::vector<Output>& out);
  void answer(std::vector<Output>& out);
  void sendSplit(const std::string& bytes, std::size_t firstPart, std::vector<Output>& out) const;
  // One write, in pieces when pieceSize asks for them; the first piece comes gapBefore late.
  void send(const std::string& bytes, std::chrono::microseconds gapBefore,
            std::vector<Output>& out) const;

  DeviceOptions options_;
  DeviceState state_;
  std::vector<std::uint8_t> image_;
  std::string window_;  // trailing bytes that may still become "VERS" or "PUSK"
  std::string endReply_;  // as sent, for the repeat-end fault
};

}  // namespace hi::devsim
