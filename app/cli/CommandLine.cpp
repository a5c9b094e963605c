#include "app/cli/CommandLine.h"

#include <algorithm>

#include "app/cli/Outcome.h"
#include "platform/ComName.h"
#include "platform/PortMap.h"

namespace hi::cli {

namespace {

// The port a name or path stands for, so that "com1" and a link to COM1's device are one.
std::string portKey(const std::string& port) {
  if (const std::optional<ComName> com = ComName::parse(port)) return com->text();
  if (port.find_first_of("/\\") == std::string::npos) return port;
  const PortList list = serialPortList();
  const PortEntry* entry = resolvePort(list, port);
  return entry != nullptr ? entry->name : port;
}

}  // namespace

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& args,
                                            std::string& error) {
  CommandLine line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&](std::string& into) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = "после " + a + " нужно значение.";
        return false;
      }
      into = args[++i];
      return true;
    };
    if (a == "--help" || a == "-h") {
      line.help = true;
    } else if (a == "--version") {
      line.version = true;
    } else if (a == "--list") {
      line.list = true;
    } else if (a == "--write") {
      line.write = true;
    } else if (a == "--json") {
      line.json = true;
    } else if (a == "--port") {
      std::string port;
      if (!value(port)) return std::nullopt;
      line.ports.push_back(port);
    } else if (a == "--log") {
      if (!value(line.log)) return std::nullopt;
    } else {
      error = "неизвестный параметр " + a + ".";
      return std::nullopt;
    }
  }
  if (line.help || line.version) return line;
  if (line.list == !line.ports.empty()) {
    error = line.list ? "--list и --port не сочетаются." : "нужен --list или --port.";
    return std::nullopt;
  }
  if (line.list && (line.write || !line.log.empty())) {
    error = "--write и --log работают только с --port.";
    return std::nullopt;
  }
  for (std::size_t i = 0; i < line.ports.size(); ++i) {
    for (std::size_t k = 0; k < i; ++k) {
      if (portKey(line.ports[i]) == portKey(line.ports[k])) {
        error = "порт " + line.ports[i] + " указан дважды.";
        return std::nullopt;
      }
    }
  }
  return line;
}

std::vector<std::string> unitArguments(const CommandLine& line, const std::string& port) {
  std::vector<std::string> args{"--port", port, "--json"};
  if (line.write) args.push_back("--write");
  if (!line.log.empty()) {
    args.push_back("--log");
    args.push_back(line.log);
  }
  return args;
}

std::string usageText() {
  std::string text =
      "Использование:\n"
      "  tormisaplex-upload --list [--json]\n"
      "  tormisaplex-upload --port ПОРТ [--port ПОРТ ...] [--write] [--json] [--log ФАЙЛ]\n"
      "  tormisaplex-upload --version | --help\n"
      "\n"
      "  --list        все последовательные порты (ни один не открывается)\n"
      "  --port ПОРТ   COMn или путь к устройству порта; спросить устройство (VERS)\n"
      "  --write       записать встроенное ПО\n"
      "  --json        одна строка JSON на шаг и на результат\n"
      "  --log ФАЙЛ    дописать в ФАЙЛ строку JSON на каждое устройство\n"
      "\n"
      "Коды выхода:\n";
  for (const OutcomeRow& row : outcomeTable()) {
    text += "  " + std::to_string(row.code) + std::string(row.code < 10 ? 5 : 3, ' ') +
            std::string(row.summary) + "\n";
  }
  return text + "Подробно: " TORMISAPLEX_MORE_HELP ".\n";
}

}  // namespace hi::cli
