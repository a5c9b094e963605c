#include "tools/devsim/CommandLine.h"

#include <charconv>
#include <cstdint>
#include <optional>

namespace hi::devsim {

namespace {

bool parseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && value <= max;
}

bool parseSeconds(const std::string& text, std::chrono::milliseconds& value) {
  // Whole and fractional seconds, e.g. "30" or "0.5"; no locale, no exponent.
  const std::size_t dot = text.find('.');
  const std::string whole = text.substr(0, dot);
  std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
  std::uint64_t seconds = 0;
  if (!whole.empty() && !parseUnsigned(whole, 10'000'000, seconds)) return false;
  if (whole.empty() && fraction.empty()) return false;
  fraction = (fraction + "000").substr(0, 3);
  std::uint64_t millis = 0;
  if (!parseUnsigned(fraction, 999, millis)) return false;
  value = std::chrono::milliseconds(seconds * 1000 + millis);
  return true;
}

// Milliseconds with up to three decimals, e.g. "16" or "0.3"; kept in microseconds.
bool parseMillis(const std::string& text, std::chrono::microseconds& value) {
  std::chrono::milliseconds scaled{};
  // The same digits read as seconds give thousandths of the value.
  if (!parseSeconds(text, scaled)) return false;
  value = std::chrono::microseconds(scaled.count());
  return true;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool unescape(const std::string& text, std::string& bytes, std::string& error) {
  bytes.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (++i == text.size()) {
      error = "a lone backslash at the end of \"" + text + "\"";
      return false;
    }
    switch (text[i]) {
      case 'r':
        bytes += '\r';
        break;
      case 'n':
        bytes += '\n';
        break;
      case 't':
        bytes += '\t';
        break;
      case '\\':
        bytes += '\\';
        break;
      case 'x': {
        const int high = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexDigit(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
          error = "\\x needs two hexadecimal digits in \"" + text + "\"";
          return false;
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        error = std::string("unknown escape \\") + text[i] + " in \"" + text + "\"";
        return false;
    }
  }
  return true;
}

bool parseFault(const std::string& text, Faults& faults, std::string& error) {
  const std::size_t eq = text.find('=');
  const std::string name = text.substr(0, eq);
  const bool hasBlock = eq != std::string::npos;
  struct Flag {
    const char* name;
    bool Faults::*field;
  };
  static const Flag kFlags[] = {{"no-answer", &Faults::noAnswer},
                                {"wrong-identity", &Faults::wrongIdentity},
                                {"split-answer", &Faults::splitAnswer},
                                {"stray-bytes", &Faults::strayBytes},
                                {"repeat-end", &Faults::repeatEnd}};
  struct AtBlock {
    const char* name;
    std::optional<std::uint32_t> Faults::*field;
  };
  static const AtBlock kAtBlock[] = {
      {"wrong-crc", &Faults::wrongCrcAt},     {"low-byte-first", &Faults::lowByteFirstAt},
      {"split-reply", &Faults::splitReplyAt}, {"silence", &Faults::silenceFrom},
      {"early-fz", &Faults::earlyFzAt},       {"hang-up", &Faults::hangUpAt},
      {"pause", &Faults::pauseAt}};
  for (const Flag& flag : kFlags) {
    if (name != flag.name) continue;
    if (hasBlock) {
      error = "fault " + name + " takes no block";
      return false;
    }
    faults.*flag.field = true;
    return true;
  }
  for (const AtBlock& fault : kAtBlock) {
    if (name != fault.name) continue;
    std::uint64_t block = 0;
    if (!hasBlock || !parseUnsigned(text.substr(eq + 1), kBlockCount - 1, block)) {
      error = "fault " + name + " needs a block, " + name + "=K with K from 0 to " +
              std::to_string(kBlockCount - 1);
      return false;
    }
    faults.*fault.field = static_cast<std::uint32_t>(block);
    return true;
  }
  error = "unknown fault \"" + text + "\"";
  return false;
}

CommandLineResult parseCommandLine(const std::vector<std::string>& args, Options& options,
                                   std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") return CommandLineResult::Help;
    if (arg == "--version") return CommandLineResult::Version;
    // Every other option takes a value, as "--name value" or "--name=value".
    std::string name = arg;
    std::string value;
    const std::size_t eq = arg.find('=');
    if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    } else if (arg.rfind("--", 0) == 0) {
      if (i + 1 == args.size()) {
        error = arg + " needs a value";
        return CommandLineResult::Error;
      }
      value = args[++i];
    } else {
      error = "unexpected argument \"" + arg + "\"";
      return CommandLineResult::Error;
    }
    std::uint64_t number = 0;
    if (name == "--ports") {
      options.portsDir = value;
    } else if (name == "--com") {
      if (!parseUnsigned(value, 255, number) || number == 0) {
        error = "--com needs a number from 1 to 255";
        return CommandLineResult::Error;
      }
      options.com = static_cast<unsigned>(number);
    } else if (name == "--baud") {
      if (!parseUnsigned(value, 100'000'000, number) || number == 0) {
        error = "--baud needs a positive number of bits per second";
        return CommandLineResult::Error;
      }
      options.baud = static_cast<std::uint32_t>(number);
    } else if (name == "--identity") {
      options.device.identity = value;
    } else if (name == "--device") {
      options.device.device = value;
    } else if (name == "--fw-version") {
      options.device.version = value;
    } else if (name == "--answer") {
      std::string bytes;
      if (!unescape(value, bytes, error)) return CommandLineResult::Error;
      options.device.answer = bytes;
    } else if (name == "--stray") {
      if (!unescape(value, options.device.strayText, error)) return CommandLineResult::Error;
    } else if (name == "--pieces") {
      if (!parseUnsigned(value, 1'000'000, number) || number == 0) {
        error = "--pieces needs a positive number of bytes";
        return CommandLineResult::Error;
      }
      options.device.pieceSize = static_cast<std::size_t>(number);
    } else if (name == "--piece-gap" || name == "--stray-delay" || name == "--pause" ||
               name == "--answer-delay") {
      std::chrono::microseconds span{};
      if (!parseMillis(value, span)) {
        error = name + " needs a number of milliseconds, e.g. 16 or 0.3";
        return CommandLineResult::Error;
      }
      if (name == "--piece-gap") {
        options.device.pieceGap = span;
      } else {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(span);
        if (name == "--pause") options.device.pauseBefore = ms;
        if (name == "--stray-delay") options.device.strayDelay = ms;
        if (name == "--answer-delay") options.device.answerDelay = ms;
      }
    } else if (name == "--fault") {
      if (!parseFault(value, options.device.faults, error)) return CommandLineResult::Error;
    } else if (name == "--save") {
      options.saveFile = value;
    } else if (name == "--timeout") {
      if (!parseSeconds(value, options.timeout) || options.timeout.count() == 0) {
        error = "--timeout needs a positive number of seconds";
        return CommandLineResult::Error;
      }
    } else {
      error = "unknown option " + name;
      return CommandLineResult::Error;
    }
  }
  return CommandLineResult::Run;
}

std::string usageText() {
  return R"(Usage: tormisaplex-devsim [options]
A virtual Tormisaplex device on a pseudo-terminal, published as COM<n> in a port map.

  --ports DIR         port-map directory (default: a fresh temporary directory)
  --com N             publish as COM<N>, 1..255 (default 1)
  --baud B            every byte in either direction takes 10/B s (default: full speed)
  --identity WORD     first word of the answer to VERS (default TORMISAPLEX)
  --device WORD       second word (default 10)
  --fw-version WORD   third word (default 4.2)
  --answer TEXT       the whole answer verbatim; \r \n \t \\ \xHH allowed
  --answer-delay MS   from VERS to the answer (default 0)
  --stray TEXT        bytes sent by the stray-bytes fault (default \r\n)
  --stray-delay MS    from the answer to the stray bytes (default 300)
  --pieces N          every write in pieces of N bytes, as a USB adapter hands them over
  --piece-gap MS      between those pieces, fractions allowed (default 0)
  --pause MS          the pause fault's delay (default 4500)
  --fault F           a fault; repeat for more (blocks K count from 0 to 1015):
                        no-answer, wrong-identity, split-answer, stray-bytes,
                        wrong-crc=K, low-byte-first=K, split-reply=K,
                        silence=K, early-fz=K, hang-up=K, pause=K, repeat-end
  --save FILE         write the image bytes received to FILE at the end
  --timeout S         end the session after S seconds
  -h, --help          this text
  --version           print the version and exit

Prints "COM<n> <device path> <ports dir>" when ready and a summary line at the end.
Exit status: 0 upload complete and right, 1 anything else (the summary says why),
2 bad command line, 3 the port could not be set up.
)";
}

}  // namespace hi::devsim
