#include "app/hiSimpleForm_221F170.h"

#include "app/hiMultiElementEx_2289CE0.h"
#include "app/hiMultiElementEx_228A260.h"
#include "app/SchemeBuild.h"

#include "elements/hiComAsync.h"
#include "elements/hiCommutator.h"
#include "elements/hiDoData.h"
#include "elements/hiEventFromData.h"
#include "elements/hiHub.h"
#include "elements/hiIf_else.h"
#include "elements/hiMultiElementEx.h"
#include "elements/hiMMTimer.h"
#include "elements/hiSwitch.h"
#include "runtime/Cp1251.h"
#include "window/Colors.h"
#include "window/Pictures.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiImage.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"
#include "window/hiSimpleForm.h"

namespace hi {

namespace {

TFontRec sansSerif(std::uint8_t size, std::uint8_t style = 0) {
  return makeFontRec("MS Sans Serif", size, style, 0, 1);
}

// The properties every control of this window sets.
void place(THIWin* c, std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
           const TFontRec& font, std::uint32_t colour, bool visible, bool enabled) {
  c->Left = left;
  c->Top = top;
  c->Width = width;
  c->Height = height;
  c->Font = font;
  c->Color = colour;
  c->Visible = visible ? 1 : 0;
  c->Enabled = enabled ? 1 : 0;
  c->TabOrder = 0;
  c->Frame3D = 1;
  c->ParentFont = 0;
  c->MouseCapture = 0;
}

void setContainer(THIMultiElementEx* box, void* ownerGraph, std::size_t events, std::size_t data) {
  box->Mode = 0;
  box->ownerGraph = ownerGraph;
  box->onEvent.resize(events);
  box->inData.resize(data);
}

}  // namespace

TClassSimpleForm_221F170::TClassSimpleForm_221F170() {
  // A new main graph has nothing ready, even after an earlier one ran in this process:
  // otherwise the containers would run the start-up handlers before Start.
  GraphReady = 0;
  createWindow();
  createElements();
  connectElements();
  attachHints();
  createContainers();
  MainForm->enableKeyboardNavigation();
}

TClassSimpleForm_221F170::~TClassSimpleForm_221F170() {
  // The elements go while the derived part still exists, the last created first.
  destroyElements();
}

void TClassSimpleForm_221F170::createWindow() {
  MainForm = create<THISimpleForm>();
  MainForm->Left = 200;
  MainForm->Top = 200;
  MainForm->Width = 616;
  MainForm->Height = 162;
  MainForm->Color = clBtnFace;
  MainForm->Caption = "Tormisaplex bootloader";
  MainForm->BorderStyle = 1;
  MainForm->Icon = iconResource("ASMA");  // none: the default icon
  MainForm->DragAnywhere = 1;
  MainForm->Visible = 1;
  MainForm->Enabled = 1;
  MainForm->TabOrder = 0;
  MainForm->Frame3D = 1;
  MainForm->init();
}

void TClassSimpleForm_221F170::createElements() {
  const TFontRec font8 = sansSerif(8);
  const TFontRec font10 = sansSerif(10);

  ErrorLabel = create<THILabel>(MainForm);
  place(ErrorLabel, 0, 0, 610, 24, font10, clBtnFace, false, true);
  ErrorLabel->Align = 2;
  ErrorLabel->setAutoSize(1);
  ErrorLabel->setTextAlign(2);
  ErrorLabel->Caption = cp1251("Ошибка при передаче данных!");
  ErrorLabel->init();

  CheckLabel = create<THILabel>(MainForm);
  place(CheckLabel, 0, 24, 610, 24, font10, clBtnFace, false, true);
  CheckLabel->Align = 2;
  CheckLabel->setAutoSize(1);
  CheckLabel->setTextAlign(2);
  CheckLabel->Caption = cp1251("Проверьте все соединения и попробуйте ещё раз.");
  CheckLabel->init();

  WriteButton = create<THIButton>(MainForm);
  place(WriteButton, 5, 50, 85, 30, font8, clBtnFace, true, false);
  WriteButton->TabOrder = 2;
  WriteButton->Caption = cp1251("Записать");
  WriteButton->Data = makeInteger(0);
  WriteButton->DefaultButton = 0;
  WriteButton->init();

  StatusEdit = create<THIEdit>(MainForm);
  place(StatusEdit, 110, 10, 320, 25, font8, cl3DLight, true, true);
  StatusEdit->Frame3D = 0;
  StatusEdit->Text = cp1251("Выберите порт с подключённым устройством.");
  StatusEdit->ReadOnly = 1;
  StatusEdit->TextAlign = 0;
  StatusEdit->init();

  PortBox = create<THIComboBox>(MainForm);
  place(PortBox, 10, 10, 85, 24, font8, clWindow, true, true);
  // First in the Tab order, so it has the focus at start; then «Записать», then «OK».
  PortBox->TabOrder = 1;
  PortBox->Editable = 1;
  PortBox->Sorted = 0;
  PortBox->ReportText = 1;
  PortBox->SelectAdded = 0;
  PortBox->init();

  WriteHub = setupHub(create<THIHub>(), 2, 1);

  QueryBox = create<THIMultiElementEx>(static_cast<void*>(MainForm));
  setContainer(QueryBox, this, 5, 0);

  UploadBox = create<THIMultiElementEx>(static_cast<void*>(MainForm));
  setContainer(UploadBox, this, 6, 1);

  RxRouter = create<THICommutator>();
  RxRouter->InCount = 1;
  RxRouter->setOutCount(2);

  SerialPort = create<THIComAsync>();
  SerialPort->Port = "";
  SerialPort->Baud = 38462;
  SerialPort->DataBits = 3;
  SerialPort->Parity = 0;
  SerialPort->ParityCheck = 0;
  SerialPort->ErrorReplace = 0;
  SerialPort->ErrorChar = 0;
  SerialPort->StopBits = 0;
  SerialPort->DTR = 0;
  SerialPort->RTS = 0;
  SerialPort->CtsFlow = 0;
  SerialPort->DsrFlow = 0;
  SerialPort->DsrSensitivity = 0;
  SerialPort->TxContinueOnXoff = 0;
  SerialPort->InX = 0;
  SerialPort->OutX = 0;
  SerialPort->XonChar = 17;
  SerialPort->XoffChar = 19;
  SerialPort->NullDiscard = 0;
  SerialPort->AbortOnError = 1;
  SerialPort->EvtChar = 0;
  SerialPort->InQueue = 4096;
  SerialPort->OutQueue = 4096;
  SerialPort->EvRxChar = 1;
  SerialPort->EvRxFlag = 0;
  SerialPort->EvTxEmpty = 0;
  SerialPort->EvCTS = 0;
  SerialPort->EvDSR = 0;
  SerialPort->EvRLSD = 0;
  SerialPort->EvBreak = 0;
  SerialPort->EvErr = 0;
  SerialPort->EvRing = 0;
  SerialPort->EvRx80Full = 0;
  SerialPort->ReadInterval = -1;
  SerialPort->ReadTotalMultiplier = 0;
  SerialPort->ReadTotalConstant = 0;
  SerialPort->WriteTotalMultiplier = 100;
  SerialPort->WriteTotalConstant = 1000;
  SerialPort->CheckPorts = 1;
  SerialPort->FlushOnClose = 0;
  SerialPort->WatchPorts = 1;  // the list follows the adapters until a device is identified

  StartHub = setupHub(create<THIHub>(), 1, 4);

  UploadProgress = create<THIProgressBar>(MainForm);
  place(UploadProgress, 5, 90, 600, 30, font8, clBtnFace, true, true);
  UploadProgress->Frame3D = 0;
  UploadProgress->Max = 1015;
  UploadProgress->Smooth = 1;
  UploadProgress->Vertical = 0;
  UploadProgress->BarColor = clBtnShadow;
  UploadProgress->init();

  FoundHub = setupHub(create<THIHub>(), 1, 3);

  LockPortBox = create<THIDoData>();
  LockPortBox->Data = makeInteger(0);

  CloseHub = setupHub(create<THIHub>(), 2, 1);

  VersionLabel = create<THILabel>(MainForm);
  place(VersionLabel, 110, 55, 272, 20, font8, clBtnFace, true, true);
  VersionLabel->setAutoSize(1);
  VersionLabel->setTextAlign(0);
  VersionLabel->Caption = cp1251("Версия ПО для обновления:4.2 (KLM7/VLM7)");
  VersionLabel->init();

  CrcEdit = create<THIEdit>(MainForm);
  place(CrcEdit, 45, 145, 85, 25, font8, clWindow, false, true);
  CrcEdit->Frame3D = 0;
  CrcEdit->Text = "FFFF";  // the upload's running checksum starts here
  CrcEdit->ReadOnly = 0;
  CrcEdit->init();

  CrcRxLabel = create<THILabel>(MainForm);
  place(CrcRxLabel, 140, 150, 101, 20, font8, clBtnFace, true, true);
  CrcRxLabel->setAutoSize(1);
  CrcRxLabel->setTextAlign(0);
  CrcRxLabel->Caption = cp1251("CRC принятый:");
  CrcRxLabel->init();

  CrcLabel = create<THILabel>(MainForm);
  place(CrcLabel, 10, 150, 35, 20, font8, clBtnFace, true, true);
  CrcLabel->setAutoSize(1);
  CrcLabel->setTextAlign(0);
  CrcLabel->Caption = "CRC:";
  CrcLabel->init();

  ButtonHub = setupHub(create<THIHub>(), 2, 1);

  PortName = create<THIEventFromData>();

  SelectHub = setupHub(create<THIHub>(), 1, 3);

  EndHub = setupHub(create<THIHub>(), 2, 2);

  HideValue = create<THIDoData>();
  HideValue->Data = makeInteger(0);

  ShowValue = create<THIDoData>();
  ShowValue->Data = makeInteger(1);

  HideHub = setupHub(create<THIHub>(), 1, 5);

  FormEnableHub = setupHub(create<THIHub>(), 2, 1);

  OkHub = setupHub(create<THIHub>(), 1, 2);

  OkButton = create<THIButton>(MainForm);
  place(OkButton, 245, 60, 115, 30, font8, clBtnFace, false, true);
  OkButton->TabOrder = 3;
  OkButton->Caption = "OK";
  OkButton->DefaultButton = 0;
  OkButton->init();

  DoneLabel = create<THILabel>(MainForm);
  place(DoneLabel, 5, 0, 492, 54, sansSerif(10, FontBold), clBtnFace, false, true);
  DoneLabel->setAutoSize(0);
  DoneLabel->setTextAlign(2);
  DoneLabel->Caption = std::string(29, ' ') + cp1251("ПО успешно обновлено!") + "\r\n" +
                       std::string(24, ' ') + cp1251("Сбросте настройки по умолчанию!");
  DoneLabel->init();

  DoneHub = setupHub(create<THIHub>(), 1, 3);

  DoneValue = create<THIDoData>();
  DoneValue->Data = makeInteger(1);

  ErrorValue = create<THIDoData>();
  ErrorValue->Data = makeInteger(1);

  FailHub = setupHub(create<THIHub>(), 1, 2);

  ErrorShowHub = setupHub(create<THIHub>(), 1, 3);

  ErrorImage = create<THIImage>(MainForm);
  place(ErrorImage, 145, 3, 15, 14, font8, clBtnFace, false, true);
  ErrorImage->setPicture(bitmapResource("BITMAP0"));  // none: an empty picture
  ErrorImage->SmoothStretch = 1;
  ErrorImage->AutoSize = 0;
  ErrorImage->init();

  ErrorMark = create<THIEventFromData>();

  ClearMark = create<THIDoData>();
  ClearMark->Data = makeInteger(0);

  DoneSwitch = create<THISwitch>();
  DoneSwitch->DataOn = makeInteger(1);
  DoneSwitch->DataOff = makeInteger(0);
  DoneSwitch->setDefault(1);

  FailGate = create<THIIf_else>();
  FailGate->Type = 0;
  FailGate->Op2 = makeInteger(0);

  // The device starts its new firmware meanwhile. A timer, not a wait on the reader thread:
  // the graph stays free, so a close during the wait is not held up by it.
  SettleDelay = create<THIMMTimer>();
  SettleDelay->Resolution = 1;
  SettleDelay->Interval = 15000;  // ms
  SettleDelay->setEnabled(false);
  SettleDelay->AutoStop = 1;

  // What the port says of itself counts until "PUSK": a device that starts its new firmware
  // may drop its line, which is no news for the user.
  PortTextGate = create<THIIf_else>();
  PortTextGate->Type = 0;
  PortTextGate->Op2 = makeInteger(0);

  PortTextHub = setupHub(create<THIHub>(), 1, 3);

  WriteOff = create<THIDoData>();
  WriteOff->Data = makeInteger(0);

  SettleHub = setupHub(create<THIHub>(), 1, 2);
}

void TClassSimpleForm_221F170::connectElements() {
  using Box = THIMultiElementEx;
  using Port = THIComAsync;

  // Start and close.
  MainForm->onCreate = makeEventPoint<&Port::doEnumPorts>(4, SerialPort);
  SerialPort->onPortName = makeEventPoint<&THIComboBox::doAdd>(0, PortBox);
  // The list anew as the user opens it, and as adapters come and go.
  PortBox->onDropDown = makeEventPoint<&Port::doRefreshPorts>(6, SerialPort);
  SerialPort->onPortList = makeEventPoint<&THIComboBox::doSetItems>(0, PortBox);
  MainForm->onClose = makeEventPoint<&THIHub::doEvent>(0, CloseHub);
  CloseHub->onEvent[0] = makeEventPoint<&Port::doClose>(1, SerialPort);

  // A port chosen: close the open one, keep the name, let the query open it.
  PortBox->onChange = makeEventPoint<&THIHub::doEvent>(0, SelectHub);
  SelectHub->onEvent[0] = makeEventPoint<&THIHub::doEvent>(1, CloseHub);
  SelectHub->onEvent[1] = makeEventPoint<&THIEventFromData::doData>(0, PortName);
  SelectHub->onEvent[2] = makeEventPoint<&Box::doWork>(1, QueryBox);
  SerialPort->inPort = makeEventPoint<&THIEventFromData::GetData>(0, PortName);
  SerialPort->onOpen = makeEventPoint<&Box::doWork>(0, QueryBox);
  // Why a port did not open, why no port is listed, or that the line went: after the
  // query's own verdict, and in place of any verdict still to come. A gone device cannot
  // take an upload.
  SerialPort->onErrorText = makeEventPoint<&THIIf_else::doCompare>(0, PortTextGate);
  PortTextGate->inOp1 = makeEventPoint<&THISwitch::State>(0, DoneSwitch);
  PortTextGate->onTrue = makeEventPoint<&THIHub::doEvent>(0, PortTextHub);
  PortTextHub->onEvent[0] = makeEventPoint<&Box::doWork>(3, QueryBox);
  PortTextHub->onEvent[1] = makeEventPoint<&THIDoData::doData>(0, WriteOff);
  PortTextHub->onEvent[2] = makeEventPoint<&THIEdit::doText>(0, StatusEdit);
  WriteOff->onEventData = makeEventPoint<&THIWin::doEnabled>(1, WriteButton);

  // Everything received goes to the query until a device is identified, then to the upload.
  SerialPort->onRxChar = makeEventPoint<&Port::doRead>(3, SerialPort);
  SerialPort->onRead = makeEventPoint<&THICommutator::doWork>(0, RxRouter);
  RxRouter->inIndex = makeEventPoint<&Box::GetVar>(0, QueryBox);
  RxRouter->onEvent[0] = makeEventPoint<&Box::doWork>(2, QueryBox);
  RxRouter->onEvent[1] = makeEventPoint<&Box::doWork>(0, UploadBox);

  // The device query.
  QueryBox->onEvent[0] = makeEventPoint<&THIHub::doEvent>(0, WriteHub);
  QueryBox->onEvent[1] = makeEventPoint<&THIEdit::doText>(0, StatusEdit);
  QueryBox->onEvent[2] = makeEventPoint<&Port::doOpen>(0, SerialPort);
  // «Записать» is enabled before the port box is locked, so the focus passes to it.
  QueryBox->onEvent[4] = makeEventPoint<&THIHub::doEvent>(0, FoundHub);
  FoundHub->onEvent[0] = makeEventPoint<&THIHub::doEvent>(0, ButtonHub);
  FoundHub->onEvent[1] = makeEventPoint<&THIDoData::doData>(0, LockPortBox);
  FoundHub->onEvent[2] = makeEventPoint<&Port::doStopWatch>(7, SerialPort);  // the list is locked
  LockPortBox->onEventData = makeEventPoint<&THIWin::doEnabled>(1, PortBox);
  ButtonHub->onEvent[0] = makeEventPoint<&THIWin::doEnabled>(1, WriteButton);
  WriteHub->onEvent[0] = makeEventPoint<&Port::doWrite>(2, SerialPort);

  // "Записать" starts the upload on a clean line and disables the window until the end.
  WriteButton->onClick = makeEventPoint<&THIHub::doEvent>(0, StartHub);
  StartHub->onEvent[0] = makeEventPoint<&Port::doPurge>(5, SerialPort);
  StartHub->onEvent[1] = makeEventPoint<&Box::doWork>(1, UploadBox);
  StartHub->onEvent[2] = makeEventPoint<&THIHub::doEvent>(1, ButtonHub);
  StartHub->onEvent[3] = makeEventPoint<&THIHub::doEvent>(0, FormEnableHub);
  FormEnableHub->onEvent[0] = makeEventPoint<&THISimpleForm::doEnabled>(0, MainForm);

  // The firmware upload; CrcEdit's text is its running CRC.
  UploadBox->onEvent[0] = makeEventPoint<&THIProgressBar::doPosition>(0, UploadProgress);
  UploadBox->onEvent[1] = makeEventPoint<&THIHub::doEvent>(1, WriteHub);
  UploadBox->onEvent[2] = makeEventPoint<&THISwitch::doSwitch>(0, DoneSwitch);
  UploadBox->onEvent[3] = makeEventPoint<&THIIf_else::doCompare>(0, FailGate);
  UploadBox->onEvent[4] = makeEventPoint<&THIEdit::doText>(0, CrcEdit);
  UploadBox->inData[0] = makeEventPoint<&THIEdit::TextOut>(0, CrcEdit);

  // Success: the settle time, then the success display. Nothing more goes to the device,
  // so the window may be closed meanwhile.
  DoneSwitch->onSwitch = makeEventPoint<&THIHub::doEvent>(0, SettleHub);
  SettleHub->onEvent[0] = makeEventPoint<&THIHub::doEvent>(1, FormEnableHub);
  SettleHub->onEvent[1] = makeEventPoint<&THIMMTimer::doStart>(0, SettleDelay);
  SettleDelay->onTimer = makeEventPoint<&THIHub::doEvent>(0, DoneHub);
  DoneHub->onEvent[0] = makeEventPoint<&THIHub::doEvent>(0, EndHub);
  DoneHub->onEvent[1] = makeEventPoint<&THIDoData::doData>(0, ClearMark);
  DoneHub->onEvent[2] = makeEventPoint<&THIDoData::doData>(0, DoneValue);
  ClearMark->onEventData = makeEventPoint<&THIEventFromData::doData>(0, ErrorMark);
  DoneValue->onEventData = makeEventPoint<&THIWin::doVisible>(0, DoneLabel);

  // Failure, only while no success was reported.
  FailGate->inOp1 = makeEventPoint<&THISwitch::State>(0, DoneSwitch);
  FailGate->onTrue = makeEventPoint<&THIHub::doEvent>(0, FailHub);
  FailHub->onEvent[0] = makeEventPoint<&THIHub::doEvent>(1, EndHub);
  FailHub->onEvent[1] = makeEventPoint<&THIDoData::doData>(0, ErrorValue);
  ErrorValue->inData = makeEventPoint<&THIEventFromData::GetData>(0, ErrorMark);
  ErrorValue->onEventData = makeEventPoint<&THIHub::doEvent>(0, ErrorShowHub);
  ErrorShowHub->onEvent[0] = makeEventPoint<&THIWin::doVisible>(0, CheckLabel);
  ErrorShowHub->onEvent[1] = makeEventPoint<&THIWin::doVisible>(0, ErrorLabel);
  ErrorShowHub->onEvent[2] = makeEventPoint<&THIWin::doVisible>(0, ErrorImage);

  // The end of either: hide the working controls, enable the window, show "OK".
  EndHub->onEvent[0] = makeEventPoint<&THIDoData::doData>(0, HideValue);
  EndHub->onEvent[1] = makeEventPoint<&THIDoData::doData>(0, ShowValue);
  HideValue->onEventData = makeEventPoint<&THIHub::doEvent>(0, HideHub);
  HideHub->onEvent[0] = makeEventPoint<&THIWin::doVisible>(0, PortBox);
  HideHub->onEvent[1] = makeEventPoint<&THIWin::doVisible>(0, StatusEdit);
  HideHub->onEvent[2] = makeEventPoint<&THIWin::doVisible>(0, UploadProgress);
  HideHub->onEvent[3] = makeEventPoint<&THIWin::doVisible>(0, WriteButton);
  HideHub->onEvent[4] = makeEventPoint<&THIWin::doVisible>(0, VersionLabel);
  ShowValue->onEventData = makeEventPoint<&THIHub::doEvent>(0, OkHub);
  OkHub->onEvent[0] = makeEventPoint<&THIHub::doEvent>(1, FormEnableHub);
  OkHub->onEvent[1] = makeEventPoint<&THIWin::doVisible>(0, OkButton);
  OkButton->onClick = makeEventPoint<&THISimpleForm::doClose>(0, MainForm);
}

void TClassSimpleForm_221F170::attachHints() {
  for (THIWin* control : std::initializer_list<THIWin*>{
           ErrorLabel, CheckLabel, WriteButton, StatusEdit, PortBox, UploadProgress, VersionLabel,
           CrcEdit, CrcRxLabel, CrcLabel, OkButton, DoneLabel, ErrorImage}) {
    control->attachHint();
  }
}

void TClassSimpleForm_221F170::createContainers() {
  QueryBox->setCreator(&TClassMultiElementEx_2289CE0::createInstance);
  UploadBox->setCreator(&TClassMultiElementEx_228A260::createInstance);
}

}  // namespace hi
