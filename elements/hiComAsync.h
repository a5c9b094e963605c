// The serial port element: lists the machine's ports, opens one with fixed line settings,
// writes text to it and reports line events from its own reader thread.
//
// Listing opens no port. CheckPorts leaves out of the list the ports whose device is not
// there (a map entry that leads nowhere); ports this user may not open, or that another
// program holds, stay listed, and choosing one says why it does not open (onErrorText).
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
#include <thread>
#include <vector>

#include "runtime/Element.h"
#include "runtime/Share.h"

namespace hi {

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

  // Input points: doOpen 0, doClose 1, doWrite 2, doRead 3, doEnumPorts 4, doPurge 5.
  void doOpen(TData& d, std::uint16_t index);
  void doClose(TData& d, std::uint16_t index);
  void doWrite(TData& d, std::uint16_t index);
  void doRead(TData& d, std::uint16_t index);
  void doEnumPorts(TData& d, std::uint16_t index);
  // Discards what was received and not yet read; fires nothing.
  void doPurge(TData& d, std::uint16_t index);

  // Output events.
  EventPoint onBeforeOpen;
  EventPoint onOpen;
  EventPoint onBeforeClose;
  EventPoint onClose;
  EventPoint onWrite;
  EventPoint onRead;
  EventPoint onPortName;
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
  // after onOpen 0; or, from doEnumPorts, why no port could be listed.
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

  // The line state as the last modem-line query found it.
  bool lineCTS() const { return cts_.load(); }
  bool lineDSR() const { return dsr_.load(); }
  bool lineRLSD() const { return rlsd_.load(); }

  bool isOpen() const { return open_.load(); }
  // Whether a reader thread still waits for line events of the open port (it ends early
  // when the device vanishes).
  bool readerActive() const;
  // The name that the last doOpen read.
  std::string currentPortName() const;

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
};

}  // namespace hi
