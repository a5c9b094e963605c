#include "tests/app/qt/LabWindow.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "runtime/Cp1251.h"
#include "tests/support/Hands.h"
#include "window/SystemDriver.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiLabel.h"
#include "window/hiSimpleForm.h"

namespace hi::test {

namespace {

using namespace std::chrono_literals;

void say(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

std::string listed(const ComboDriver& list) {
  std::string names;
  for (int i = 0; i < list.count(); ++i) names += (names.empty() ? "" : " ") + list.itemText(i);
  return names;
}

int indexOf(const ComboDriver& list, const std::string& port) {
  for (int i = 0; i < list.count(); ++i) {
    if (list.itemText(i) == port) return i;
  }
  return -1;
}

// Picks the port from the open list, presses «Записать» and waits for the display.
int upload(TClassSimpleForm_221F170& scheme, const std::string& port) {
  hands().openList(*scheme.PortBox);
  const int index = indexOf(*scheme.PortBox->combo(), port);
  say("list: " + listed(*scheme.PortBox->combo()));
  if (index < 0) return 3;
  hands().pick(*scheme.PortBox, index);
  if (!waitFor([&] { return hands().enabled(*scheme.WriteButton); }, 120s)) {
    say("status: " + cp1251ToUtf8(hands().text(*scheme.StatusEdit)));
    return 4;
  }
  hands().click(*scheme.WriteButton);
  say("uploading");
  const bool shown = waitFor([&] {
    return hands().visible(*scheme.DoneLabel) || hands().visible(*scheme.ErrorLabel);
  }, 600s);
  say("status: " + cp1251ToUtf8(hands().text(*scheme.StatusEdit)));
  if (!shown) return 5;
  const bool done = hands().visible(*scheme.DoneLabel);
  say(done ? "display: done" : "display: failure");
  return done ? 0 : 1;
}

// Picks the port from the open list and says what the status line says of it.
int choose(TClassSimpleForm_221F170& scheme, const std::string& port) {
  hands().openList(*scheme.PortBox);
  const int index = indexOf(*scheme.PortBox->combo(), port);
  if (index < 0) return 3;
  hands().pick(*scheme.PortBox, index);
  if (!waitFor([&] { return !hands().text(*scheme.StatusEdit).empty(); }, 60s)) return 4;
  say("status: " + cp1251ToUtf8(hands().text(*scheme.StatusEdit)));
  return 0;
}

// Waits, without a restart, until the port joins the list and then until it leaves it.
int watch(TClassSimpleForm_221F170& scheme, const std::string& port) {
  const ComboDriver& list = *scheme.PortBox->combo();
  say("list: " + listed(list));
  if (indexOf(list, port) >= 0) return 3;
  say("watching");
  if (!waitFor([&] { return indexOf(list, port) >= 0; }, 120s)) return 4;
  say("appeared: " + listed(list));
  if (!waitFor([&] { return indexOf(list, port) < 0; }, 120s)) return 5;
  say("left: " + listed(list));
  return 0;
}

}  // namespace

int runLabWindow(const char* task, int argc, char** argv) {
  std::string error;
  const auto toolkit = openToolkit(argc, argv, error);
  if (!toolkit) {
    say("no toolkit: " + error);
    return 2;
  }
  installProgramSeams();
  HomeThread home;
  std::unique_ptr<TClassSimpleForm_221F170> scheme = startUploader();
  const std::string what(task);
  const std::size_t colon = what.find(':');
  const std::string mode = what.substr(0, colon);
  const std::string port = colon == std::string::npos ? std::string() : what.substr(colon + 1);
  int status = 2;
  if (mode == "upload") status = upload(*scheme, port);
  if (mode == "choose") status = choose(*scheme, port);
  if (mode == "watch") status = watch(*scheme, port);
  hands().closeBox(*scheme->MainForm);
  scheme.reset();
  return status;
}

}  // namespace hi::test
