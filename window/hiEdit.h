// A single-line edit field.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "window/Win.h"

namespace hi {

class THIEdit : public THIWin {
 public:
  using THIWin::THIWin;

  std::string Text;  // the initial text
  std::uint8_t ReadOnly = 0;
  std::uint8_t Password = 0;
  std::uint8_t TextAlign = 0;  // 0 left, 1 right, 2 centre

  EventPoint inTextIn;
  EventPoint onChange;
  EventPoint onEnter;

  // The create step: makes the control from the properties (see THIWin).
  void init();

  // Replaces the text with TextIn (unconnected: the event's value) and keeps the caret.
  // Callable from any thread. From another thread the caller waits for the home thread only
  // when onChange is connected; otherwise the new text is read back at once and reaches the
  // screen later, in order, a newer text replacing one still on its way.
  void doText(TData& d);
  // The text in the field. Callable from any thread.
  void TextOut(TData& d, std::uint16_t index);

  EditDriver* edit() const { return static_cast<EditDriver*>(driver()); }

  void textChanged() override;

 protected:
  bool defaultSunken() const override { return true; }
  FocusMode defaultFocus() const override { return FocusMode::Tab; }
  bool keyStep(std::int32_t vk) override;
  void controlGone() override;

 private:
  void setTextUnreported(const std::string& text);
  void replaceText(const std::string& text);
  void postText(const std::string& text);

  bool armed_ = false;      // a change is reported only once armed
  bool doTextRan_ = false;  // doText ran during the current onEnter

  // The field's text as the graph knows it, for readers on any thread: as of its last
  // change, or the newest text posted to it; none once the control is gone.
  mutable std::mutex textMutex_;
  std::optional<std::string> text_;
  // Texts posted and put on the screen, counted: while one is on its way, the field shows
  // an older text than the graph's copy, and the copy stays.
  std::uint64_t textsPosted_ = 0;
  std::uint64_t textsShown_ = 0;
};

}  // namespace hi
