// The toolkit beneath the window elements, control by control. Each toolkit folder
// (window/qt, window/headless, window/win32) defines the factories below once; the build
// links exactly one of them. Every call is made on the home (GUI) thread; texts are code
// page 1251 with CR LF line breaks, colours are the graphs' values (system colours resolved
// by the driver).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/Helpers.h"
#include "window/Geometry.h"
#include "window/Sinks.h"

namespace hi {

class WindowDriver;

// What a window and a control both offer.
class WidgetDriver {
 public:
  virtual ~WidgetDriver() = default;
  virtual void setVisible(bool visible) = 0;
  virtual void setEnabled(bool enabled) = 0;
  virtual void setColor(std::uint32_t colour) = 0;  // background
  virtual void setCursor(std::int32_t cursor) = 0;  // 0: the default cursor
  // While on, every mouse message goes to this widget, wherever the pointer is.
  virtual void captureMouse(bool on) = 0;
};

// The drawn edge of a control.
enum class Edge : std::uint8_t {
  None,
  FlatLine,          // a one-pixel line
  ClientEdge,        // sunken, two pixels
  StaticEdge,        // sunken, one pixel
  DialogFrame,       // raised, three pixels
  DialogClientEdge,  // a dialog frame around a sunken edge
};

// The pixels a drawn edge takes from each side of a control, for toolkits that draw it.
int edgeWidth(Edge e);

// How a control takes the keyboard focus.
enum class FocusMode : std::uint8_t {
  None,   // never
  Click,  // by mouse only, not by Tab
  Tab,    // by mouse and as a stop of the Tab chain
};

// The look of tooltips, set on the shared tooltip service (THIHintManager).
struct HintStyle {
  std::uint32_t backColor = 0;
  TFontRec font;  // its Color is the text colour
  std::int32_t initialDelay = 0;  // milliseconds
  std::int32_t autoPopDelay = 0;  // milliseconds
  std::int32_t margin = 0;
  bool balloon = false;
  bool tracking = false;
};

class ControlDriver : public WidgetDriver {
 public:
  // In the parent's client area.
  virtual void setBounds(const Rect& r) = 0;
  // Size 0 keeps the toolkit's default size; "MS Sans Serif" is the desktop's sans serif.
  virtual void setFont(const TFontRec& font) = 0;
  virtual void setEdge(Edge edge) = 0;
  virtual void setFocusMode(FocusMode mode) = 0;
  // An empty text removes the tooltip.
  virtual void setHint(const std::string& text, const HintStyle& style) = 0;
  virtual void repaint() = 0;
};

// Labels, buttons and edit fields.
class TextDriver : public ControlDriver {
 public:
  virtual void setText(const std::string& text) = 0;
  virtual std::string text() const = 0;
};

enum class Alignment : std::uint8_t { Left = 0, Right = 1, Centre = 2 };

// A static text: reports clicks, shows ampersands literally, breaks lines at CR LF.
class LabelDriver : public TextDriver {
 public:
  // wrap: long lines break at word boundaries within the label's width.
  virtual void setAlignment(Alignment align, bool wrap) = 0;
};

// A push button whose caption wraps onto more lines when it does not fit. Reports clicked().
class ButtonDriver : public TextDriver {};

// A single-line edit field with horizontal scrolling. Reports textChanged() for every
// change, the program's too (but not for a text set to what it already is).
class EditDriver : public TextDriver {
 public:
  // The caret: the start of the selection when there is one.
  virtual int caret() const = 0;
  virtual void setCaret(int position) = 0;
};

// The list protocol of list controls. Items carry a 32-bit data number (0 unless set).
class ListDriver : public ControlDriver {
 public:
  // Inserts at index (count() appends); answers the new item's index, or -1. Adding never
  // changes the current item.
  virtual int insertItem(int index, const std::string& text) = 0;
  // Removes the item at index. The current item stays current (its index follows); removing
  // the current item leaves none current, and a combo box's edit field as it was.
  virtual void removeItem(int index) = 0;
  // Removes every item (a combo box's edit field is emptied too).
  virtual void clearItems() = 0;
  virtual int count() const = 0;
  virtual std::string itemText(int index) const = 0;  // empty when there is no such item
  virtual void setCurrent(int index) = 0;             // -1: none
  virtual int current() const = 0;                    // the selected item, or -1
  virtual std::int32_t itemData(int index) const = 0;  // -1 when there is no such item
  virtual void setItemData(int index, std::int32_t data) = 0;
  // Redrawing off while many items are loaded.
  virtual void setRedraw(bool on) = 0;
};

// A drop-down list, with or without an edit field, with a vertical scroll bar in its list.
// Reports picked() for a deliberate choice only; Enter on the closed box comes as a key.
// Reports listOpening() before its list opens, and shows the items as they are after it.
class ComboDriver : public ListDriver {
 public:
  // What the edit field (or, without one, the selection) shows.
  virtual std::string fieldText() const = 0;
  virtual void setFieldText(const std::string& text) = 0;
};

// A progress bar of the range 0..max; positions outside show as the nearer end.
class ProgressDriver : public ControlDriver {
 public:
  virtual void setRange(std::int32_t max) = 0;
  virtual void setPosition(std::int32_t position) = 0;
  virtual void setBarColor(std::uint32_t colour) = 0;
};

// The filled part's length along a bar of `length` pixels: the position, held to 0..max, in
// proportion. Drivers that draw the bar themselves use it.
int filledLength(std::int32_t position, std::int32_t max, int length);

// What the create step fixes about a control (styles a toolkit may take at creation only).
struct EditStyle {
  bool password = false;
  bool readOnly = false;
  Alignment align = Alignment::Left;
};
struct ComboStyle {
  bool editable = false;
};
struct ButtonStyle {
  bool defaultButton = false;
};
struct ProgressStyle {
  bool vertical = false;
  bool smooth = false;
};

// The factories. parent is null for a control without a window (tests only). A picture is
// a plain control that paints through ControlSink::paint.
std::unique_ptr<LabelDriver> newLabelDriver(WindowDriver* parent, ControlSink& sink);
std::unique_ptr<ButtonDriver> newButtonDriver(WindowDriver* parent, ControlSink& sink,
                                              const ButtonStyle& style);
std::unique_ptr<EditDriver> newEditDriver(WindowDriver* parent, ControlSink& sink,
                                          const EditStyle& style);
std::unique_ptr<ComboDriver> newComboDriver(WindowDriver* parent, ControlSink& sink,
                                            const ComboStyle& style);
std::unique_ptr<ProgressDriver> newProgressDriver(WindowDriver* parent, ControlSink& sink,
                                                  const ProgressStyle& style);
std::unique_ptr<ControlDriver> newPictureDriver(WindowDriver* parent, ControlSink& sink);

}  // namespace hi
