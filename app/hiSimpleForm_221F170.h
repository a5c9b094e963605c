// The main scheme: the main window with its controls and the main graph's non-visual
// elements, created in a fixed order, configured, connected and started.
#pragma once

#include "runtime/Scheme.h"

namespace hi {

class THISimpleForm;
class THILabel;
class THIButton;
class THIEdit;
class THIComboBox;
class THIProgressBar;
class THIImage;
class THIHub;
class THIMultiElementEx;
class THICommutator;
class THIComAsync;
class THIDoData;
class THIEventFromData;
class THISwitch;
class THIIf_else;
class THIMMTimer;

class TClassSimpleForm_221F170 : public Scheme {
 public:
  // Builds the whole graph; the runtime stays off until MainForm->Start().
  TClassSimpleForm_221F170();
  ~TClassSimpleForm_221F170() override;

  // The elements, in creation order. The containers get MainForm (a THISimpleForm*) as
  // their parent window and this scheme as their owner graph.
  THISimpleForm* MainForm = nullptr;
  THILabel* ErrorLabel = nullptr;
  THILabel* CheckLabel = nullptr;
  THIButton* WriteButton = nullptr;
  THIEdit* StatusEdit = nullptr;
  THIComboBox* PortBox = nullptr;
  THIHub* WriteHub = nullptr;
  THIMultiElementEx* QueryBox = nullptr;
  THIMultiElementEx* UploadBox = nullptr;
  THICommutator* RxRouter = nullptr;
  THIComAsync* SerialPort = nullptr;
  THIHub* StartHub = nullptr;
  THIProgressBar* UploadProgress = nullptr;
  THIHub* FoundHub = nullptr;
  THIDoData* LockPortBox = nullptr;
  THIHub* CloseHub = nullptr;
  THILabel* VersionLabel = nullptr;
  THIEdit* CrcEdit = nullptr;
  THILabel* CrcRxLabel = nullptr;
  THILabel* CrcLabel = nullptr;
  THIHub* ButtonHub = nullptr;
  THIEventFromData* PortName = nullptr;
  THIHub* SelectHub = nullptr;
  THIHub* EndHub = nullptr;
  THIDoData* HideValue = nullptr;
  THIDoData* ShowValue = nullptr;
  THIHub* HideHub = nullptr;
  THIHub* FormEnableHub = nullptr;
  THIHub* OkHub = nullptr;
  THIButton* OkButton = nullptr;
  THILabel* DoneLabel = nullptr;
  THIHub* DoneHub = nullptr;
  THIDoData* DoneValue = nullptr;
  THIDoData* ErrorValue = nullptr;
  THIHub* FailHub = nullptr;
  THIHub* ErrorShowHub = nullptr;
  THIImage* ErrorImage = nullptr;
  THIEventFromData* ErrorMark = nullptr;
  THIDoData* ClearMark = nullptr;
  THISwitch* DoneSwitch = nullptr;
  THIIf_else* FailGate = nullptr;
  THIMMTimer* SettleDelay = nullptr;
  THIIf_else* PortTextGate = nullptr;
  THIHub* PortTextHub = nullptr;
  THIDoData* WriteOff = nullptr;
  THIHub* SettleHub = nullptr;

 private:
  // Each creates its elements in creation order and sets their properties.
  void createWindow();
  void createElements();
  // The main graph's connections.
  void connectElements();
  // Hands each control's Hint to the shared tooltip service.
  void attachHints();
  // Lets the containers build their sub-graphs: QueryBox first, then UploadBox.
  void createContainers();
};

}  // namespace hi
