// How a unit's session ended, and the exit code each way out has. Scripts rely on these
// numbers: they are documented in the README and the man page and never change meaning.
#pragma once

#include <span>
#include <string_view>

namespace hi::cli {

enum class Outcome {
  Ok,           // identified (and, with --write, written, started and settled)
  Usage,        // the command line is wrong
  OpenFailed,   // the port could not be opened; the reason is printed
  NoDevice,     // no answer to "VERS", or an answer that is no Tormisaplex device
  WrongReply,   // the device answered a block with a wrong checksum or anything else
  Silence,      // the device stopped answering during the upload
  LineGone,     // the port went away during the session (unplugged, hung up)
  Interrupted,  // the user interrupted; nothing is sent after that
  Failed,       // anything else: the program itself could not go on (a unit that crashed)
};

// Every outcome, in the order of its exit code: --help, the README and the man pages are
// written from or checked against this one table.
struct OutcomeRow {
  Outcome outcome;
  int code;
  std::string_view name;     // as scripts read it in the JSON lines
  std::string_view summary;  // --help's words, Russian, UTF-8
};
std::span<const OutcomeRow> outcomeTable();

int exitCode(Outcome outcome);
// The name scripts read in the JSON lines: "ok", "open_failed", ...
std::string_view outcomeName(Outcome outcome);

}  // namespace hi::cli
