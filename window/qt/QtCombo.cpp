// The combo box on QComboBox.
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

#include "window/qt/QtControl.h"
#include "window/qt/QtConvert.h"

namespace hi {

namespace {

constexpr int ItemDataRole = Qt::UserRole;

// QComboBox raises `activated` for the wheel and for keys on the closed box as well as for a
// pick from its list; these two overrides mark the first kind, which chooses nothing.
// Every way of opening the list (the arrow, a click on a list-only box, Alt+Down, F4) goes
// through showPopup.
class ComboWidget : public QComboBox {
 public:
  ComboWidget(QWidget* parent, ControlSink& sink) : QComboBox(parent), sink_(sink) {}
  bool browsing() const { return browsing_; }

  void showPopup() override {
    sink_.listOpening();
    // The graph may have disabled the box meanwhile.
    if (isEnabled()) QComboBox::showPopup();
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    browsing_ = true;
    QComboBox::keyPressEvent(event);
    browsing_ = false;
  }
  void wheelEvent(QWheelEvent* event) override {
    browsing_ = true;
    QComboBox::wheelEvent(event);
    browsing_ = false;
  }

 private:
  ControlSink& sink_;
  bool browsing_ = false;
};

class QtCombo : public QtControl<ComboDriver> {
 public:
  QtCombo(WindowDriver* parent, ControlSink& sink, const ComboStyle& style) : QtControl(sink) {
    combo_ = new ComboWidget(controlParent(parent), sink);
    combo_->setEditable(style.editable);
    combo_->setFrame(false);
    QLineEdit* edit = combo_->lineEdit();
    if (edit == nullptr) {
      core_.attach(combo_);
      core_.bridge().keepEnter(combo_);
    } else {
      // Typed text stays typed text: no completion, and Qt's Enter adds and picks nothing
      // (the element decides what Enter chooses).
      combo_->setInsertPolicy(QComboBox::NoInsert);
      combo_->setCompleter(nullptr);
      // The edit field takes the mouse buttons over it; the wheel it passes on to the combo
      // box, which reports it once. The keys go to the combo box: it is the field's focus
      // proxy, and hands them to the field by a direct call, past any event filter.
      core_.attach(combo_, bridgeMouse | bridgeWheel | bridgeHover | bridgeFocus |
                               bridgeGeometry | bridgeKeys);
      core_.bridge().watch(edit, bridgeMouse);
      core_.bridge().keepEnter(combo_);
    }
    // `activated` outside the wheel and the keys of the closed box is a pick from the list;
    // programmatic changes and typing do not raise it.
    QObject::connect(combo_, &QComboBox::activated, combo_, [this, &sink] {
      if (!combo_->browsing()) sink.picked();
    });
  }

  int insertItem(int index, const std::string& text) override {
    const int before = combo_->count();
    // Qt makes the first item of an empty non-editable list current; an added item is
    // current only when the element says so.
    const int current = combo_->currentIndex();
    const QString typed = field() != nullptr ? field()->text() : QString();
    combo_->insertItem(index, toQt(text), QVariant(std::int32_t{0}));
    if (combo_->count() != before + 1) return -1;
    if (before == 0 && current < 0 && combo_->currentIndex() >= 0) {
      combo_->setCurrentIndex(-1);
      if (field() != nullptr) field()->setText(typed);
    }
    return index;
  }
  void removeItem(int index) override {
    if (index < 0 || index >= combo_->count()) return;
    // Qt makes a neighbour current when the current item goes, and shows its text.
    const int current = combo_->currentIndex();
    const QString typed = field() != nullptr ? field()->text() : QString();
    combo_->removeItem(index);
    if (index == current) {
      combo_->setCurrentIndex(-1);
      if (field() != nullptr) field()->setText(typed);
    }
  }
  void clearItems() override {
    // Clearing also empties the edit field, as the platform's combo box does.
    combo_->clear();
    if (field() != nullptr) field()->clear();
  }
  int count() const override { return combo_->count(); }
  std::string itemText(int index) const override {
    return index >= 0 && index < combo_->count() ? fromQt(combo_->itemText(index))
                                                 : std::string();
  }
  void setCurrent(int index) override { combo_->setCurrentIndex(index); }
  int current() const override { return combo_->currentIndex(); }
  std::int32_t itemData(int index) const override {
    if (index < 0 || index >= combo_->count()) return -1;
    return combo_->itemData(index, ItemDataRole).toInt();
  }
  void setItemData(int index, std::int32_t data) override {
    combo_->setItemData(index, QVariant(data), ItemDataRole);
  }
  std::string fieldText() const override { return fromQt(combo_->currentText()); }
  void setFieldText(const std::string& text) override {
    if (field() != nullptr) field()->setText(toQt(text));
  }
  void setRedraw(bool on) override {
    combo_->setUpdatesEnabled(on);
    if (on) combo_->update();
  }

 private:
  QLineEdit* field() const { return combo_->lineEdit(); }

  ComboWidget* combo_;
};

}  // namespace

std::unique_ptr<ComboDriver> newComboDriver(WindowDriver* parent, ControlSink& sink,
                                            const ComboStyle& style) {
  return std::make_unique<QtCombo>(parent, sink, style);
}

}  // namespace hi
