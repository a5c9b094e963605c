#include "window/WinList.h"

#include "runtime/Cp1251.h"
#include "runtime/EventGate.h"

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
    if (list() != nullptr) list()->clearItems();
  });
  forwardNull(d, onListChanged);
}

int THIWinList::insertItem(const std::string& text) {
  ListDriver& l = *list();
  const int n = l.count();
  if (!Sorted) return l.insertItem(n, text);
  const std::string key = cp1251ToLower(text);
  int at = 0;
  while (at < n && cp1251ToLower(l.itemText(at)) <= key) ++at;
  return l.insertItem(at, text);
}

void THIWinList::loadStrings() {
  ListDriver& l = *list();
  l.setRedraw(false);
  l.clearItems();
  for (const std::string& line : splitLines(Strings)) insertItem(line);
  l.setRedraw(true);
  l.repaint();
}

}  // namespace hi
