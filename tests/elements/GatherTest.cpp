// Gathering what a serial line hands over in pieces.
#include <atomic>
#include <chrono>
#include <thread>

#include "elements/hiGapGather.h"
#include "elements/hiReplyGather.h"
#include "runtime/EventGate.h"
#include "tests/support/Probes.h"
#include "tests/support/Polling.h"

using namespace hi;
using hi::test::Action;
using hi::test::pollUntil;
using hi::test::Probe;

namespace {

class Gather : public hi::test::LiveRuntime {
 protected:
  void SetUp() override {
    LiveRuntime::SetUp();
    reply.onReply = replies.point();
    reply.onWrong = wrong.point();
    got.run = [this](TData& d) {
      answer = toString(d);
      ++answers;
    };
  }
  template <auto Method, class T>
  void fire(T& element, const std::string& text) {
    EventScope event;
    TData d = makeString(text);
    fireEvent(makeEventPoint<Method>(0, &element), d);
  }
  void add(const std::string& piece) { fire<&THIReplyGather::doAdd>(reply, piece); }

  THIReplyGather reply;
  Probe replies, wrong;
  // What a gap gather under test hands over.
  Action got;
  std::atomic<int> answers{0};
  std::string answer;
};

}  // namespace

TEST_F(Gather, AReplyIsWholeTheMomentItsLastPieceArrives) {
  add("4B37");  // nothing expected yet: dropped
  fire<&THIReplyGather::doExpect>(reply, "4B37465A");
  for (const char* piece : {"4B", "", "3", "7465", "A"}) {
    EXPECT_TRUE(replies.seen.empty());
    add(piece);
  }
  ASSERT_EQ(replies.seen.size(), 1u);
  EXPECT_EQ(toString(replies.seen[0]), "4B37465A");
  EXPECT_FALSE(reply.expecting());
  add("4B37465A");  // judged once: the same again is dropped
  EXPECT_EQ(replies.seen.size(), 1u);
  EXPECT_TRUE(wrong.seen.empty());
}

TEST_F(Gather, AReplyThatCannotBecomeTheExpectedOneIsWrongAtOnce) {
  for (const char* tail : {"38", "3700"}) {  // a wrong byte; a byte too many
    fire<&THIReplyGather::doExpect>(reply, "4B37");
    add("4B");
    add(tail);
    ASSERT_FALSE(wrong.seen.empty()) << tail;
    EXPECT_EQ(toString(wrong.seen.back()), std::string("4B") + tail);
    EXPECT_FALSE(reply.expecting());
  }
  EXPECT_TRUE(replies.seen.empty());

  // A new expectation forgets what was gathered for the last one.
  fire<&THIReplyGather::doExpect>(reply, "4B37");
  add("4B");
  fire<&THIReplyGather::doExpect>(reply, "4B37");
  add("37");
  EXPECT_EQ(wrong.seen.size(), 3u);
}

TEST_F(Gather, AnAnswerIsWholeWhenTheLineHasBeenQuiet) {
  THIGapGather gather;
  gather.Gap = 20;
  gather.onAnswer = got.point();
  for (const char* piece : {"TORM", "", "ISAPLEX 10", " 4.2"}) fire<&THIGapGather::doAdd>(gather, piece);
  ASSERT_TRUE(pollUntil([&] { return answers.load() > 0; }));
  EXPECT_FALSE(gather.gathering());
  {
    EventScope event;  // the answer was set inside the timer's graph event
    EXPECT_EQ(answer, "TORMISAPLEX 10 4.2");
  }

  // Cleared pieces are forgotten; a flush hands over at once; so does a full answer.
  gather.Gap = 60000;
  fire<&THIGapGather::doAdd>(gather, "stale");
  fire<&THIGapGather::doClear>(gather, "");
  fire<&THIGapGather::doAdd>(gather, "fresh");
  fire<&THIGapGather::doFlush>(gather, "");
  EXPECT_EQ(answers.load(), 2);
  EXPECT_EQ(answer, "fresh");
  gather.MaxLength = 4;
  fire<&THIGapGather::doAdd>(gather, "12345");
  EXPECT_EQ(answers.load(), 3);
  EXPECT_EQ(answer, "12345");
  EXPECT_FALSE(gather.gathering());
}

// A device that pauses inside its answer must not have it judged in halves; an answer that
// never becomes whole is still handed over once the longer quiet has passed.
TEST_F(Gather, AnAnswerShortOfItsPartsWaitsForTheLongerQuiet) {
  THIGapGather gather;
  gather.Gap = 10;
  gather.Separator = " ";
  gather.WholeParts = 3;
  gather.PartGap = 60000;
  gather.onAnswer = got.point();
  for (const char* piece : {"TORMISAPLEX", "TORMISAPLEX 10 "}) {
    fire<&THIGapGather::doClear>(gather, "");
    fire<&THIGapGather::doAdd>(gather, piece);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // twenty quiet gaps
    EXPECT_EQ(answers.load(), 0) << piece;
  }
  fire<&THIGapGather::doAdd>(gather, "4.2");
  ASSERT_TRUE(pollUntil([&] { return answers.load() == 1; }));
  {
    EventScope event;
    EXPECT_EQ(answer, "TORMISAPLEX 10 4.2");
  }
  gather.PartGap = 50;
  fire<&THIGapGather::doAdd>(gather, "OK");
  ASSERT_TRUE(pollUntil([&] { return answers.load() == 2; }));
  EventScope event;
  EXPECT_EQ(answer, "OK");
}
