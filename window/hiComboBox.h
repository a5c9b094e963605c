// A drop-down list, with or without an edit field.
#pragma once

#include <QComboBox>
#include <cstdint>
#include <string>

#include "window/LWinList.h"

namespace hi {

class THIComboBox : public THILWinList {
 public:
  using THILWinList::THILWinList;

  std::string Text;           // initial text of the edit field
  std::uint8_t Editable = 0;  // 1: the user may type into an edit field

  // The create step.
  void init();

  QComboBox* comboBox() const { return combo_; }

 protected:
  bool defaultSunken() const override { return true; }
  Qt::FocusPolicy defaultFocusPolicy() const override { return Qt::StrongFocus; }
  void hookControl() override;
  bool keyPressed(QWidget* watched, QEvent* event) override;

  int addItem(const QString& text) override;
  void clearItems() override;
  int itemCount() const override;
  QString itemString(int index) const override;
  int insertItemAt(int index, const QString& text) override;
  void setCurrentItem(int index) override;
  int currentItem() const override;
  std::int32_t itemData(int index) const override;
  void setItemData(int index, std::int32_t data) override;

 private:
  QComboBox* combo_ = nullptr;
};

}  // namespace hi
