// The adapter between the graph's values and Qt: texts (code page 1251 bytes on the graph's
// side), colours (system colour numbers or 0x00BBGGRR) and fonts (TFontRec).
#pragma once

#include <QColor>
#include <QFont>
#include <QSocketNotifier>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/posix/WakeSignal.h"
#include "runtime/Helpers.h"

namespace hi {

// Code page 1251 bytes to Qt and back. Characters the code page lacks become '?'.
QString toQt(std::string_view cp1251Text);
std::string fromQt(const QString& text);

// A colour value whose high byte is 0xFF names a system colour of the running desktop's
// palette by its low byte; any other value is 0x00BBGGRR.
inline constexpr std::uint32_t SystemColor = 0xFF000000u;
inline constexpr std::uint32_t clWindow = SystemColor | 5;
inline constexpr std::uint32_t clBtnFace = SystemColor | 15;
inline constexpr std::uint32_t clBtnShadow = SystemColor | 16;
inline constexpr std::uint32_t cl3DLight = SystemColor | 22;
inline constexpr std::uint32_t clInfoText = SystemColor | 23;
inline constexpr std::uint32_t clInfoBk = SystemColor | 24;
QColor toQColor(std::uint32_t colour);

// The face "MS Sans Serif", which no free desktop carries, becomes the desktop's general
// sans-serif face. The pixel height follows fontHeightFromPoints (a negative height is the
// character height); a size of 0 keeps the base font's size. The character set needs no
// mapping: Qt draws Unicode.
QFont toQFont(const TFontRec& rec, const QFont& base);

// Installs the Qt realisations of the runtime's seams: the screen's pixels per inch and the
// "String-Debug" notice box. Needs a QApplication.
void installWindowSeams();

// Makes the calling (GUI) thread the home thread of the event gate for its lifetime: calls
// that other threads carry over run from the Qt event loop. Create after the QApplication
// and destroy before it.
class GuiHomeThread {
 public:
  GuiHomeThread();
  ~GuiHomeThread();
  GuiHomeThread(const GuiHomeThread&) = delete;
  GuiHomeThread& operator=(const GuiHomeThread&) = delete;

 private:
  // Other threads only raise the signal; nothing of Qt is touched off the GUI thread.
  WakeSignal wake_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace hi
