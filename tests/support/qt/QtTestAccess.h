// The Qt widgets behind the window elements, for tests of the Qt realisation.
#pragma once

#include <QWidget>

#include "window/Win.h"
#include "window/hiSimpleForm.h"
#include "window/qt/QtControl.h"

namespace hi::test {

inline QWidget* widget(const THIWin& c) {
  return qtWidget(c.driver());
}
// The widget that takes the keyboard and the mouse: an editable combo box's field.
QWidget* inputWidget(const THIWin& c);
template <class W>
W* widgetAs(const THIWin& c) {
  return qobject_cast<W*>(widget(c));
}
inline QWidget* windowWidget(const THISimpleForm& f) {
  return qtWidget(f.driver());
}
inline QWidget* clientArea(const THISimpleForm& f) {
  return qtClientArea(f.driver());
}

}  // namespace hi::test
