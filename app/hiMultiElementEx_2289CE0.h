// The device query: the sub-graph of the main graph's QueryBox. It asks the device for its
// identity with "VERS", gathers the answer until the line falls quiet, checks its first
// word, shows the device and its firmware version, and then hands the receive channel to the
// firmware upload. Without the start of an answer within two seconds it says that no device
// was found, and still listens for a late one; a line that failed meanwhile has said why
// itself, and that stays.
#pragma once

#include "elements/hiCase.h"
#include "elements/hiCounter.h"
#include "elements/hiDoData.h"
#include "elements/hiFormatStr.h"
#include "elements/hiGapGather.h"
#include "elements/hiHub.h"
#include "elements/hiMMTimer.h"
#include "elements/hiMultiBase.h"
#include "elements/hiMultiElementEx.h"
#include "elements/hiMultiStrPart.h"
#include "elements/hiStrMask.h"
#include "elements/hiVisibleText.h"

namespace hi {

class TClassMultiElementEx_2289CE0 : public TClassMultiBase {
 public:
  // Outer face: doWork 0 open result, 1 port chosen, 2 received chunk, 3 the line failed;
  // onEvent 0 bytes to send, 1 status text, 2 open the port, 3 no device, 4 identified;
  // GetVar 0 channel.
  static constexpr int WorkCount = 4;
  static constexpr int EventCount = 5;
  static constexpr int DataCount = 0;
  static constexpr int VarCount = 1;

  TClassMultiElementEx_2289CE0(void* ownerGraph, void* parentWindow);

  static MultiInstance createInstance(THIMultiElementEx* container, void* parentWindow,
                                     void* ownerGraph) {
    return createMultiInstance<TClassMultiElementEx_2289CE0>(container, parentWindow, ownerGraph);
  }

  THIEditMultiEx* QueryEdge;
  THIFormatStr* DeviceText;
  THIDoData* NoDeviceText;
  THIStrMask* IdentityMask;
  THIMultiStrPart* ReplySplit;
  THIHub* OpenHub;
  THICase* OpenResult;
  THIHub* NoDeviceHub;
  THIDoData* VersCommand;
  THIHub* StatusHub;
  THIHub* IdentifiedHub;
  THICounter* ChannelCounter;
  THIHub* VersHub;
  THIGapGather* AnswerGather;
  THIVisibleText* AnswerText;
  THIMMTimer* AnswerTimer;
  THIHub* AnswerHub;
  THIHub* ChunkHub;

 private:
  void connectElements();
};

}  // namespace hi
