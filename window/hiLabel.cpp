#include "window/hiLabel.h"

#include "window/Docking.h"
#include "window/SystemDriver.h"

namespace hi {

THILabel::THILabel(THISimpleWin* parent) : THIWin(parent) {
  adopt(newLabelDriver(parentDriver(), *this));
}

void THILabel::init() {
  setupControl();
  setText(Caption);
}

void THILabel::setText(const std::string& text) {
  if (label() == nullptr) return;
  label()->setText(text);
  if (AutoSize) fitText();
}

void THILabel::setAutoSize(std::uint8_t on) {
  AutoSize = on;
  if (AutoSize && label() != nullptr) fitText();
}

void THILabel::setTextAlign(std::uint8_t align) {
  TextAlign = align;
  if (label() == nullptr) return;
  // Once aligned (whatever the value), long lines wrap at word boundaries.
  label()->setAlignment(align <= 2 ? static_cast<Alignment>(align) : Alignment::Left, true);
}

void THILabel::fitText() {
  std::string text = label()->text();
  Size size;
  if (!text.empty()) {
    // Italic glyphs lean past their advance; a blank makes room for the last one.
    if (font().Style & FontItalic) text += ' ';
    size = systemDriver().textExtent(text, font());
  }
  Rect r = bounds();
  if (Align == alNone || Align == alLeft || Align == alRight) r.width = size.width + 1;
  if (Align == alNone || Align == alTop || Align == alBottom) r.height = size.height + 1;
  if (r == bounds()) return;
  setBounds(r);
  relayoutParent();
}

void THILabel::clicked() {
  fireNullFromGui(onClick);
}

void THILabel::mouseEntered() {
  if (HoverColor == 0 && !HoverUnderline) return;
  TFontRec hover = font();
  if (HoverColor != 0) hover.Color = HoverColor;
  if (HoverUnderline) hover.Style |= FontUnderline;
  label()->setFont(hover);
}

void THILabel::mouseLeft() {
  if (HoverColor == 0 && !HoverUnderline) return;
  TFontRec plain = font();
  if (HoverColor != 0) plain.Color = Font.Color;
  if (HoverUnderline) plain.Style &= static_cast<std::uint8_t>(~FontUnderline);
  label()->setFont(plain);
}

}  // namespace hi
