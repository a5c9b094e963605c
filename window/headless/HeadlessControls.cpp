#include <algorithm>
#include <cctype>

#include "window/KeyCodes.h"
#include "window/headless/Headless.h"

namespace hi::headless {

Control::Control(WindowDriver* parentWindow, ControlSink& s)
    : parent(dynamic_cast<Window*>(parentWindow)), sink(s) {
  if (parent != nullptr) parent->controls.push_back(this);
}

Control::~Control() {
  if (parent != nullptr) {
    auto& list = parent->controls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (parent->focused == this) parent->focused = nullptr;
  }
}

bool Control::reachable() const {
  return visible && enabled && (parent == nullptr || (parent->visible && parent->enabled));
}

bool Control::mouseDown(std::int32_t button, std::uint32_t keyState, int x, int y) {
  if (!reachable()) return false;
  sink.mouseDown(MouseInput{button, keyState, x, y});
  return true;
}

bool Control::mouseUp(std::int32_t button, std::uint32_t keyState, int x, int y) {
  if (!reachable()) return false;
  sink.mouseUp(MouseInput{button, keyState, x, y});
  return true;
}

bool Control::mouseMove(std::uint32_t keyState, int x, int y) {
  if (!reachable()) return false;
  sink.mouseMove(MouseInput{-1, keyState, x, y});
  return true;
}

bool Control::click() {
  // Nothing of a control without a size is there to click.
  if (bounds.empty()) return false;
  const int x = bounds.width / 2;
  const int y = bounds.height / 2;
  if (!mouseDown(0, MkLButton, x, y)) return false;
  ownClick();
  mouseUp(0, 0, x, y);
  return true;
}

bool Control::wheel(int delta) {
  if (!reachable()) return false;
  sink.mouseWheel(MouseInput{-1, 0, bounds.width / 2, bounds.height / 2}, delta);
  ownWheel(delta);
  return true;
}

void Control::hover(bool enter) {
  if (enter) {
    sink.mouseEnter();
  } else {
    sink.mouseLeave();
  }
}

bool Control::key(std::int32_t vk, const std::string& ch) {
  if (!reachable() || focus == FocusMode::None) return false;
  if (keyOnTop(vk)) return true;
  if (!sink.keyDown(vk)) {
    ownKey(vk);
    if (!ch.empty() && sink.character(ch)) ownCharacter(ch);
  }
  sink.keyUp(vk);
  return true;
}

bool Control::type(const std::string& text) {
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    // Letters and digits have key codes of their own (upper case); the rest none here.
    std::int32_t vk = 0;
    if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z')) vk = u;
    if (u >= 'a' && u <= 'z') vk = u - 'a' + 'A';
    if (u == ' ') vk = VkSpace;
    if (!key(vk, std::string(1, c))) return false;
  }
  return true;
}

void Button::ownKey(std::int32_t vk) {
  if (vk == VkSpace) sink.clicked();
}

void Edit::setText(const std::string& t) {
  if (t == value) return;  // no change, no notification
  value = t;
  caretAt = static_cast<int>(value.size());
  sink.textChanged();
}

void Edit::setCaret(int position) {
  caretAt = std::clamp(position, 0, static_cast<int>(value.size()));
}

void Edit::edited(std::string next, int caret) {
  caretAt = caret;
  if (next == value) return;
  value = std::move(next);
  sink.textChanged();
}

void Edit::ownKey(std::int32_t vk) {
  const int size = static_cast<int>(value.size());
  switch (vk) {
    case VkLeft:
      caretAt = std::max(caretAt - 1, 0);
      break;
    case VkRight:
      caretAt = std::min(caretAt + 1, size);
      break;
    case VkHome:
      caretAt = 0;
      break;
    case VkEnd:
      caretAt = size;
      break;
    case VkBack:
      if (!style.readOnly && caretAt > 0) {
        std::string next = value;
        next.erase(static_cast<std::size_t>(caretAt - 1), 1);
        edited(std::move(next), caretAt - 1);
      }
      break;
    default:
      break;
  }
}

