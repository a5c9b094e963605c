#include "window/hiComboBox.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "window/SimpleWin.h"
#include "window/Toolkit.h"

namespace hi {

namespace {

constexpr int ItemDataRole = Qt::UserRole;

}  // namespace

void THIComboBox::init() {
  combo_ = new QComboBox(parentWindow() != nullptr ? parentWindow()->clientArea() : nullptr);
  setControl(combo_);
  combo_->setEditable(Editable != 0);
  combo_->setFrame(false);
  if (combo_->lineEdit() != nullptr) {
    // Typed text stays typed text: no completion, and Enter adds and picks nothing.
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->setCompleter(nullptr);
  }
  setupControl();
  loadStrings();
  if (combo_->lineEdit() != nullptr) {
    combo_->lineEdit()->setText(toQt(Text));
  } else if (!Text.empty()) {
    combo_->setCurrentIndex(combo_->findText(toQt(Text)));
  }
  // `activated` is the user's pick (from the list, by keys or by the wheel); programmatic
  // changes and typing do not raise it.
  QObject::connect(combo_, &QComboBox::activated, combo_, [this] { reportPick(); });
}

void THIComboBox::hookControl() {
  QLineEdit* edit = combo_->lineEdit();
  if (edit == nullptr) {
    hook(combo_, hookAll);
    return;
  }
  // The edit field takes the keys and the mouse over it; events it passes on to the combo
  // box must not be reported twice.
  hook(combo_, hookMouse | hookHover | hookFocus | hookGeometry | hookPaint);
  hook(edit, hookMouse | hookWheel | hookKeys);
}

bool THIComboBox::keyPressed(QWidget* watched, QEvent* event) {
  const bool stop = THILWinList::keyPressed(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  // Enter in the edit field would pick the item of the same text; here it picks nothing.
  if (watched == combo_->lineEdit() && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
    return true;
  }
  return stop;
}

int THIComboBox::addItem(const QString& text) {
  return insertItemAt(combo_->count(), text);
}

void THIComboBox::clearItems() {
  // Clearing also empties the edit field, as the platform's combo box does.
  combo_->clear();
  if (combo_->lineEdit() != nullptr) combo_->lineEdit()->clear();
}

int THIComboBox::itemCount() const {
  return combo_->count();
}

QString THIComboBox::itemString(int index) const {
  return index >= 0 && index < combo_->count() ? combo_->itemText(index) : QString();
}

int THIComboBox::insertItemAt(int index, const QString& text) {
  const int before = combo_->count();
  // Qt makes the first item of an empty non-editable list current; an added item is current
  // only when SelectAdded says so.
  const int current = combo_->currentIndex();
  const QString typed = combo_->lineEdit() != nullptr ? combo_->lineEdit()->text() : QString();
  combo_->insertItem(index, text, QVariant(std::int32_t{0}));
  if (combo_->count() != before + 1) return -1;
  if (before == 0 && current < 0 && combo_->currentIndex() >= 0) {
    combo_->setCurrentIndex(-1);
    if (combo_->lineEdit() != nullptr) combo_->lineEdit()->setText(typed);
  }
  return index;
}

void THIComboBox::setCurrentItem(int index) {
  combo_->setCurrentIndex(index);
}

int THIComboBox::currentItem() const {
  return combo_->currentIndex();
}

std::int32_t THIComboBox::itemData(int index) const {
  if (index < 0 || index >= combo_->count()) return -1;
  return combo_->itemData(index, ItemDataRole).toInt();
}

void THIComboBox::setItemData(int index, std::int32_t data) {
  combo_->setItemData(index, QVariant(data), ItemDataRole);
}

}  // namespace hi
