#include <gtest/gtest.h>

#include "tests/support/Hands.h"
#include "window/Colors.h"
#include "window/SystemDriver.h"
#include "window/headless/Headless.h"
#include "window/hiComboBox.h"
#include "window/hiSimpleForm.h"

namespace hi::test {

namespace {

headless::Control& the(const THIWin& c) {
  headless::Control* control = headless::control(c.driver());
  if (control == nullptr) throw std::logic_error("the control has no driver");
  return *control;
}

class HeadlessHands : public Hands {
 public:
  bool visible(const THIWin& c) override { return the(c).visible; }
  bool enabled(const THIWin& c) override { return the(c).enabled; }
  Rect bounds(const THIWin& c) override { return the(c).bounds; }
  std::string text(const THIWin& c) override {
    if (auto* combo = headless::as<headless::Combo>(c.driver())) return combo->fieldText();
    if (auto* t = dynamic_cast<TextDriver*>(c.driver())) return t->text();
    return {};
  }
  std::uint32_t textColour(const THIWin& c) override { return standardRgb(the(c).font.Color); }
  bool underlined(const THIWin& c) override { return (the(c).font.Style & FontUnderline) != 0; }
  bool windowVisible(const THISimpleForm& f) override { return headless::window(f.driver())->visible; }
  bool windowEnabled(const THISimpleForm& f) override { return headless::window(f.driver())->enabled; }
  bool focused(const THIWin& c) override {
    return the(c).parent != nullptr && the(c).parent->focused == &the(c);
  }

  void click(THIWin& c) override { the(c).click(); }
  void press(THIWin& c, std::int32_t button, Point at) override {
    the(c).mouseDown(button, heldFor(button), at.x, at.y);
  }
  void release(THIWin& c, std::int32_t button, Point at) override {
    the(c).mouseUp(button, 0, at.x, at.y);
  }
  void move(THIWin& c, std::uint32_t held, Point at) override { the(c).mouseMove(held, at.x, at.y); }
  void wheel(THIWin& c, int delta) override { the(c).wheel(delta); }
  void hover(THIWin& c, bool enter) override { the(c).hover(enter); }
  void type(THIWin& c, const std::string& text) override { the(c).type(text); }
  void key(THIWin& c, std::int32_t vk) override {
    the(c).key(vk, vk == 0x0D ? std::string("\r") : std::string());
  }
  void openList(THIComboBox& combo) override {
    headless::as<headless::Combo>(combo.driver())->open();
  }
  void pick(THIComboBox& combo, int index) override {
    headless::as<headless::Combo>(combo.driver())->pick(index);
  }
  bool closeBox(THISimpleForm& f) override { return headless::window(f.driver())->requestClose(); }

 private:
  static std::uint32_t heldFor(std::int32_t button) {
    return button == 0 ? MkLButton : button == 1 ? MkRButton : MkMButton;
  }
};

}  // namespace

Hands& hands() {
  static HeadlessHands h;
  return h;
}

}  // namespace hi::test
