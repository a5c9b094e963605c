// Opening, configuring and transfers of a Win32 serial port.
#include <algorithm>
#include <mutex>
#include <set>
#include <utility>

#include "platform/PortMap.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32SerialPort.h"

namespace hi {

namespace {

// Names such as COM3 live in the device namespace. Only COM1..COM9 also work without the
// prefix, so it is always given.
std::string devicePath(std::string_view name) {
  return "\\\\.\\" + std::string(name);
}

UniqueHandle manualResetEvent() {
  return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

constexpr DWORD kLargestTransfer = 1U << 30;
// How long a read of bytes that are waiting may take. Windows returns at once; Wine leaves
// the read pending when another handle on the same port took the bytes first.
constexpr DWORD kAtOnceLimit = 500;  // ms

// The ports this process holds, so that a second open of one can say so.
class HeldPorts {
 public:
  void add(const std::wstring& path) {
    std::lock_guard lock(mutex_);
    paths_.insert(upper(path));
  }
  void remove(const std::wstring& path) {
    std::lock_guard lock(mutex_);
    paths_.erase(upper(path));
  }
  bool holds(const std::wstring& path) {
    std::lock_guard lock(mutex_);
    return paths_.count(upper(path)) != 0;
  }

 private:
  static std::wstring upper(std::wstring path) {
    for (wchar_t& c : path) {
      if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return path;
  }

  std::mutex mutex_;
  std::set<std::wstring> paths_;
};

HeldPorts& heldPorts() {
  static HeldPorts held;
  return held;
}

}  // namespace

bool heldByThisProcess(const std::wstring& path) {
  return heldPorts().holds(path);
}

namespace {

SerialPort::OpenResult failed(OpenFailureKind kind, DWORD error) {
  return {nullptr, openFailure(kind, static_cast<int>(error))};
}

// What an error of CreateFile on a port means to the user.
SerialPort::OpenResult openError(const std::wstring& path, bool listed, DWORD e) {
  switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      // A USB adapter leaves the list when it is pulled; one still listed is going.
      return failed(listed ? OpenFailureKind::Gone : OpenFailureKind::NoSuchPort, e);
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
      return failed(OpenFailureKind::Gone, e);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: {
      // Serial ports are open to every user: a refusal means that someone holds it.
      SerialPort::OpenResult r = failed(OpenFailureKind::Busy, e);
      r.failure.holder.thisProgram = heldPorts().holds(path);
      return r;
    }
    default:
      return failed(OpenFailureKind::Other, e);
  }
}

}  // namespace

Win32SerialPort::Win32SerialPort(Handles handles, std::wstring path)
    : h_(std::move(handles)), path_(std::move(path)) {
  heldPorts().add(path_);
}

Win32SerialPort::~Win32SerialPort() {
  close();
}

SerialPort::OpenResult SerialPort::open(std::string_view name) {
  return openPath(devicePath(name));
}

SerialPort::OpenResult SerialPort::openPath(const std::string& path) {
  const std::wstring wide = widenCp1251(path);
  Win32SerialPort::Handles h;
  // Exclusive (no sharing): another program's open fails with ERROR_ACCESS_DENIED.
  h.port = UniqueHandle(::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (!h.port) {
    const DWORD e = ::GetLastError();
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    return openError(wide, findPort(serialPortList(), name) != nullptr, e);
  }
  // Anything else in the device namespace opens too; only a serial port has line settings.
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(h.port.get(), &dcb)) {
    return failed(OpenFailureKind::NotSerial, ::GetLastError());
  }
  h.wake = UniqueHandle(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  h.waitDone = manualResetEvent();
  h.readDone = manualResetEvent();
  h.writeDone = manualResetEvent();
  if (!h.wake || !h.waitDone || !h.readDone || !h.writeDone) {
    return failed(OpenFailureKind::Other, ::GetLastError());
  }
  return {std::make_unique<Win32SerialPort>(std::move(h), wide), {}};
}

SerialPort::OpenResult SerialPort::adopt(int) {
  return failed(OpenFailureKind::Other, ERROR_NOT_SUPPORTED);
}

void Win32SerialPort::close() {
  std::unique_lock lock(io_);
  if (!h_.port) return;
  h_ = Handles{};
  heldPorts().remove(path_);
}

bool Win32SerialPort::isOpen() const {
  std::shared_lock lock(io_);
  return static_cast<bool>(h_.port);
}

SysStatus Win32SerialPort::setLineSettings(const LineSettings& s) {
  std::shared_lock lock(io_);
  if (!h_.port) return {ERROR_INVALID_HANDLE};
  if (s.byteSize < 5 || s.byteSize > 8 || s.parity > 4 || s.stopBits > 2 || s.baudRate == 0) {
    return {ERROR_INVALID_PARAMETER};
  }
  // Start from the driver's settings, so that the end-of-file character and the reserved
  // fields keep its values; the result of the query does not matter.
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ::GetCommState(h_.port.get(), &dcb);
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = s.baudRate;
  dcb.ByteSize = s.byteSize;
  dcb.Parity = s.parity;
  dcb.StopBits = s.stopBits;
  dcb.XonLim = s.xonLimit;
  dcb.XoffLim = s.xoffLimit;
  dcb.XonChar = s.xonChar;
  dcb.XoffChar = s.xoffChar;
  dcb.ErrorChar = s.errorChar;
  dcb.EvtChar = s.eventChar;
  // Every flag from the settings; none left from the driver.
  dcb.fBinary = TRUE;
  dcb.fParity = s.parityCheck;
  dcb.fOutxCtsFlow = s.ctsFlow;
  dcb.fOutxDsrFlow = s.dsrFlow;
  dcb.fDtrControl = static_cast<DWORD>(s.dtr);
  dcb.fDsrSensitivity = s.dsrSensitivity;
  dcb.fTXContinueOnXoff = s.txContinueOnXoff;
  dcb.fOutX = s.outX;
  dcb.fInX = s.inX;
  dcb.fErrorChar = s.errorReplace;
  dcb.fNull = s.nullDiscard;
  dcb.fRtsControl = static_cast<DWORD>(s.rts);
  dcb.fAbortOnError = s.abortOnError;
  dcb.fDummy2 = 0;
  if (!::SetCommState(h_.port.get(), &dcb)) return {static_cast<int>(::GetLastError())};
  DCB now{};
  now.DCBlength = sizeof now;
  actualBaud_ = ::GetCommState(h_.port.get(), &now) ? now.BaudRate : 0;
  return {};
}

void Win32SerialPort::setQueueSizes(std::uint32_t inQueue, std::uint32_t outQueue) {
  std::shared_lock lock(io_);
  // A recommendation to the driver; many keep their own sizes, and a refusal changes nothing.
  if (h_.port) ::SetupComm(h_.port.get(), inQueue, outQueue);
}

SysStatus Win32SerialPort::setTimeouts(const Timeouts& t) {
  std::shared_lock lock(io_);
  if (!h_.port) return {ERROR_INVALID_HANDLE};
  COMMTIMEOUTS ct{};
  ct.ReadIntervalTimeout = t.readInterval;
  ct.ReadTotalTimeoutMultiplier = t.readTotalMultiplier;
  ct.ReadTotalTimeoutConstant = t.readTotalConstant;
  ct.WriteTotalTimeoutMultiplier = t.writeTotalMultiplier;
  ct.WriteTotalTimeoutConstant = t.writeTotalConstant;
  if (!::SetCommTimeouts(h_.port.get(), &ct)) return {static_cast<int>(::GetLastError())};
  readsAtOnce_ =
      t.readInterval == TimeoutAllOnes && t.readTotalMultiplier == 0 && t.readTotalConstant == 0;
  return {};
}

SysStatus Win32SerialPort::purge(std::uint32_t flags) {
  std::shared_lock lock(io_);
  if (!h_.port) return {ERROR_INVALID_HANDLE};
  if (flags == 0) return {};
  if (!::PurgeComm(h_.port.get(), flags)) return {static_cast<int>(::GetLastError())};
  return {};
}

SysStatus Win32SerialPort::flush() {
  std::shared_lock lock(io_);
  if (!h_.port) return {ERROR_INVALID_HANDLE};
  if (!::FlushFileBuffers(h_.port.get())) return {static_cast<int>(::GetLastError())};
  return {};
}

IoResult Win32SerialPort::write(const char* data, std::size_t size) {
  std::lock_guard one(writeLock_);
  std::shared_lock lock(io_);
  if (!h_.port) return {false, 0, ERROR_INVALID_HANDLE, true};
  std::size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, kLargestTransfer));
    OVERLAPPED ov{};
    ov.hEvent = h_.writeDone.get();
    DWORD n = 0;
    if (!::WriteFile(h_.port.get(), data + done, chunk, nullptr, &ov) &&
        ::GetLastError() != ERROR_IO_PENDING) {
      return {false, done, static_cast<int>(::GetLastError())};
    }
    // The driver's write timeouts bound the wait, or an abort.
    if (const DWORD e = awaitTransfer(ov, writing_, n, false); e != 0) {
      return {false, done + n, static_cast<int>(e)};
    }
    done += n;
    // A write that ends early ran into its timeout: the rest was not sent.
    if (n < chunk) return {false, done, ERROR_TIMEOUT};
  }
  return {true, done, 0};
}

