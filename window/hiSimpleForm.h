// The main window element: the program's top-level window, its start (which makes the
// runtime live) and its close (which stops it again).
#pragma once

#include <cstdint>
#include <string>

#include "window/Picture.h"
#include "window/SimpleWin.h"

namespace hi {

class THISimpleForm : public THISimpleWin {
 public:
  THISimpleForm();
  ~THISimpleForm() override;

  std::string Caption;
  std::uint8_t BorderStyle = 0;  // 0..9; larger values are ignored
  hi::Icon Icon;                 // empty: the default icon
  std::uint8_t DragAnywhere = 0;

  EventPoint onCreate;
  EventPoint onClose;
  EventPoint inKeepOpen;

  // The create step (see Win.h for why there are two phases): applies the properties; the
  // window stays hidden until Start.
  void init();

  // Called once after the whole graph is built: switches the runtime on and runs the
  // start-up handlers; this window's handler fires onCreate and then shows the window.
  void Start();

  // Tab and Shift+Tab move the focus between the controls: positive TabOrder values first,
  // in their order, then the other controls in creation order.
  void enableKeyboardNavigation();

  // Closes without asking KeepOpen. Callable from any thread.
  void doClose(TData& d);
  // Integer 0 disables the whole window, any other value enables it. Callable from any
  // thread.
  void doEnabled(TData& d);

  bool closed() const { return closed_; }

 protected:
  bool allowClose() override;
  void mousePressed() override;

 private:
  static void startup(void* self);
  void acceptClose();
  bool keepOpen();

  bool closed_ = false;
};

}  // namespace hi
