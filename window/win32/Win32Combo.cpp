// The combo box on COMBOBOX: a drop-down list, with an edit field when editable.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "platform/win32/WideText.h"
#include "window/KeyCodes.h"
#include "window/win32/Win32Control.h"
#include "window/win32/Win32Util.h"

namespace hi {

namespace {

// The open list's height below the box.
constexpr int ListHeight = 200;
// What the box's frame adds to the height of its field.
constexpr int BoxFrame = 6;

class Win32Combo : public Win32Control<ComboDriver> {
 public:
  Win32Combo(WindowDriver* parent, ControlSink& sink, const ComboStyle& style)
      : Win32Control(sink), editable_(style.editable) {
    core_.extraHeight = ListHeight;
    core_.comboFieldFrame = BoxFrame;
    core_.create(parent, WC_COMBOBOXW,
                 WS_TABSTOP | WS_VSCROLL | CBS_HASSTRINGS |
                     (editable_ ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST));
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (editable_ && ::GetComboBoxInfo(handle(), &info) && info.hwndItem != nullptr) {
      // The edit field's keys and mouse are the control's.
      core_.watch(info.hwndItem);
    }
  }

  int insertItem(int index, const std::string& text) override {
    const int n = count();
    if (index < 0 || index > n) return -1;
    const std::wstring wide = widenCp1251(text);
    const auto at = send(CB_INSERTSTRING, index == n ? static_cast<WPARAM>(-1) : index,
                         reinterpret_cast<LPARAM>(wide.c_str()));
    if (at < 0) return -1;
    send(CB_SETITEMDATA, at, 0);
    return static_cast<int>(at);
  }
  void removeItem(int index) override {
    if (index < 0 || index >= count()) return;
    const int was = current();
    const std::string typed = editable_ ? windowText(handle()) : std::string();
    send(CB_DELETESTRING, index);
    // The current item stays current, its index following; without it none is current, and
    // the field keeps what it showed.
    if (index == was) {
      send(CB_SETCURSEL, static_cast<WPARAM>(-1));
      if (editable_) setWindowText(handle(), typed);
    } else if (was > index) {
      send(CB_SETCURSEL, was - 1);
    }
  }
  void clearItems() override {
    send(CB_RESETCONTENT);
    if (editable_) setWindowText(handle(), "");
  }
  int count() const override { return static_cast<int>(send(CB_GETCOUNT)); }
  std::string itemText(int index) const override {
    const auto length = send(CB_GETLBTEXTLEN, index);
    if (index < 0 || length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto got = send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
    return narrowCp1251(text);
  }
  void setCurrent(int index) override { send(CB_SETCURSEL, index); }
  int current() const override { return static_cast<int>(send(CB_GETCURSEL)); }
  std::int32_t itemData(int index) const override {
    if (index < 0 || index >= count()) return -1;
    return static_cast<std::int32_t>(send(CB_GETITEMDATA, index));
  }
  void setItemData(int index, std::int32_t data) override {
    send(CB_SETITEMDATA, index, static_cast<LPARAM>(data));
  }
  std::string fieldText() const override { return windowText(handle()); }
  void setFieldText(const std::string& text) override {
    if (editable_) setWindowText(handle(), text);
  }
  void setRedraw(bool on) override {
    send(WM_SETREDRAW, on ? TRUE : FALSE);
    if (on) core_.repaint();
  }

 protected:
  bool dropped() const { return send(CB_GETDROPPEDSTATE) != 0; }

  bool message(HWND, UINT msg, WPARAM w, LPARAM, LRESULT& result) override {
    // The wheel and keys over the closed box only move its selection; a choice is made in
    // the open list alone.
    if ((msg == WM_MOUSEWHEEL || msg == WM_KEYDOWN) && !dropped()) listOpened_ = false;
    // With the list open, the edit field keeps the keys and would take Home, End, Page Up
    // and Page Down for its caret: End and Enter would then choose nothing. They move in
    // the list instead, as in a list-only box. (Handed on to the list as keys, Wine's list
    // goes to its first item for each of them.)
    if (editable_ && msg == WM_KEYDOWN && dropped() &&
        (w == VkHome || w == VkEnd || w == VkPrior || w == VkNext)) {
      const int n = count();
      if (n > 0) {
        const int page = std::max(listPage() - 1, 1);
        const int at = current();
        int next = 0;
        if (w == VkEnd) next = n - 1;
        if (w == VkPrior) next = std::max(at - page, 0);
        if (w == VkNext) next = std::min(at < 0 ? page - 1 : at + page, n - 1);
        send(CB_SETCURSEL, next);
      }
      result = 0;
      return true;
    }
    return false;
  }
  // How many items the open list shows at once.
  int listPage() const {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    RECT r{};
    const auto item = send(CB_GETITEMHEIGHT, 0);
    if (!::GetComboBoxInfo(handle(), &info) || !::GetClientRect(info.hwndList, &r) || item <= 0) {
      return 1;
    }
    return std::max(static_cast<int>((r.bottom - r.top) / item), 1);
  }
  bool keysOnTop() const override { return dropped(); }
  // Enter on the closed box is the element's: the combo box must not act on it.
  bool dropKey(std::int32_t vk) override { return vk == VkReturn && !dropped(); }

  void command(WORD code) override {
    switch (code) {
      case CBN_DROPDOWN:
        // Sent before the list shows: the items the element sets now are the ones shown.
        listOpened_ = true;
        core_.sink().listOpening();
        break;
      case CBN_SELENDOK:
        // Whether the list closes before or after this comes differs between Windows
        // versions; the flag, set on opening, tells a pick from the list from browsing.
        if (listOpened_) {
          listOpened_ = false;
          core_.sink().picked();
        }
        break;
      case CBN_SELENDCANCEL:
        listOpened_ = false;
        break;
      default:
        break;
    }
  }

 private:
  const bool editable_;
  bool listOpened_ = false;
};

}  // namespace

std::unique_ptr<ComboDriver> newComboDriver(WindowDriver* parent, ControlSink& sink,
                                            const ComboStyle& style) {
  return std::make_unique<Win32Combo>(parent, sink, style);
}

}  // namespace hi
