#include "elements/PortErrorText.h"

#include <cerrno>

#include "runtime/Cp1251.h"

namespace hi {

namespace {

std::string prefixed(std::string_view port, std::string_view utf8) {
  std::string text = port.empty() ? std::string() : std::string(port) + ": ";
  return text + cp1251(utf8);
}

std::string withError(std::string_view port, std::string_view utf8, int error) {
  return prefixed(port, utf8) + " (" + cp1251("ошибка") + " " + std::to_string(error) + ").";
}

std::string busyText(std::string_view port, const PortHolder& holder) {
  if (holder.thisProgram) return prefixed(port, "уже открыт этой программой.");
  if (holder.pid <= 0) return prefixed(port, "порт занят другой программой.");
  const std::string pid = " (PID " + std::to_string(holder.pid) + ").";
  if (holder.program.empty()) return prefixed(port, "занят другой программой") + pid;
  return prefixed(port, "занят программой ") + utf8ToCp1251(holder.program) + pid;
}

}  // namespace

std::string openFailureText(std::string_view port, const OpenFailure& failure) {
  if (port.empty() && failure.kind != OpenFailureKind::None) return cp1251("Порт не выбран.");
  switch (failure.kind) {
    case OpenFailureKind::None:
      return {};
    case OpenFailureKind::NoSuchPort:
      return prefixed(port, "такого порта нет в системе.");
    case OpenFailureKind::NoPortList:
      return portListErrorText(PortListError{std::string(), failure.error});
    case OpenFailureKind::Gone:
      return prefixed(port, "устройство отключено от компьютера.");
    case OpenFailureKind::Permission:
      if (failure.group.empty()) return prefixed(port, "нет прав на порт, нужен администратор.");
      // A new group membership reaches only the programs of a new login.
      return prefixed(port, "нет прав: нужны группа ") + utf8ToCp1251(failure.group) +
             cp1251(" и новый вход.");
    case OpenFailureKind::Busy:
      return busyText(port, failure.holder);
    case OpenFailureKind::NotSerial:
      return prefixed(port, "это не последовательный порт.");
    case OpenFailureKind::Console:
      return prefixed(port, "это системная консоль, выберите другой порт.");
    case OpenFailureKind::Other:
      break;
  }
  return withError(port, "не открывается", failure.error);
}

std::string configurationFailureText(std::string_view port, int error) {
  return withError(port, "не настраивается", error);
}

std::string portListErrorText(const PortListError& error) {
  return cp1251(error.error == ENOENT ? "TORMISAPLEX_PORTS: нет такой папки."
                                      : "TORMISAPLEX_PORTS: папка не читается.");
}

}  // namespace hi