IoResult Win32SerialPort::read(std::string& out, std::size_t size) {
  std::lock_guard one(readLock_);
  std::shared_lock lock(io_);
  if (!h_.port) return {false, 0, ERROR_INVALID_HANDLE, true};
  std::size_t limit = std::min<std::size_t>(size, kLargestTransfer);
  if (limit > 0 && readsAtOnce_) {
    // Asks for no more than waits: Wine leaves such a read pending for ever when the queue
    // is empty, where Windows completes it at once with nothing.
    COMSTAT stat{};
    if (!queryStatus(stat)) return {false, 0, static_cast<int>(::GetLastError())};
    limit = std::min<std::size_t>(limit, stat.cbInQue);
  }
  if (limit == 0) return {true, 0, 0};
  const DWORD want = static_cast<DWORD>(limit);
  const std::size_t start = out.size();
  out.resize(start + want);
  OVERLAPPED ov{};
  ov.hEvent = h_.readDone.get();
  DWORD n = 0;
  int error = 0;
  if (!::ReadFile(h_.port.get(), out.data() + start, want, nullptr, &ov) &&
      ::GetLastError() != ERROR_IO_PENDING) {
    error = static_cast<int>(::GetLastError());
  } else {
    error = static_cast<int>(awaitTransfer(ov, reading_, n, readsAtOnce_.load()));
  }
  out.resize(start + n);
  // The read timeouts decide how much is enough: fewer bytes than asked is a success.
  if (error != 0) return {false, n, error};
  return {true, n, 0};
}

DWORD Win32SerialPort::awaitTransfer(OVERLAPPED& ov, OVERLAPPED*& slot, DWORD& moved,
                                     bool atOnce) {
  {
    std::lock_guard lock(inFlight_);
    slot = &ov;
  }
  DWORD error = 0;
  if (atOnce && ::WaitForSingleObject(ov.hEvent, kAtOnceLimit) == WAIT_TIMEOUT) {
    ::CancelIoEx(h_.port.get(), &ov);
  }
  // A cancelled transfer completes too, with what it moved.
  if (!::GetOverlappedResult(h_.port.get(), &ov, &moved, TRUE)) {
    error = ::GetLastError();
  }
  std::lock_guard lock(inFlight_);
  slot = nullptr;
  return error;
}

void Win32SerialPort::abortTransfers() {
  std::shared_lock lock(io_);
  std::lock_guard flight(inFlight_);
  if (!h_.port) return;
  if (reading_ != nullptr) ::CancelIoEx(h_.port.get(), reading_);
  if (writing_ != nullptr) ::CancelIoEx(h_.port.get(), writing_);
}

}  // namespace hi
