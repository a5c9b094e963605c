#include "app/cli/Outcome.h"

#include <array>
#include <utility>

namespace hi::cli {

namespace {

struct Row {
  Outcome outcome;
  int code;
  std::string_view name;
};

constexpr std::array<Row, 9> kRows{{
    {Outcome::Ok, 0, "ok"},
    {Outcome::Failed, 1, "failed"},
    {Outcome::Usage, 2, "usage"},
    {Outcome::OpenFailed, 3, "open_failed"},
    {Outcome::NoDevice, 4, "no_device"},
    {Outcome::WrongReply, 5, "wrong_reply"},
    {Outcome::Silence, 6, "silence"},
    {Outcome::LineGone, 7, "line_gone"},
    {Outcome::Interrupted, 130, "interrupted"},
}};

const Row& rowOf(Outcome outcome) {
  for (const Row& row : kRows) {
    if (row.outcome == outcome) return row;
  }
  return kRows[1];
}

}  // namespace

int exitCode(Outcome outcome) {
  return rowOf(outcome).code;
}

std::string_view outcomeName(Outcome outcome) {
  return rowOf(outcome).name;
}

std::optional<Outcome> outcomeNamed(std::string_view name) {
  for (const Row& row : kRows) {
    if (row.name == name) return row.outcome;
  }
  return std::nullopt;
}

}  // namespace hi::cli
