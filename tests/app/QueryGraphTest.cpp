#include <gtest/gtest.h>

#include "app/hiMultiElementEx_2289CE0.h"
#include "runtime/Cp1251.h"
#include "runtime/EventGate.h"
#include "tests/app/GraphProbes.h"
#include "tests/support/Polling.h"

using namespace hi;
using hi::test::pollUntil;
using hi::test::Recorder;

namespace {

// The query container as the main graph uses it, with the port's open result answered by
// the test.
class QueryGraph : public ::testing::Test {
 protected:
  void SetUp() override {
    box.onEvent.resize(TClassMultiElementEx_2289CE0::EventCount);
    for (int i = 0; i < TClassMultiElementEx_2289CE0::EventCount; ++i)
      box.onEvent[i] = out[i].point();
    box.setCreator(&TClassMultiElementEx_2289CE0::createInstance);
    enableRuntime();
  }
  void TearDown() override { disableRuntime(); }

  std::int32_t channel() {
    TData d;
    box.GetVar(d, 0);
    return toInteger(d);
  }
  TClassMultiElementEx_2289CE0* graph() {
    return box.currentGraph<TClassMultiElementEx_2289CE0>();
  }
  // Events hold the gate, as in the program: the quiet time and the answer timer end on
  // threads of their own.
  void piece(const std::string& chunk) {
    EventScope event;
    TData d = makeString(chunk);
    box.doWork(d, 2);
  }
  // The line falls quiet: the answer gathered so far is complete.
  void quiet() {
    EventScope event;
    TData d;
    fireEvent(makeEventPoint<&THIGapGather::doFlush>(0, graph()->AnswerGather), d);
  }
  void receive(const std::string& answer) {
    piece(answer);
    quiet();
  }
  void choose() {
    EventScope event;
    TData d = makeString("COM3");
    box.doWork(d, 1);
  }
  void openResult(std::int32_t port) {
    EventScope event;
    TData d = makeInteger(port);
    box.doWork(d, 0);
  }
  std::string lastStatus() { return toString(out[1].last()); }

  Recorder out[TClassMultiElementEx_2289CE0::EventCount];
  THIMultiElementEx box;
};

}  // namespace

TEST_F(QueryGraph, ChoosingAPortOpensItAndAnOpenPortGetsVers) {
  TData choice = makeString("COM3");
  box.doWork(choice, 1);
  EXPECT_EQ(out[2].count(), 1u);  // open the port now
  EXPECT_EQ(out[0].count(), 0u);

  openResult(3);
  ASSERT_EQ(out[0].count(), 1u);
  EXPECT_EQ(toString(out[0].last()), "VERS");
  EXPECT_EQ(out[1].count(), 0u);
}

TEST_F(QueryGraph, APortThatFailedToOpenShowsNoDevice) {
  openResult(0);
  EXPECT_EQ(out[0].count(), 0u);
  EXPECT_EQ(out[3].count(), 1u);
  EXPECT_EQ(lastStatus(), cp1251("На этом порту устройств не найдено."));
}

TEST_F(QueryGraph, AnIdentifiedDeviceShowsItsWordsAndSwitchesTheChannel) {
  EXPECT_EQ(channel(), 0);
  receive("tormisaplex 10 4.2");
  EXPECT_EQ(lastStatus(), cp1251("Устройство: 10   Текущая версия ПО: 4.2"));
  EXPECT_EQ(channel(), 1);
  ASSERT_EQ(out[4].count(), 1u);
  EXPECT_EQ(toString(out[4].last()), "tormisaplex");
  EXPECT_EQ(out[3].count(), 0u);
}

TEST_F(QueryGraph, AnswersThatDoNotIdentifyADevice) {
  const std::string noDevice = cp1251("На этом порту устройств не найдено.");
  for (const char* answer : {"TORMISAPLEX", "TORMISAPLEXX 10 4.2", "OTHER 10 4.2", ""}) {
    receive(answer);
    EXPECT_EQ(lastStatus(), noDevice) << answer;
    EXPECT_EQ(channel(), 0) << answer;
  }
  EXPECT_EQ(out[4].count(), 0u);
}

TEST_F(QueryGraph, ShortAndLongAnswers) {
  receive("TORMISAPLEX 10");
  EXPECT_EQ(lastStatus(), cp1251("Устройство: 10   Текущая версия ПО: "));

  receive("TORMISAPLEX  4.2\r\n");  // two blanks give an empty word
  EXPECT_EQ(lastStatus(), cp1251("Устройство:    Текущая версия ПО: 4.2¤¤"));
}

TEST_F(QueryGraph, ControlCharactersOfTheAnswerAreShownAsPlaceholders) {
  static const char answer[] = "TORMISAPLEX 1\x00" "0\x1b[2J 4.2\x7f";
  receive(std::string(answer, sizeof answer - 1));
  EXPECT_EQ(lastStatus(), cp1251("Устройство: 1¤0¤[2J   Текущая версия ПО: 4.2¤"));
}

TEST_F(QueryGraph, AnAnswerInPiecesIsJudgedWholeOnceTheLineFallsQuiet) {
  piece("TORM");
  piece("ISAPLEX 1");
  EXPECT_EQ(out[1].count(), 0u);
  piece("0 4.2");
  // The quiet time of the program itself, on its timer thread; then that event's end.
  ASSERT_TRUE(pollUntil([&] { return out[1].count() > 0; }));
  EventScope settled;
  EXPECT_EQ(lastStatus(), cp1251("Устройство: 10   Текущая версия ПО: 4.2"));
  EXPECT_EQ(channel(), 1);
  EXPECT_EQ(out[1].count(), 1u);
}

TEST_F(QueryGraph, NoAnswerShowsNoDeviceOnceYetALateAnswerStillIdentifies) {
  graph()->AnswerTimer->Interval = 20;  // 2 s in the program
  choose();
  openResult(3);
  ASSERT_TRUE(pollUntil([&] { return out[1].count() > 0; }));
  EXPECT_EQ(lastStatus(), cp1251("На этом порту устройств не найдено."));
  receive("TORMISAPLEX 10 4.2");
  EXPECT_EQ(channel(), 1);
  EXPECT_EQ(out[1].count(), 2u);  // no-device once, then the device
}

TEST_F(QueryGraph, TheStartOfAnAnswerOrAFailedLineEndsTheWaitForOne) {
  // An answer that begins just before the two seconds are up, or pauses inside itself, is
  // judged when whole, never taken for no answer meanwhile.
  choose();
  openResult(3);
  ASSERT_TRUE(graph()->AnswerTimer->running());
  piece("T");
  EXPECT_FALSE(graph()->AnswerTimer->running());
  // The port went (unplugged, say): it said so itself, and no verdict of ours follows.
  choose();
  openResult(3);
  ASSERT_TRUE(graph()->AnswerTimer->running());
  {
    EventScope event;
    TData gone = makeString("COM3: gone");
    box.doWork(gone, 3);
  }
  EXPECT_FALSE(graph()->AnswerTimer->running());
  EXPECT_EQ(out[3].count(), 0u);
}

TEST_F(QueryGraph, AFreshChoiceForgetsAHalfAnswerAndAsksAgain) {
  choose();
  openResult(3);
  piece("TORMISAPLEX 10 4.");
  choose();
  openResult(3);
  EXPECT_EQ(out[0].count(), 2u);  // "VERS" again
  receive("TORMISAPLEX 11 4.3");
  EXPECT_EQ(lastStatus(), cp1251("Устройство: 11   Текущая версия ПО: 4.3"));
}
