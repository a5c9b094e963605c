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

  OpenHub = setupHub(create<THIHub>(), 1, 2);

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

  VersHub = setupHub(create<THIHub>(), 2, 1);

  connectElements();
}

void TClassMultiElementEx_2289CE0::connectElements() {
  QueryEdge->onWork[0] = makeEventPoint<&THICase::doCase>(0, OpenResult);
  QueryEdge->onWork[1] = makeEventPoint<&THIHub::doEvent>(0, OpenHub);
  QueryEdge->onWork[2] = makeEventPoint<&THIMultiStrPart::doSplit>(0, ReplySplit);
  QueryEdge->Var[0] = makeEventPoint<&THICounter::Count>(0, ChannelCounter);

  // OpenHub output 0 stays unconnected.
  OpenHub->onEvent[1] = makeEventPoint<&THIEditMultiEx::doEvent>(2, QueryEdge);
  OpenResult->onTrue = makeEventPoint<&THIHub::doEvent>(0, NoDeviceHub);
  OpenResult->onNextCase = makeEventPoint<&THIHub::doEvent>(0, VersHub);
  VersHub->onEvent[0] = makeEventPoint<&THIDoData::doData>(0, VersCommand);
  VersCommand->onEventData = makeEventPoint<&THIEditMultiEx::doEvent>(0, QueryEdge);

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
