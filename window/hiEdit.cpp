#include "window/hiEdit.h"

#include <algorithm>

#include "runtime/EventGate.h"
#include "window/KeyCodes.h"

namespace hi {

void THIEdit::init() {
  const EditStyle style{Password != 0, ReadOnly != 0,
                        TextAlign <= 2 ? static_cast<Alignment>(TextAlign) : Alignment::Left};
  adopt(newEditDriver(parentDriver(), *this, style));
  setupControl();
  {
    std::lock_guard lock(textMutex_);
    text_ = std::string();
  }
  // Setting the initial text is not a change to report; the first keystroke is.
  setTextUnreported(Text);
}

void THIEdit::controlGone() {
  std::lock_guard lock(textMutex_);
  text_.reset();
}

void THIEdit::textChanged() {
  const std::string now = edit()->text();
  {
    // Before onChange fires, so that its handlers read the new text.
    std::lock_guard lock(textMutex_);
    if (textsShown_ == textsPosted_) text_ = now;
  }
  if (armed_) {
    TData d = makeString(now);
    fireFromGui(onChange, d);
  }
  armed_ = true;
}

void THIEdit::setTextUnreported(const std::string& text) {
  armed_ = false;
  edit()->setText(text);
  // A toolkit is silent when the text does not change; the flag must be armed all the same.
  armed_ = true;
}

void THIEdit::doText(TData& d) {
  EventGate& gate = EventGate::instance();
  if (onChange.connected() || gate.onHomeThread() || !gate.hasHomeThread()) {
    // A change fires into the graph as part of the caller's event, so the caller waits.
    gate.callOnHome([&] {
      if (edit() == nullptr) return;
      doTextRan_ = true;
      replaceText(readString(d, inTextIn, ""));
    });
    return;
  }
  postText(readString(d, inTextIn, ""));
}

void THIEdit::replaceText(const std::string& text) {
  EditDriver* e = edit();
  const int caret = e->caret();
  if (text == e->text()) {
    // Every replacement is a change to the graph, even with the same text.
    textChanged();
  } else {
    e->setText(text);
  }
  e->setCaret(caret);
}

void THIEdit::postText(const std::string& text) {
  std::uint64_t number = 0;
  {
    std::lock_guard lock(textMutex_);
    if (!text_) return;  // the control is gone
    text_ = text;
    number = ++textsPosted_;
  }
  showLater(0, [this, text, number] {
    if (edit() != nullptr) replaceText(text);
    std::lock_guard lock(textMutex_);
    textsShown_ = std::max(textsShown_, number);
  });
}

void THIEdit::TextOut(TData& d, std::uint16_t) {
  std::lock_guard lock(textMutex_);
  if (text_) makeString(d, *text_);
}

bool THIEdit::keyStep(std::int32_t vk) {
  if (vk != VkReturn || !onEnter.connected()) return THIWin::keyStep(vk);
  TData d = makeString(edit()->text());
  doTextRan_ = false;
  fireFromGui(onEnter, d);
  if (!doTextRan_) setTextUnreported(std::string());
  return true;  // consumed: no onKeyDown, and the character is swallowed
}

}  // namespace hi
