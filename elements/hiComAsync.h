// The serial port element: lists the machine's ports, opens one with fixed line settings,
// writes text to it and reports line events from its own reader thread.
//
// Listing opens no port. CheckPorts leaves out of the list the ports whose device is not
// there (a map entry that leads nowhere); ports this user may not open, or that another
// program holds, stay listed, and choosing one says why it does not open (onErrorText).
//
// The list follows the adapters: doRefreshPorts lists again, and with WatchPorts the element
// follows the system's serial devices from its first listing on, firing onPortList whenever
// the list changes, until doStopWatch. A device that vanishes under the open port is reported
// (onErrorText) and the list follows; the port itself stays open until the graph closes it.
//
// Writes: while onWrite is not connected, nothing in the graph hears how a write went, so the
// bytes written within one graph event are gathered and handed to the driver together when
// the event ends (an upload block is 256 one-byte writes). They go out in the order written,
// before anything else of the port: a read, a purge or the close sends them first.
//
// Threads: each line event the reader thread dispatches is one graph event (it holds the
// event gate for the whole dispatch). The close procedure stops the reader before the port
// is released; a close from a handler on the reader thread itself finishes the stop once
// that handler has returned.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runtime/Element.h"
#include "runtime/Share.h"

namespace hi {

class PortWatch;
class SerialPort;

class THIComAsync : public Element {
 public:
  THIComAsync();
  ~THIComAsync() override;

  // Properties.
  std::string Port;
  std::int32_t Baud = 0;
  std::int32_t Parity = 0;
  std::int32_t DataBits = 0;
  std::int32_t StopBits = 0;
  std::int32_t EvtChar = 0;
  std::uint8_t NullDiscard = 0;
  std::uint8_t AbortOnError = 0;
  std::uint8_t ParityCheck = 0;
  std::uint8_t ErrorReplace = 0;
  std::int32_t ErrorChar = 0;
  std::uint8_t DsrSensitivity = 0;
  std::uint8_t CtsFlow = 0;
  std::uint8_t DsrFlow = 0;
  std::uint8_t TxContinueOnXoff = 0;
  std::int32_t XoffChar = 0;
  std::int32_t XonChar = 0;
  std::uint8_t InX = 0;
  std::uint8_t OutX = 0;
  std::int32_t InQueue = 0;
  std::int32_t OutQueue = 0;
  std::int32_t RTS = 0;
  std::int32_t DTR = 0;
  std::uint8_t EvRxChar = 0;
  std::uint8_t EvRxFlag = 0;
  std::uint8_t EvTxEmpty = 0;
  std::uint8_t EvCTS = 0;
  std::uint8_t EvDSR = 0;
  std::uint8_t EvRLSD = 0;
  std::uint8_t EvBreak = 0;
  std::uint8_t EvErr = 0;
  std::uint8_t EvRing = 0;
  std::uint8_t EvRx80Full = 0;
  std::int32_t ReadInterval = 0;
  std::int32_t ReadTotalConstant = 0;
  std::int32_t ReadTotalMultiplier = 0;
  std::int32_t WriteTotalConstant = 0;
  std::int32_t WriteTotalMultiplier = 0;
  std::uint8_t CheckPorts = 0;
  std::uint8_t FlushOnClose = 0;
  // 1: doEnumPorts also starts following the system's serial devices.
  std::uint8_t WatchPorts = 0;

  // Input points: doOpen 0, doClose 1, doWrite 2, doRead 3, doEnumPorts 4, doPurge 5,
  // doRefreshPorts 6, doStopWatch 7.
  void doOpen(TData& d, std::uint16_t index);
  void doClose(TData& d, std::uint16_t index);
  void doWrite(TData& d, std::uint16_t index);
  void doRead(TData& d, std::uint16_t index);
  // Fires onPortName once per port (or onErrorText when no list can be read); with
  // WatchPorts, starts following the system's serial devices.
  void doEnumPorts(TData& d, std::uint16_t index);
  // Discards what was received and not yet read; fires nothing.
  void doPurge(TData& d, std::uint16_t index);
  // Lists the ports again, as doEnumPorts (CheckPorts applies, nothing is opened), and fires
  // onPortList once with the whole list; a list that cannot be read gives the empty list and
  // onErrorText after it.
  void doRefreshPorts(TData& d, std::uint16_t index);
  // Stops following the system's serial devices (a locked choice); a vanishing open port
  // still says so, but the list is not reported again. A later doEnumPorts follows anew.
  void doStopWatch(TData& d, std::uint16_t index);

