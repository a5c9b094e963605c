#include "app/hiMultiElementEx_228A260.h"

#include "app/SchemeBuild.h"

namespace hi {

namespace {

THICounter* setupCounter(THICounter* counter, std::int32_t max) {
  counter->Min = 0;
  counter->Max = max;
  counter->Step = 1;
  counter->Direction = 0;
  counter->setDefault(0);
  return counter;
}

}  // namespace

TClassMultiElementEx_228A260::TClassMultiElementEx_228A260(void* ownerGraph, void* parentWindow)
    : TClassMultiBase(ownerGraph, parentWindow) {
  UploadEdge = createEdge(WorkCount, VarCount);

  ByteToChar = create<THIConvertor>();
  ByteToChar->Mode = THIConvertor::ModeCharacter;
  ByteToChar->Digits = 1;

  ImageReader = create<THIDataToFile>(DataToFileType::Byte);
  BlockCounter = setupCounter(create<THICounter>(), 1015);
  BlockStartHub = setupHub(create<THIHub>(), 2, 1);
  // A complete reply is the one expected; eight hex digits ending in "FZ" make the end reply.
  FinalAckMask = create<THIStrMask>();
  FinalAckMask->Mask = "????465A";
  FinalAckMask->IgnoreCase = 1;
  ReplyHub = setupHub(create<THIHub>(), 1, 4);

  FirmwareImage = create<THIMemoryStream>();
  FirmwareImage->Load(loadResourceStream("STREAM0"));

  BlockLoop = create<THIFor>();
  BlockLoop->Start = 0;
  BlockLoop->End = 255;
  BlockLoop->Step = 1;
  BlockLoop->IncludeEnd = 1;
  BlockLoop->InData = 0;
  BlockLoop->BreakEvent = 0;

  BlockAckHub = setupHub(create<THIHub>(), 1, 2);
  SendHub = setupHub(create<THIHub>(), 2, 1);
  FinalHub = setupHub(create<THIHub>(), 1, 3);

  StartCommand = create<THIDoData>();
  StartCommand->Data = makeString("PUSK");

  ImageCrc = create<THICRC16_32>();
  ImageCrc->HexInput = 1;
  ImageCrc->Mode = 0;
  ImageCrc->Polynom = "$A001";
  ImageCrc->Init = "$FFFF";
  ImageCrc->SwapResult = 0;

  ByteToHex = create<THIConvertor>();
  ByteToHex->Mode = THIConvertor::ModeHex;
  ByteToHex->Digits = 1;

  ByteHub = setupHub(create<THIHub>(), 1, 2);
  ReplyHex = create<THIStream2Hex>();

  FinalMaskText = create<THIStrCat>();
  FinalMaskText->Str1 = "";
  FinalMaskText->Str2 = "465A";  // "FZ" in hexadecimal

  UploadFailHub = setupHub(create<THIHub>(), 2, 3);

  Watchdog = create<THIMMTimer>();
  Watchdog->Resolution = 1;
  Watchdog->Interval = 1000;
  Watchdog->setEnabled(false);
  Watchdog->AutoStop = 0;
  Watchdog->QuietTicks = 1;  // a reply that comes as a tick falls due wins
  Watchdog->Urgent = 1;      // a line that hangs inside a transfer is silence too

  SilenceCounter = setupCounter(create<THICounter>(), 100);
  UploadStartHub = setupHub(create<THIHub>(), 1, 2);

  SilenceLimit = create<THIIf_else>();
  SilenceLimit->Type = 0;
  SilenceLimit->Op2 = makeInteger(3);

  ImageEnd = create<THIBlockGuard>();
  ReplyGather = create<THIReplyGather>();
  BlockReplyText = create<THIDoData>();  // its Data input, the running CRC, is connected

  connectElements();
}

void TClassMultiElementEx_228A260::connectElements() {
  UploadEdge->onWork[0] = makeEventPoint<&THIHub::doEvent>(0, ReplyHub);
  UploadEdge->onWork[1] = makeEventPoint<&THIHub::doEvent>(0, UploadStartHub);
  UploadStartHub->onEvent[0] = makeEventPoint<&THIHub::doEvent>(1, BlockStartHub);
  UploadStartHub->onEvent[1] = makeEventPoint<&THIMMTimer::doStart>(0, Watchdog);

  // One block: 256 image bytes, each sent, then added to the running CRC.
  BlockStartHub->onEvent[0] = makeEventPoint<&THIFor::doFor>(0, BlockLoop);
  BlockLoop->onEvent = makeEventPoint<&THIDataToFile::doGet>(1, ImageReader);
  ImageReader->inStream = makeEventPoint<&THIMemoryStream::Stream>(0, FirmwareImage);
  ImageReader->onGet = makeEventPoint<&THIHub::doEvent>(0, ByteHub);
  ByteHub->onEvent[0] = makeEventPoint<&THIConvertor::doConvert>(0, ByteToChar);
  ByteHub->onEvent[1] = makeEventPoint<&THIConvertor::doConvert>(0, ByteToHex);
  ByteToChar->onResult = makeEventPoint<&THIHub::doEvent>(1, SendHub);
  StartCommand->onEventData = makeEventPoint<&THIHub::doEvent>(0, SendHub);
  SendHub->onEvent[0] = makeEventPoint<&THIEditMultiEx::doEvent>(1, UploadEdge);
  ByteToHex->onResult = makeEventPoint<&THICRC16_32::doCRC>(0, ImageCrc);
  ImageCrc->inInit = makeEventPoint<&THIEditMultiEx::GetData>(0, UploadEdge);
  ImageCrc->onCRC = makeEventPoint<&THIEditMultiEx::doEvent>(4, UploadEdge);

  // The block is on the wire: expect its reply, the CRC, and after the last block the end
  // reply, the CRC followed by "FZ".
  BlockLoop->onStop = makeEventPoint<&THIBlockGuard::doCheck>(0, ImageEnd);
  ImageEnd->inStream = makeEventPoint<&THIMemoryStream::Stream>(0, FirmwareImage);
  ImageEnd->onMore = makeEventPoint<&THIDoData::doData>(0, BlockReplyText);
  ImageEnd->onEnd = makeEventPoint<&THIStrCat::doStrCat>(0, FinalMaskText);
  BlockReplyText->inData = makeEventPoint<&THIEditMultiEx::GetData>(0, UploadEdge);
  BlockReplyText->onEventData = makeEventPoint<&THIReplyGather::doExpect>(1, ReplyGather);
  FinalMaskText->inStr1 = makeEventPoint<&THIEditMultiEx::GetData>(0, UploadEdge);
  FinalMaskText->onStrCat = makeEventPoint<&THIReplyGather::doExpect>(1, ReplyGather);

  // A reply is gathered until complete: the end, or the next block; a wrong one fails at
  // once. Every chunk starts the silence count over.
  ReplyHub->onEvent[0] = makeEventPoint<&THIStream2Hex::doConvert>(0, ReplyHex);
  ReplyHub->onEvent[1] = makeEventPoint<&THIEditMultiEx::doEvent>(5, UploadEdge);
  ReplyHub->onEvent[2] = makeEventPoint<&THICounter::doReset>(0, SilenceCounter);
  ReplyHub->onEvent[3] = makeEventPoint<&THIMMTimer::doAlive>(1, Watchdog);
  ReplyHex->onResult = makeEventPoint<&THIReplyGather::doAdd>(0, ReplyGather);
  ReplyGather->onReply = makeEventPoint<&THIStrMask::doCompare>(0, FinalAckMask);
  ReplyGather->onWrong = makeEventPoint<&THIHub::doEvent>(0, UploadFailHub);
  FinalAckMask->onTrue = makeEventPoint<&THIHub::doEvent>(0, FinalHub);
  FinalAckMask->onFalse = makeEventPoint<&THIHub::doEvent>(0, BlockAckHub);
  BlockAckHub->onEvent[0] = makeEventPoint<&THICounter::doNext>(0, BlockCounter);
  BlockAckHub->onEvent[1] = makeEventPoint<&THIHub::doEvent>(0, BlockStartHub);
  BlockCounter->onNext = makeEventPoint<&THIEditMultiEx::doEvent>(0, UploadEdge);
  FinalHub->onEvent[0] = makeEventPoint<&THIDoData::doData>(0, StartCommand);
  FinalHub->onEvent[1] = makeEventPoint<&THIEditMultiEx::doEvent>(2, UploadEdge);
  FinalHub->onEvent[2] = makeEventPoint<&THIMMTimer::doStop>(1, Watchdog);

  // The watchdog: the third tick without a reply is a failure.
  Watchdog->onTimer = makeEventPoint<&THICounter::doNext>(0, SilenceCounter);
  SilenceCounter->onNext = makeEventPoint<&THIIf_else::doCompare>(0, SilenceLimit);
  SilenceLimit->inOp1 = makeEventPoint<&THICounter::Count>(0, SilenceCounter);
  SilenceLimit->onTrue = makeEventPoint<&THIHub::doEvent>(1, UploadFailHub);

  // A failure is final: nothing more is expected, the watchdog stops, then it is reported.
  UploadFailHub->onEvent[0] = makeEventPoint<&THIReplyGather::doClear>(2, ReplyGather);
  UploadFailHub->onEvent[1] = makeEventPoint<&THIMMTimer::doStop>(1, Watchdog);
  UploadFailHub->onEvent[2] = makeEventPoint<&THIEditMultiEx::doEvent>(3, UploadEdge);
}

}  // namespace hi
