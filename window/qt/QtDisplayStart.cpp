#include "window/qt/QtDisplayStart.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace hi {

namespace {

struct HeldMessage {
  QtMsgType type;
  std::string category;
  QString text;
};

std::mutex g_mutex;
std::string g_program = "tormisaplex-uploader";
QtMessageHandler g_previous = nullptr;
std::vector<HeldMessage> g_held;

std::string displayName() {
  if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    return "QT_QPA_PLATFORM=" + qEnvironmentVariable("QT_QPA_PLATFORM").toStdString();
  if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    return "WAYLAND_DISPLAY=" + qEnvironmentVariable("WAYLAND_DISPLAY").toStdString();
  return "DISPLAY=" + qEnvironmentVariable("DISPLAY").toStdString();
}

void holdBack(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    const std::string line = g_program + ": " + noDisplayText("cannot reach " + displayName()) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    // Nothing of the toolkit is running yet; the abort that would follow says nothing more.
    std::_Exit(2);
  }
  std::lock_guard lock(g_mutex);
  g_held.push_back({type, context.category != nullptr ? context.category : "", text});
}

}  // namespace

std::string noDisplayText(const std::string& why) {
  return "no display to show the window on (" + why + ")";
}

DisplayStart::DisplayStart(const char* programPath) {
  if (programPath != nullptr && *programPath != 0) {
    const std::string path(programPath);
    g_program = path.substr(path.rfind('/') + 1);
  }
  g_previous = qInstallMessageHandler(&holdBack);
}

DisplayStart::~DisplayStart() {
  qInstallMessageHandler(g_previous);
  std::vector<HeldMessage> held;
  {
    std::lock_guard lock(g_mutex);
    held.swap(g_held);
  }
  for (const HeldMessage& m : held) {
    const QMessageLogContext context(nullptr, 0, nullptr, m.category.c_str());
    if (g_previous != nullptr) {
      g_previous(m.type, context, m.text);
    } else {
      qt_message_output(m.type, context, m.text);
    }
  }
}

}  // namespace hi
