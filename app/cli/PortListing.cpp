#include "app/cli/PortListing.h"

#include <cstdio>

#include "app/cli/Outcome.h"
#include "app/cli/Report.h"
#include "elements/PortErrorText.h"
#include "runtime/Cp1251.h"

namespace hi::cli {

using json = nlohmann::ordered_json;

namespace {

std::string hex4(std::uint16_t n) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", n);
  return text;
}

std::string_view accessName(PortAccess access) {
  switch (access) {
    case PortAccess::Usable: return "usable";
    case PortAccess::Busy: return "busy";
    case PortAccess::Forbidden: return "forbidden";
    case PortAccess::Absent: return "absent";
    case PortAccess::NotSerial: return "not_serial";
    case PortAccess::Console: return "console";
    case PortAccess::Unknown: break;
  }
  return "unknown";
}

// The failure text of the port, without the port's name, which the line begins with.
std::string failureText(const PortEntry& e, const OpenFailure& failure) {
  const std::string text = cp1251ToUtf8(openFailureText(e.name, failure));
  const std::string prefix = e.name + ": ";
  return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
}

// What stands after the details, in the window's words where it has them.
std::string accessText(const PortEntry& e) {
  switch (e.access) {
    case PortAccess::Busy: {
      OpenFailure busy = openFailure(OpenFailureKind::Busy, 0);
      busy.holder = e.holder;
      return failureText(e, busy);
    }
    case PortAccess::Forbidden: return "нет прав на порт.";
    case PortAccess::Absent: return failureText(e, openFailure(OpenFailureKind::Gone, 0));
    case PortAccess::NotSerial: return failureText(e, openFailure(OpenFailureKind::NotSerial, 0));
    case PortAccess::Console: return failureText(e, openFailure(OpenFailureKind::Console, 0));
    case PortAccess::Usable: return "свободен";
    case PortAccess::Unknown: break;
  }
  return "";
}

json textOrNull(const std::string& s) { return s.empty() ? json(nullptr) : json(s); }

}  // namespace

std::string portLine(const PortEntry& e) {
  std::string line = e.name + "  " + e.path;
  if (!e.device.empty() && e.path.find(e.device) == std::string::npos) line += " (" + e.device + ")";
  if (!e.driver.empty()) line += "  " + e.driver;
  if (e.usbVendor != 0 || e.usbProduct != 0) {
    line += "  USB " + hex4(e.usbVendor) + ":" + hex4(e.usbProduct);
  }
  for (const std::string* s : {&e.manufacturer, &e.product}) {
    if (!s->empty()) line += "  " + *s;
  }
  if (!e.serialNumber.empty()) line += "  S/N " + e.serialNumber;
  const std::string access = accessText(e);
  if (!access.empty()) line += "  — " + access;
  return line;
}

json portJson(const PortEntry& e) {
  json j;
  j["type"] = "port";
  j["port"] = e.name;
  j["path"] = e.path;
  j["device"] = textOrNull(e.device);
  j["driver"] = textOrNull(e.driver);
  const bool usb = e.usbVendor != 0 || e.usbProduct != 0;
  j["usb_vendor"] = usb ? json(hex4(e.usbVendor)) : json(nullptr);
  j["usb_product"] = usb ? json(hex4(e.usbProduct)) : json(nullptr);
  j["serial_number"] = textOrNull(e.serialNumber);
  j["manufacturer"] = textOrNull(e.manufacturer);
  j["product"] = textOrNull(e.product);
  j["access"] = accessName(e.access);
  if (e.access == PortAccess::Busy && (e.holder.pid > 0 || !e.holder.program.empty())) {
    j["holder"] = {{"program", textOrNull(e.holder.program)}, {"pid", e.holder.pid}};
  } else {
    j["holder"] = nullptr;
  }
  return j;
}

int listPorts(bool asJson) {
  PortList list = serialPortList();
  if (list.error) {
    std::fprintf(stderr, "tormisaplex-upload: %s\n", cp1251ToUtf8(portListErrorText(*list.error)).c_str());
    return exitCode(Outcome::Failed);
  }
  assessPortAccess(list.ports);
  std::string out;
  for (const PortEntry& e : list.ports) out += asJson ? jsonLine(portJson(e)) : portLine(e) + "\n";
  emit(out);
  return exitCode(Outcome::Ok);
}

}  // namespace hi::cli
