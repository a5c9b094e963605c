#include "app/cli/Outcome.h"

#include <array>
#include <utility>

namespace hi::cli {

namespace {

using Row = OutcomeRow;

constexpr std::array<Row, 9> kRows{{
    {Outcome::Ok, 0, "ok", "успех"},
    {Outcome::Failed, 1, "failed", "сбой программы или убитый процесс порта"},
    {Outcome::Usage, 2, "usage", "ошибка в командной строке или журнал не записывается"},
    {Outcome::OpenFailed, 3, "open_failed", "порт не открывается"},
    {Outcome::NoDevice, 4, "no_device", "нет устройства"},
    {Outcome::WrongReply, 5, "wrong_reply", "неверный ответ"},
    {Outcome::Silence, 6, "silence", "устройство молчит"},
    {Outcome::LineGone, 7, "line_gone", "порт пропал"},
    {Outcome::Interrupted, 130, "interrupted", "прервано"},
}};

const Row& rowOf(Outcome outcome) {
  for (const Row& row : kRows) {
    if (row.outcome == outcome) return row;
  }
  return kRows[1];
}

}  // namespace

std::span<const OutcomeRow> outcomeTable() { return kRows; }

int exitCode(Outcome outcome) {
  return rowOf(outcome).code;
}

std::string_view outcomeName(Outcome outcome) {
  return rowOf(outcome).name;
}

}  // namespace hi::cli
