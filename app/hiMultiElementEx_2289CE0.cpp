#include "app/hiMultiElementEx_2289CE0.h"

#include "app/SchemeBuild.h"
#include "runtime/Cp1251.h"

namespace hi {

TClassMultiElementEx_2289CE0::TClassMultiElementEx_2289CE0(void* ownerGraph, void* parentWindow)
    : TClassMultiBase(ownerGraph, parentWindow) {
  QueryEdge = createEdge(WorkCount, VarCount);

  DeviceText = create<THIFormatStr>(2);
  DeviceText->Mask = cp1251("Устройство: %1   Текущая версия ПО: %2");

  NoDeviceText = create<THIDoData>();
  NoDeviceText->Data = makeString(cp1251("На этом порту устройств не найдено."));

  IdentityMask = create<THIStrMask>();
  IdentityMask->Mask = "TORMISAPLEX";
  IdentityMask->IgnoreCase = 1;

  ReplySplit = create<THIMultiStrPart>(3);
  ReplySplit->Char = " ";
  ReplySplit->Skip = 0;

  OpenHub = setupHub(create<THIHub>(), 1, 3);

  OpenResult = create<THICase>();
  OpenResult->Value = makeInteger(0);

  NoDeviceHub = setupHub(create<THIHub>(), 4, 2);

  VersCommand = create<THIDoData>();
  VersCommand->Data = makeString("VERS");

  StatusHub = setupHub(create<THIHub>(), 2, 1);
  IdentifiedHub = setupHub(create<THIHub>(), 1, 3);

  ChannelCounter = create<THICounter>();
  ChannelCounter->Min = 0;
  ChannelCounter->Max = 1;
  ChannelCounter->Step = 1;
  ChannelCounter->Direction = 0;
  ChannelCounter->setDefault(0);

  VersHub = setupHub(create<THIHub>(), 2, 2);

  // A USB serial adapter hands an answer over in pieces; one that cannot be set to low
  // latency holds bytes for up to 16 ms. 100 ms of quiet ends the answer with a wide margin;
  // an answer that has not yet shown its three words gets a second to go on.
  AnswerGather = create<THIGapGather>();
  AnswerGather->Gap = 100;
  AnswerGather->MaxLength = 4096;
  AnswerGather->Separator = " ";
  AnswerGather->WholeParts = 3;
  AnswerGather->PartGap = 1000;

  AnswerText = create<THIVisibleText>();
  AnswerText->Placeholder = cp1251("¤");

  AnswerTimer = create<THIMMTimer>();
  AnswerTimer->Resolution = 1;
  AnswerTimer->Interval = 2000;
  AnswerTimer->setEnabled(false);
  AnswerTimer->AutoStop = 1;

  AnswerHub = setupHub(create<THIHub>(), 1, 2);
  ChunkHub = setupHub(create<THIHub>(), 1, 2);

  connectElements();
}

void TClassMultiElementEx_2289CE0::connectElements() {
  QueryEdge->onWork[0] = makeEventPoint<&THICase::doCase>(0, OpenResult);
  QueryEdge->onWork[1] = makeEventPoint<&THIHub::doEvent>(0, OpenHub);
  QueryEdge->onWork[2] = makeEventPoint<&THIHub::doEvent>(0, ChunkHub);
  QueryEdge->onWork[3] = makeEventPoint<&THIMMTimer::doStop>(1, AnswerTimer);
  QueryEdge->Var[0] = makeEventPoint<&THICounter::Count>(0, ChannelCounter);

  // A port chosen: what the last port said is forgotten, then the port is opened.
  OpenHub->onEvent[0] = makeEventPoint<&THIGapGather::doClear>(0, AnswerGather);
  OpenHub->onEvent[1] = makeEventPoint<&THIMMTimer::doStop>(1, AnswerTimer);
  OpenHub->onEvent[2] = makeEventPoint<&THIEditMultiEx::doEvent>(2, QueryEdge);
  OpenResult->onTrue = makeEventPoint<&THIHub::doEvent>(0, NoDeviceHub);
  OpenResult->onNextCase = makeEventPoint<&THIHub::doEvent>(0, VersHub);
  VersHub->onEvent[0] = makeEventPoint<&THIDoData::doData>(0, VersCommand);
  VersHub->onEvent[1] = makeEventPoint<&THIMMTimer::doStart>(0, AnswerTimer);
  VersCommand->onEventData = makeEventPoint<&THIEditMultiEx::doEvent>(0, QueryEdge);

  // Two seconds without an answer look like no device; a late answer still counts. An
  // answer that has begun is judged when it is whole, however slowly it comes.
  AnswerTimer->onTimer = makeEventPoint<&THIHub::doEvent>(3, NoDeviceHub);
  ChunkHub->onEvent[0] = makeEventPoint<&THIMMTimer::doStop>(1, AnswerTimer);
  ChunkHub->onEvent[1] = makeEventPoint<&THIGapGather::doAdd>(0, AnswerGather);

  // The whole answer, shown safely, is split into its words.
  AnswerGather->onAnswer = makeEventPoint<&THIHub::doEvent>(0, AnswerHub);
  AnswerHub->onEvent[0] = makeEventPoint<&THIMMTimer::doStop>(1, AnswerTimer);
  AnswerHub->onEvent[1] = makeEventPoint<&THIVisibleText::doText>(0, AnswerText);
  AnswerText->onText = makeEventPoint<&THIMultiStrPart::doSplit>(0, ReplySplit);

  ReplySplit->onNotFound = makeEventPoint<&THIHub::doEvent>(2, NoDeviceHub);
  ReplySplit->onSplit = makeEventPoint<&THIStrMask::doCompare>(0, IdentityMask);
  IdentityMask->inText = makeEventPoint<&THIMultiStrPart::Part>(0, ReplySplit);
  IdentityMask->onTrue = makeEventPoint<&THIHub::doEvent>(0, IdentifiedHub);
  IdentityMask->onFalse = makeEventPoint<&THIHub::doEvent>(1, NoDeviceHub);

  NoDeviceHub->onEvent[0] = makeEventPoint<&THIEditMultiEx::doEvent>(3, QueryEdge);
  NoDeviceHub->onEvent[1] = makeEventPoint<&THIDoData::doData>(0, NoDeviceText);
  NoDeviceText->onEventData = makeEventPoint<&THIHub::doEvent>(0, StatusHub);

  IdentifiedHub->onEvent[0] = makeEventPoint<&THIFormatStr::doString>(0, DeviceText);
  IdentifiedHub->onEvent[1] = makeEventPoint<&THICounter::doNext>(0, ChannelCounter);
  IdentifiedHub->onEvent[2] = makeEventPoint<&THIEditMultiEx::doEvent>(4, QueryEdge);
  DeviceText->inStr[0] = makeEventPoint<&THIMultiStrPart::Part>(1, ReplySplit);
  DeviceText->inStr[1] = makeEventPoint<&THIMultiStrPart::Part>(2, ReplySplit);
  DeviceText->onFString = makeEventPoint<&THIHub::doEvent>(1, StatusHub);
  StatusHub->onEvent[0] = makeEventPoint<&THIEditMultiEx::doEvent>(1, QueryEdge);
}

}  // namespace hi
