// The firmware upload: the sub-graph of the main graph's UploadBox. It sends the embedded
// firmware image in blocks of 256 bytes with a running CRC-16/MODBUS, gathers the device's
// acknowledgement after every block until it is complete, sends "PUSK" when the device
// reports the end after the last block, and reports failure on a wrong reply or three
// seconds of silence. Success and failure are final: after either, nothing more is sent and
// nothing received is judged.
#pragma once

#include "elements/hiBlockGuard.h"
#include "elements/hiCRC16_32.h"
#include "elements/hiConvertor.h"
#include "elements/hiCounter.h"
#include "elements/hiDataToFile.h"
#include "elements/hiDoData.h"
#include "elements/hiFor.h"
#include "elements/hiHub.h"
#include "elements/hiIf_else.h"
#include "elements/hiMMTimer.h"
#include "elements/hiMemoryStream.h"
#include "elements/hiMultiBase.h"
#include "elements/hiMultiElementEx.h"
#include "elements/hiReplyGather.h"
#include "elements/hiStrCat.h"
#include "elements/hiStrMask.h"
#include "elements/hiStream2Hex.h"

namespace hi {

// Whether the upload's failure event (onEvent 3) says the device fell silent: the watchdog
// reports its count of silent seconds, an integer; a wrong reply comes as the gathered text.
inline bool failedOnSilence(const TData& failure) {
  return failure.type == dtInteger;
}

class TClassMultiElementEx_228A260 : public TClassMultiBase {
 public:
  // Outer face: doWork 0 received chunk, 1 start; onEvent 0 progress, 1 bytes to send,
  // 2 success, 3 failure (see failedOnSilence), 4 new running CRC, 5 every chunk; Data 0
  // the running CRC.
  static constexpr int WorkCount = 2;
  static constexpr int EventCount = 6;
  static constexpr int DataCount = 1;
  static constexpr int VarCount = 0;

  TClassMultiElementEx_228A260(void* ownerGraph, void* parentWindow);

  static MultiInstance createInstance(THIMultiElementEx* container, void* parentWindow,
                                     void* ownerGraph) {
    return createMultiInstance<TClassMultiElementEx_228A260>(container, parentWindow, ownerGraph);
  }

  THIEditMultiEx* UploadEdge;
  THIConvertor* ByteToChar;
  THIDataToFile* ImageReader;
  THICounter* BlockCounter;
  THIHub* BlockStartHub;
  THIStrMask* FinalAckMask;
  THIHub* ReplyHub;
  THIMemoryStream* FirmwareImage;
  THIFor* BlockLoop;
  THIHub* BlockAckHub;
  THIHub* SendHub;
  THIHub* FinalHub;
  THIDoData* StartCommand;
  THICRC16_32* ImageCrc;
  THIConvertor* ByteToHex;
  THIHub* ByteHub;
  THIStream2Hex* ReplyHex;
  THIStrCat* FinalMaskText;
  THIHub* UploadFailHub;
  THIMMTimer* Watchdog;
  THICounter* SilenceCounter;
  THIHub* UploadStartHub;
  THIIf_else* SilenceLimit;
  THIBlockGuard* ImageEnd;
  THIReplyGather* ReplyGather;
  THIDoData* BlockReplyText;

 private:
  void connectElements();
};

}  // namespace hi
