#include "window/WinList.h"

#include <algorithm>

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

void THIWinList::replaceItems(std::vector<std::string> wanted) {
  ListDriver& l = *list();
  if (Sorted) {
    // As insertItem places them: by text, letter case aside, equal ones in arrival order.
    std::stable_sort(wanted.begin(), wanted.end(), [](const std::string& a, const std::string& b) {
      return cp1251ToLower(a) < cp1251ToLower(b);
    });
  }
  const std::string current = l.current() >= 0 ? l.itemText(l.current()) : std::string();
  const bool hadCurrent = l.current() >= 0;
  l.setRedraw(false);
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const int at = static_cast<int>(i);
    // Items that are wanted nowhere from here on have gone.
    while (at < l.count() && l.itemText(at) != wanted[i] &&
           std::find(wanted.begin() + static_cast<std::ptrdiff_t>(i) + 1, wanted.end(),
                     l.itemText(at)) == wanted.end()) {
      l.removeItem(at);
    }
    if (at < l.count() && l.itemText(at) == wanted[i]) continue;
    l.insertItem(at, wanted[i]);
  }
  while (l.count() > static_cast<int>(wanted.size())) l.removeItem(l.count() - 1);
  // An item that moved was added anew; the current one is current again.
  if (hadCurrent && l.current() < 0) {
    const auto it = std::find(wanted.begin(), wanted.end(), current);
    if (it != wanted.end()) l.setCurrent(static_cast<int>(it - wanted.begin()));
  }
  l.setRedraw(true);
  l.repaint();
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