void Edit::ownCharacter(const std::string& ch) {
  if (style.readOnly || static_cast<unsigned char>(ch[0]) < 0x20) return;
  std::string next = value;
  next.insert(static_cast<std::size_t>(caretAt), ch);
  edited(std::move(next), caretAt + static_cast<int>(ch.size()));
}

int Combo::insertItem(int index, const std::string& text) {
  if (index < 0 || index > count()) return -1;
  items.insert(items.begin() + index, Item{text, 0});
  if (currentIndex >= index) ++currentIndex;
  return index;
}

void Combo::removeItem(int index) {
  if (index < 0 || index >= count()) return;
  items.erase(items.begin() + index);
  if (currentIndex == index) {
    currentIndex = -1;
  } else if (currentIndex > index) {
    --currentIndex;
  }
  if (highlighted >= count()) highlighted = count() - 1;
}

void Combo::clearItems() {
  items.clear();
  currentIndex = -1;
  field.clear();
}

std::string Combo::itemText(int index) const {
  return index >= 0 && index < count() ? items[static_cast<std::size_t>(index)].text
                                       : std::string();
}

void Combo::setCurrent(int index) {
  currentIndex = index >= 0 && index < count() ? index : -1;
  field = itemText(currentIndex);
}

std::int32_t Combo::itemData(int index) const {
  return index >= 0 && index < count() ? items[static_cast<std::size_t>(index)].data : -1;
}

void Combo::setItemData(int index, std::int32_t data) {
  if (index >= 0 && index < count()) items[static_cast<std::size_t>(index)].data = data;
}

std::string Combo::fieldText() const {
  return editable ? field : itemText(currentIndex);
}

bool Combo::pick(int index) {
  if (!dropped && !open()) return false;
  if (!reachable() || index < 0 || index >= count()) return false;
  setCurrent(index);
  dropped = false;
  sink.picked();
  return true;
}

bool Combo::open() {
  if (!reachable()) return false;
  sink.listOpening();
  if (!reachable()) return false;  // the graph disabled the box meanwhile
  dropped = true;
  highlighted = currentIndex;
  return true;
}

bool Combo::keyOnTop(std::int32_t vk) {
  if (!dropped) return false;
  if (vk == VkUp) highlighted = std::max(highlighted - 1, 0);
  if (vk == VkDown) highlighted = std::min(highlighted + 1, count() - 1);
  if (vk == VkEscape) dropped = false;
  if (vk == VkReturn) {
    dropped = false;
    if (highlighted >= 0) {
      setCurrent(highlighted);
      sink.picked();
    }
  }
  return true;
}

void Combo::browse(int index) {
  if (count() == 0) return;
  setCurrent(std::clamp(index, 0, count() - 1));
}

void Combo::ownKey(std::int32_t vk) {
  switch (vk) {
    case VkUp:
    case VkLeft:
      if (!editable || vk == VkUp) browse(currentIndex - 1);
      break;
    case VkDown:
    case VkRight:
      if (!editable || vk == VkDown) browse(currentIndex + 1);
      break;
    case VkPrior:
    case VkHome:
      if (!editable || vk == VkPrior) browse(0);
      break;
    case VkNext:
    case VkEnd:
      if (!editable || vk == VkNext) browse(count() - 1);
      break;
    default:
      break;
  }
}

void Combo::ownCharacter(const std::string& ch) {
  if (static_cast<unsigned char>(ch[0]) < 0x20) return;
  if (editable) {
    field += ch;
    return;
  }
  // A letter on a closed list moves to the next item that begins with it.
  for (int step = 1; step <= count(); ++step) {
    const int i = (currentIndex + step) % count();
    if (!items[static_cast<std::size_t>(i)].text.empty() &&
        std::tolower(static_cast<unsigned char>(items[static_cast<std::size_t>(i)].text[0])) ==
            std::tolower(static_cast<unsigned char>(ch[0]))) {
      browse(i);
      return;
    }
  }
}

void Combo::ownWheel(int delta) {
  if (delta != 0) browse(currentIndex + (delta > 0 ? -1 : 1));
}

}  // namespace hi::headless
