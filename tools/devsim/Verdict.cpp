#include "tools/devsim/Verdict.h"

#include <cstdio>

namespace hi::devsim {

namespace {

std::string causeText(EndCause cause) {
  switch (cause) {
    case EndCause::PortClosed:
      return "the program closed the port";
    case EndCause::Stopped:
      return "stopped";
    case EndCause::TimedOut:
      return "timed out";
    case EndCause::Failed:
      return "the simulator's end of the line failed";
    case EndCause::Running:
    case EndCause::HungUp:
      break;
  }
  return {};
}

std::string withCause(std::string reason, EndCause cause) {
  const std::string text = causeText(cause);
  if (!text.empty()) reason += "; " + text;
  return reason;
}

std::string yetImage(const DeviceState& s) {
  if (s.imageBytes == 0) return {};
  return ", yet " + std::to_string(s.imageBytes) + " image bytes arrived";
}

std::string block(std::uint32_t k) {
  return "block " + std::to_string(k);
}

Verdict fail(std::string reason) {
  return {false, std::move(reason)};
}

}  // namespace

std::string hexBytes(const std::string& bytes) {
  std::string text;
  char digits[4];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", c);
    if (!text.empty()) text += ' ';
    text += digits;
  }
  return text;
}

Verdict judge(const DeviceState& s, const Faults& faults, EndCause cause) {
  if (s.hungUpAtBlock) return fail("hung up after " + block(*s.hungUpAtBlock) + " (fault hang-up)");
  if (s.versQueries == 0) {
    std::string reason = "no VERS received";
    if (s.bytesBeforeVers > 0) reason += " (" + std::to_string(s.bytesBeforeVers) + " other bytes)";
    return fail(withCause(reason, cause));
  }
  if (s.bytesBeforeVers > 0) {
    return fail(std::to_string(s.bytesBeforeVers) + " unexpected bytes before VERS");
  }
  if (s.answers == 0) return fail("VERS not answered (fault no-answer)" + yetImage(s));
  if (faults.wrongIdentity)
    return fail("a wrong identity answered (fault wrong-identity)" + yetImage(s));
  if (s.earlyEndBlock) {
    return fail("the end reply came early, after " + block(*s.earlyEndBlock) +
                " (fault early-fz); image " + std::to_string(s.imageBytes) + " of " +
                std::to_string(kImageSize) + " bytes");
  }
  if (s.imageBytes < kImageSize) {
    std::string reason = "image incomplete: " + std::to_string(s.imageBytes) + " of " +
                         std::to_string(kImageSize) + " bytes";
    if (s.wrongReplyBlock) {
      reason += ", after the wrong reply to " + block(*s.wrongReplyBlock) + " (fault)";
    } else if (s.silentFromBlock) {
      reason += ", the device silent from " + block(*s.silentFromBlock) + " on (fault silence)";
    }
    return fail(withCause(reason, cause));
  }
  if (s.wrongReplyBlock) {
    return fail("the reply to " + block(*s.wrongReplyBlock) +
                " was wrong (fault), yet the program sent the whole image");
  }
  if (s.silentFromBlock) {
    return fail("no reply from " + block(*s.silentFromBlock) +
                " on (fault silence), yet the program sent the whole image");
  }
  if (!s.pusk) {
    std::string reason = "no PUSK after the image";
    if (s.bytesAfterImage > 0) {
      reason += " (" + std::to_string(s.bytesAfterImage) +
                " other bytes: " + hexBytes(s.afterImageHead) +
                (s.bytesAfterImage > s.afterImageHead.size() ? " ..." : "") + ")";
    }
    return fail(withCause(reason, cause));
  }
  if (s.bytesAfterImage > 4) {
    return fail(std::to_string(s.bytesAfterImage - 4) + " unexpected bytes before PUSK");
  }
  if (s.bytesAfterPusk > 0) {
    return fail(std::to_string(s.bytesAfterPusk) + " unexpected bytes after PUSK");
  }
  return {true, "upload complete"};
}

std::string summaryLine(const std::string& comName, const Verdict& verdict, const DeviceState& s) {
  char crc[8];
  std::snprintf(crc, sizeof crc, "%04X", static_cast<unsigned>(s.crc));
  return "devsim " + comName + ": " + (verdict.ok ? "OK: " : "FAIL: ") + verdict.reason +
         "; VERS " + std::to_string(s.versQueries) + ", image " + std::to_string(s.imageBytes) +
         "/" + std::to_string(kImageSize) + " bytes, " + std::to_string(s.replies) +
         " replies, CRC " + crc + ", PUSK " + (s.pusk ? "yes" : "no");
}

}  // namespace hi::devsim
