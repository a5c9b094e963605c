#include "window/WinList.h"

#include "runtime/EventGate.h"
#include "window/Toolkit.h"

namespace hi {

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

void THIWinList::doClear(TData& d) {
  EventGate::instance().callOnHome([&] {
    if (control() != nullptr) clearItems();
  });
  forwardNull(d, onListChanged);
}

int THIWinList::insertItem(const QString& text) {
  if (!Sorted) return addItem(text);
  int at = 0;
  const int n = itemCount();
  while (at < n && QString::compare(itemString(at), text, Qt::CaseInsensitive) <= 0) ++at;
  return insertItemAt(at, text);
}

void THIWinList::loadStrings() {
  QWidget* w = control();
  w->setUpdatesEnabled(false);
  clearItems();
  for (const std::string& line : splitLines(Strings)) insertItem(toQt(line));
  w->setUpdatesEnabled(true);
  w->update();
}

}  // namespace hi
