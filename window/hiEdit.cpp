#include "window/hiEdit.h"

#include <QKeyEvent>

#include "runtime/EventGate.h"
#include "window/SimpleWin.h"
#include "window/Toolkit.h"

namespace hi {

void THIEdit::init() {
  edit_ = new QLineEdit(parentWindow() != nullptr ? parentWindow()->clientArea() : nullptr);
  setControl(edit_);
  // The window layer draws the edge itself (sunken or flat, as Frame3D and EdgeStyle say).
  edit_->setFrame(false);
  edit_->setEchoMode(Password ? QLineEdit::Password : QLineEdit::Normal);
  edit_->setReadOnly(ReadOnly != 0);
  Qt::Alignment h = Qt::AlignLeft;
  if (TextAlign == 1) h = Qt::AlignRight;
  if (TextAlign == 2) h = Qt::AlignHCenter;
  edit_->setAlignment(h | Qt::AlignVCenter);
  setupControl();
  setupTextMargins();
  {
    std::lock_guard lock(textMutex_);
    text_ = std::string();
  }
  controlGone_ = QObject::connect(edit_, &QObject::destroyed, [this] {
    std::lock_guard lock(textMutex_);
    text_.reset();
  });
  QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this] { textChanged(); });
  // Setting the initial text is not a change to report; the first keystroke is.
  setTextUnreported(toQt(Text));
}

void THIEdit::setupTextMargins() {
  const int w = edgeWidth(edge());
  edit_->setTextMargins(w, 0, w, 0);
}

THIEdit::~THIEdit() {
  QObject::disconnect(controlGone_);
}

void THIEdit::textChanged() {
  {
    // Before onChange fires, so that its handlers read the new text.
    std::lock_guard lock(textMutex_);
    text_ = fromQt(edit_->text());
  }
  if (armed_) {
    TData d = makeString(fromQt(edit_->text()));
    fireFromGui(onChange, d);
  }
  armed_ = true;
}

void THIEdit::setTextUnreported(const QString& text) {
  armed_ = false;
  edit_->setText(text);
  // Qt is silent when the text does not change; the flag must be armed all the same.
  armed_ = true;
}

void THIEdit::doText(TData& d) {
  EventGate::instance().callOnHome([&] {
    if (control() == nullptr) return;
    doTextRan_ = true;
    const int caret = edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
    const QString text = toQt(readString(d, inTextIn, ""));
    if (text == edit_->text()) {
      // Every replacement is a change to the graph, even with the same text.
      textChanged();
    } else {
      edit_->setText(text);
    }
    edit_->setCursorPosition(caret);
  });
}

void THIEdit::TextOut(TData& d, std::uint16_t) {
  std::lock_guard lock(textMutex_);
  if (text_) makeString(d, *text_);
}

bool THIEdit::keyDown(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || !onEnter.connected()) return THIWin::keyDown(event);
  const QString text = edit_->text();
  doTextRan_ = false;
  TData d = makeString(fromQt(text));
  fireFromGui(onEnter, d);
  if (!doTextRan_) setTextUnreported(QString());
  return true;  // consumed: no onKeyDown, and the character is swallowed
}

}  // namespace hi
