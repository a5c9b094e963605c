#include "tools/devsim/Device.h"

#include <algorithm>

#include <utility>

#include "tools/devsim/Crc16.h"

namespace hi::devsim {

namespace {

constexpr std::string_view kVers = "VERS";
constexpr std::string_view kPusk = "PUSK";
constexpr std::size_t kHeadKept = 8;

bool hits(std::optional<std::uint32_t> at, std::uint32_t block) {
  return at && *at == block;
}

}  // namespace

Device::Device(DeviceOptions options) : options_(std::move(options)) {
  image_.reserve(kImageSize);
}

std::string Device::answerText() const {
  std::string identity = options_.identity;
  if (options_.faults.wrongIdentity) identity += '2';
  if (options_.answer) {
    if (!options_.faults.wrongIdentity) return *options_.answer;
    // The first word gets a character attached, as the identity would.
    const std::string& answer = *options_.answer;
    const std::size_t cut = std::min(answer.find(' '), answer.size());
    return answer.substr(0, cut) + '2' + answer.substr(cut);
  }
  return identity + ' ' + options_.device + ' ' + options_.version;
}

void Device::feed(std::uint8_t byte, std::vector<Output>& out) {
  switch (state_.phase) {
    case Phase::AwaitVers:
      awaitVers(byte, out);
      break;
    case Phase::Image:
      imageByte(byte, out);
      break;
    case Phase::AwaitPusk:
      awaitPusk(byte, out);
      break;
    case Phase::Started:
      ++state_.bytesAfterPusk;
      break;
    case Phase::HungUp:
      break;
  }
}

void Device::awaitVers(std::uint8_t byte, std::vector<Output>& out) {
  // A sliding window, so that "VERS" is found after any noise; the noise is counted.
  window_.push_back(static_cast<char>(byte));
  if (window_.size() > kVers.size()) {
    window_.erase(0, 1);
    ++state_.bytesBeforeVers;
  }
  if (window_ != kVers) return;
  window_.clear();
  ++state_.versQueries;
  state_.phase = Phase::Image;
  if (!options_.faults.noAnswer) answer(out);
}

void Device::imageByte(std::uint8_t byte, std::vector<Output>& out) {
  // A repeated query can only be told from image bytes at the very start of the image: there
  // "VERS" is taken as a query (an image that starts with those four bytes is not supported).
  if (state_.imageBytes == 0 && window_.size() < kVers.size() &&
      static_cast<char>(byte) == kVers[window_.size()]) {
    window_.push_back(static_cast<char>(byte));
    if (window_ == kVers) {
      window_.clear();
      ++state_.versQueries;
      if (!options_.faults.noAnswer) answer(out);
    }
    return;
  }
  if (!window_.empty()) {
    const std::string held = std::exchange(window_, {});
    for (char c : held) takeImageByte(static_cast<std::uint8_t>(c), out);
  }
  takeImageByte(byte, out);
}

void Device::takeImageByte(std::uint8_t byte, std::vector<Output>& out) {
  image_.push_back(byte);
  state_.crc = crc16ModbusUpdate(state_.crc, byte);
  ++state_.imageBytes;
  if (state_.imageBytes % kBlockSize == 0) {
    blockEnd(static_cast<std::uint32_t>(state_.imageBytes / kBlockSize - 1), out);
  }
}

void Device::blockEnd(std::uint32_t block, std::vector<Output>& out) {
  const Faults& faults = options_.faults;
  const bool last = block + 1 == kBlockCount;
  if (hits(faults.hangUpAt, block)) {
    state_.hungUpAtBlock = block;
    state_.phase = Phase::HungUp;
    out.push_back({Output::Kind::HangUp, {}, {}});
    return;
  }
  if (faults.silenceFrom && block >= *faults.silenceFrom) {
    if (!state_.silentFromBlock) state_.silentFromBlock = block;
    if (last) state_.phase = Phase::AwaitPusk;
    return;
  }
  const bool end = last || hits(faults.earlyFzAt, block);
  std::uint16_t crc = state_.crc;
  bool wrong = false;
  if (hits(faults.wrongCrcAt, block)) {
    crc = static_cast<std::uint16_t>(~crc);
    wrong = true;
  }
  const char high = static_cast<char>(crc >> 8);
  const char low = static_cast<char>(crc & 0xFFU);
  std::string reply;
  if (hits(faults.lowByteFirstAt, block)) {
    reply = {low, high};
    wrong = wrong || high != low;
  } else {
    reply = {high, low};
  }
  if (end) {
    reply += "FZ";
    if (!last) state_.earlyEndBlock = block;
    state_.phase = Phase::AwaitPusk;
  }
  if (wrong && !state_.wrongReplyBlock) state_.wrongReplyBlock = block;
  if (hits(faults.splitReplyAt, block)) {
    sendSplit(reply, 1, out);
  } else {
    const bool pause = hits(faults.pauseAt, block);
    send(reply, pause ? options_.pauseBefore : std::chrono::microseconds{0}, out);
  }
  if (end) endReply_ = reply;
  ++state_.replies;
}

void Device::awaitPusk(std::uint8_t byte, std::vector<Output>& out) {
  ++state_.bytesAfterImage;
  if (state_.afterImageHead.size() < kHeadKept) {
    state_.afterImageHead.push_back(static_cast<char>(byte));
  }
  window_.push_back(static_cast<char>(byte));
  if (window_.size() > kPusk.size()) window_.erase(0, 1);
  if (window_ == kPusk) {
    window_.clear();
    state_.pusk = true;
    state_.phase = Phase::Started;
    if (options_.faults.repeatEnd) send(endReply_, options_.splitGap, out);
    for (std::size_t i = 0; i < options_.faults.chatterAfterPusk; ++i) {
      out.push_back({Output::Kind::Write, std::string(1, static_cast<char>('a' + i % 26)),
                     options_.chatterGap});
    }
    if (options_.faults.hangUpAfterPusk) {
      out.push_back({Output::Kind::HangUp, {}, options_.chatterGap});
    }
  }
}

void Device::answer(std::vector<Output>& out) {
  const std::string text = answerText();
  if (options_.faults.splitAnswer && text.size() > 1) {
    sendSplit(text, text.size() / 2, out);
  } else {
    send(text, options_.answerDelay, out);
  }
  if (options_.faults.strayBytes) send(options_.strayText, options_.strayDelay, out);
  ++state_.answers;
}

void Device::sendSplit(const std::string& bytes, std::size_t firstPart,
                       std::vector<Output>& out) const {
  send(bytes.substr(0, firstPart), {}, out);
  send(bytes.substr(firstPart), options_.splitGap, out);
}

void Device::send(const std::string& bytes, std::chrono::microseconds gapBefore,
                  std::vector<Output>& out) const {
  const std::size_t piece = options_.pieceSize == 0 ? bytes.size() : options_.pieceSize;
  for (std::size_t at = 0; at < bytes.size() || at == 0; at += piece) {
    out.push_back({Output::Kind::Write, bytes.substr(at, piece),
                   at == 0 ? gapBefore : options_.pieceGap});
    if (bytes.empty()) break;
  }
}

}  // namespace hi::devsim