  // Output events.
  EventPoint onBeforeOpen;
  EventPoint onOpen;
  EventPoint onBeforeClose;
  EventPoint onClose;
  EventPoint onWrite;
  EventPoint onRead;
  EventPoint onPortName;
  // The whole port list as one text (portListText): the names in list order, separated by
  // CR LF. Fired by doRefreshPorts, and while following the system's devices whenever
  // the list differs from the one last reported (on the watch's thread, or the reader's when
  // the open port vanished, as one graph event).
  EventPoint onPortList;
  EventPoint onRxChar;
  EventPoint onTxEmpty;
  EventPoint onBreak;
  EventPoint onRing;
  EventPoint onRxFlag;
  EventPoint onRx80Full;
  EventPoint onError;
  EventPoint onCTS;
  EventPoint onDSR;
  EventPoint onRLSD;
  // A line for the user (code page 1251) saying why the chosen port did not open, fired
  // after onOpen 0; from the reader thread, that the open port's device has gone; or, from
  // doEnumPorts and doRefreshPorts, why no port could be listed.
  EventPoint onErrorText;

  // Data inputs, read by doOpen in this order: Port, DTR, RTS, Baud.
  EventPoint inPort;
  EventPoint inDTR;
  EventPoint inRTS;
  EventPoint inBaud;

  // The texts of the last error check, one per line error found.
  std::vector<std::string> ErrorList;
  // The error check's lines for a set of LineError flags, in the order the check adds them.
  static std::vector<std::string> errorTexts(std::uint32_t errors, bool parityCheck);

  // Forgets the bytes gathered and not yet handed to the driver (any thread); a hand-over
  // already under way completes. For a host that stops every write at once.
  void dropUnsent();

  bool isOpen() const { return open_.load(); }
  // Whether a reader thread still waits for line events of the open port (it ends early
  // when the device vanishes).
  bool readerActive() const;
  // The name that the last doOpen read.
  std::string currentPortName() const;
  // Whether system device changes are followed now.
  bool watchingPorts() const;

  // The text of a list for onPortList: the names separated by CR LF, as the list controls'
  // Strings; the empty text for no port.
  static std::string portListText(const std::vector<std::string>& names);

 private:
  struct Reader;
  struct RetiredReader {
    std::thread thread;
    std::shared_ptr<Reader> reader;
  };

  // On failure `why` holds the text for onErrorText.
  bool openProcedure(const std::string& name, std::int32_t baud, std::int32_t dtr,
                     std::int32_t rts, std::string& why);
  void closeProcedure();
  bool startReader(const std::shared_ptr<SerialPort>& port);
  void stopReader();
  void joinRetired();
  // Whether the calling thread runs on behalf of the reader (so must not wait for it).
  static bool waitingForUs(std::thread::id reader);
  std::uint32_t eventMask() const;

  void readerLoop(const std::shared_ptr<Reader>& reader);
  void dispatch(Reader& reader, std::uint32_t events);
  bool queryModem(SerialPort& port);
  void errorCheck(SerialPort& port);

  std::shared_ptr<SerialPort> port() const;

  // The bytes of the running event not yet handed to the driver. The event's end may come
  // after the element is gone (a scheme is destroyed within an event), so that call shares
  // the outbox rather than the element.
  struct Outbox {
    std::mutex mutex;  // guards the members below
    std::shared_ptr<SerialPort> port;  // where the bytes go
    std::string bytes;
    bool flushKept = false;  // the event's end will send them
  };
  // Adds text to the running event's bytes for p; false outside an event.
  bool gather(const std::shared_ptr<SerialPort>& p, std::string_view text);
  // Hands the gathered bytes to the driver.
  static void flush(Outbox& box);
  void flushOutput() { flush(*outbox_); }

  // The names to list now (CheckPorts applied); false with the reason when there is no list.
  bool listNames(std::vector<std::string>& names, std::string& why) const;
  // Lists again and fires onPortList (only when it differs from the last list reported, if
  // `onlyChanges`); then onErrorText if the list could not be read.
  void reportPortList(bool onlyChanges);
  // The watch's report, on its thread: one graph event unless following has stopped.
  void portsChanged();
  // The reader found the device gone: says so and, while following, reports the list.
  void reportVanished(const std::shared_ptr<Reader>& reader, int error);
  void stopWatch();

  std::atomic<bool> open_{false};
  std::atomic<bool> closing_{false};
  std::atomic<bool> cts_{false};
  std::atomic<bool> dsr_{false};
  std::atomic<bool> rlsd_{false};

  mutable std::mutex mutex_;  // guards the members below
  std::shared_ptr<SerialPort> port_;
  std::shared_ptr<Reader> reader_;
  std::thread readerThread_;
  std::vector<RetiredReader> retired_;
  std::string portName_;
  std::unique_ptr<PortWatch> watch_;
  std::string lastList_;  // the list last reported, as portListText gives it

  const std::shared_ptr<Outbox> outbox_ = std::make_shared<Outbox>();

  std::atomic<bool> watchStopped_{true};
  std::atomic<int> watchReports_{0};  // reports of the watch under way
};

}  // namespace hi
