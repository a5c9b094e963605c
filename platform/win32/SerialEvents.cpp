// Line events, modem lines and line errors of a Win32 serial port. The LineEvent,
// LineError, ModemLine and Purge bits have the values of the Win32 constants, so masks
// pass through unchanged.
#include "platform/win32/Win32SerialPort.h"

namespace hi {

static_assert(LineEvent::RxChar == EV_RXCHAR && LineEvent::Rx80Full == EV_RX80FULL &&
              LineEvent::Err == EV_ERR && LineEvent::Rlsd == EV_RLSD);
static_assert(LineError::Frame == CE_FRAME && LineError::Mode == CE_MODE &&
              LineError::Ioe == CE_IOE && LineError::TxFull == CE_TXFULL);
static_assert(ModemLine::CtsOn == MS_CTS_ON && ModemLine::RlsdOn == MS_RLSD_ON);
static_assert(Purge::All == (PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));

SysStatus Win32SerialPort::setEventMask(std::uint32_t mask) {
  std::shared_lock lock(io_);
  if (!h_.port) return {ERROR_INVALID_HANDLE};
  mask_ = mask;
  // The wake first: SetCommMask ends a pending wait, which must then find the wake set.
  ::SetEvent(h_.wake.get());
  if (!::SetCommMask(h_.port.get(), mask)) return {static_cast<int>(::GetLastError())};
  return {};
}

void Win32SerialPort::wake() {
  std::shared_lock lock(io_);
  if (h_.wake) ::SetEvent(h_.wake.get());
}

bool Win32SerialPort::takeWake() {
  return ::WaitForSingleObject(h_.wake.get(), 0) == WAIT_OBJECT_0;
}

WaitResult Win32SerialPort::waitEvent() {
  std::lock_guard one(waitLock_);
  std::shared_lock lock(io_);
  if (!h_.port) return {WaitStatus::Failed, 0, ERROR_INVALID_HANDLE};
  if (takeWake()) return {WaitStatus::Woken, 0, 0};
  const std::uint32_t mask = mask_.load();
  if (mask == 0) return {WaitStatus::Failed, 0, ERROR_INVALID_PARAMETER};

  HANDLE port = h_.port.get();
  DWORD events = 0;
  OVERLAPPED ov{};
  ov.hEvent = h_.waitDone.get();
  if (!::WaitCommEvent(port, &events, &ov)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) return endOfFailedWait(error);
    const HANDLE both[2] = {ov.hEvent, h_.wake.get()};
    const DWORD which = ::WaitForMultipleObjects(2, both, FALSE, INFINITE);
    if (which == WAIT_OBJECT_0 + 1) {
      // Woken: setting the mask again is what ends a pending wait (cancelling the I/O
      // does not, under Wine). The call must complete before `events` and `ov` go.
      ::SetCommMask(port, mask_.load());
      DWORD ignored = 0;
      const bool completed = ::GetOverlappedResult(port, &ov, &ignored, TRUE);
      if (completed && (events & mask) != 0) {
        ::SetEvent(h_.wake.get());  // events came first; the next wait takes the wake
        return {WaitStatus::Events, events & mask, 0};
      }
      return {WaitStatus::Woken, 0, 0};
    }
    DWORD ignored = 0;
    if (!::GetOverlappedResult(port, &ov, &ignored, TRUE)) {
      return endOfFailedWait(::GetLastError());
    }
  }
  events &= mask;
  if (events != 0) return {WaitStatus::Events, events, 0};
  // A changed mask ends a wait with no events, and always brings the wake with it.
  if (takeWake()) return {WaitStatus::Woken, 0, 0};
  // Without the wake, the wait ended by itself: Wine ends it so, with success and no
  // events, when it can no longer read the modem lines of a hung-up line.
  return vanishedOr({WaitStatus::Woken, 0, 0});
}

WaitResult Win32SerialPort::endOfFailedWait(DWORD error) {
  // A mask change under Wine ends the wait as cancelled; it comes with the wake.
  if (takeWake()) return {WaitStatus::Woken, 0, 0};
  return vanishedOr({WaitStatus::Failed, 0, static_cast<int>(error)});
}

WaitResult Win32SerialPort::vanishedOr(WaitResult otherwise) {
  // A device that is gone (a USB adapter pulled, a hung-up line) fails every request.
  COMSTAT stat{};
  if (!queryStatus(stat)) return {WaitStatus::Vanished, 0, static_cast<int>(::GetLastError())};
  return otherwise;
}

SysStatus Win32SerialPort::modemStatus(std::uint32_t& status) {
  std::shared_lock lock(io_);
  if (!h_.port) return {ERROR_INVALID_HANDLE};
  DWORD bits = 0;
  if (!::GetCommModemStatus(h_.port.get(), &bits)) return {static_cast<int>(::GetLastError())};
  status = bits;
  return {};
}

bool Win32SerialPort::queryStatus(COMSTAT& stat) {
  // The only query for the queue also clears the error flags: they are kept until the next
  // clearError, so that none is lost to a query made for another reason.
  DWORD errors = 0;
  if (!::ClearCommError(h_.port.get(), &errors, &stat)) return false;
  heldErrors_ |= errors;
  return true;
}

SysStatus Win32SerialPort::clearError(CommStatus& status) {
  std::shared_lock lock(io_);
  if (!h_.port) return {ERROR_INVALID_HANDLE};
  COMSTAT stat{};
  if (!queryStatus(stat)) return {static_cast<int>(::GetLastError())};
  status.errors = heldErrors_.exchange(0);
  status.inQueue = stat.cbInQue;
  status.outQueue = stat.cbOutQue;
  return {};
}

}  // namespace hi
