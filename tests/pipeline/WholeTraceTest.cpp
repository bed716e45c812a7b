// The whole trace's store: lines across pages, which line is which message,
// and find over any range, forward and backward, in either case.
#include <gtest/gtest.h>

#include <string>

#include "pipeline/WholeTrace.h"

namespace vantrel {
namespace {

std::string LineText(std::size_t i) { return "Msg " + std::to_string(i) + " [Start]#50[W] " + std::string(i % 7, 'x'); }

class WholeTraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t_.ClearLines();
    t_.ClearMessages();
  }
  // n lines; every 1000th (and the first) a note.
  void Fill(std::size_t n) {
    DisplayLines batch;
    for (std::size_t i = 0; i < n; ++i) {
      batch.Add(LineText(i), i % 1000 != 0);
      if (batch.size() == 777) {  // batches that straddle pages
        t_.AppendLines(batch);
        batch.Clear();
      }
    }
    t_.AppendLines(batch);
  }
  WholeTrace t_;
};

TEST_F(WholeTraceTest, LinesAndTheirMessagesAcrossPages) {
  Fill(10'000);
  t_.AppendNote("Log File Exhausted, Trace Terminated.");
  ASSERT_EQ(t_.LineCount(), 10'001u);
  for (std::size_t i : {0u, 1u, 4095u, 4096u, 4097u, 8191u, 8192u, 9999u}) EXPECT_EQ(t_.Line(i), LineText(i)) << i;
  EXPECT_EQ(t_.Line(10'000), "Log File Exhausted, Trace Terminated.");
  EXPECT_EQ(t_.Line(10'001), "");
  // Notes are no messages; the message lines count 0, 1, 2... between them.
  EXPECT_EQ(t_.MessageOfLine(0), std::nullopt);
  EXPECT_EQ(t_.MessageOfLine(1), 0u);
  EXPECT_EQ(t_.MessageOfLine(999), 998u);
  EXPECT_EQ(t_.MessageOfLine(1000), std::nullopt);
  EXPECT_EQ(t_.MessageOfLine(1001), 999u);
  EXPECT_EQ(t_.MessageOfLine(9999), 9989u);
  EXPECT_EQ(t_.MessageOfLine(10'000), std::nullopt);
  EXPECT_EQ(t_.MessageOfLine(10'001), std::nullopt);
  t_.ClearLines();
  EXPECT_EQ(t_.LineCount(), 0u);
  EXPECT_EQ(t_.Find("Msg", true, 0, 10, false), std::nullopt);
}

TEST_F(WholeTraceTest, FindWithinTheRangeInEitherDirection) {
  Fill(10'000);
  const std::size_t all = t_.LineCount();
  EXPECT_EQ(t_.Find("Msg 5000 ", true, 0, all, false), 5000u);
  EXPECT_EQ(t_.Find("Msg 5000 ", true, 0, 5000, false), std::nullopt);  // lines 0..4999
  EXPECT_EQ(t_.Find("Msg 5000 ", true, 5000, 1, false), 5000u);
  EXPECT_EQ(t_.Find("Msg 5000 ", true, 9999, all, true), 5000u);
  EXPECT_EQ(t_.Find("Msg 5000 ", true, 9999, 4999, true), std::nullopt);  // lines 5001..9999
  // Forward finds the first match, backward the last, each line once.
  EXPECT_EQ(t_.Find("xxxxxx", true, 4090, all, false), 4094u);
  EXPECT_EQ(t_.Find("xxxxxx", true, 4095, all, false), 4101u);  // over a page's end
  EXPECT_EQ(t_.Find("xxxxxx", true, 4100, all, true), 4094u);
  EXPECT_EQ(t_.Find("xxxxxx", true, 4101, 1, true), 4101u);
  EXPECT_EQ(t_.Find("xxxxxx", true, 4100, 6, true), std::nullopt);
  // Case folds only without matchCase.
  EXPECT_EQ(t_.Find("msg 7 [start]", true, 0, all, false), std::nullopt);
  EXPECT_EQ(t_.Find("msg 7 [start]", false, 0, all, false), 7u);
  EXPECT_EQ(t_.Find("MSG 9998 [START]#50[W] XX", false, 0, all, false), 9998u);
  // No match runs from one line into the next.
  EXPECT_EQ(t_.Find("xx\nMsg", true, 0, all, false), std::nullopt);
  EXPECT_EQ(t_.Find("xxMsg", false, 0, all, false), std::nullopt);
  // Ranges past either end are cut, not overrun.
  EXPECT_EQ(t_.Find("Msg 0 ", true, 3, 1'000'000, true), 0u);
  EXPECT_EQ(t_.Find("Msg 9999 ", true, 9990, 1'000'000, false), 9999u);
  EXPECT_EQ(t_.Find("Msg", true, all, 10, false), std::nullopt);
  EXPECT_EQ(t_.Find("", true, 0, all, false), std::nullopt);
}

TEST_F(WholeTraceTest, EachMessageComesBackAsItsOwnTables) {
  MessageRecord r;
  r.msgNumberLow = 7;
  r.address = 0xA0;
  r.byteCount = 2;
  r.startMinutes = 1ull << 40;  // beyond 32 bits
  r.startMicroseconds = 59'999'999;
  r.durationMicroseconds = 300;
  const std::vector<TraceWord> first = {0x01000001, 0x02A00000, 0x04000000};
  const std::vector<TraceWord> second = {0x01000002, 0x04000003};
  t_.AppendMessage(r, first);
  r.msgNumberLow = 8;
  t_.AppendMessage(r, second);
  t_.AppendMessage(r, {});
  ASSERT_EQ(t_.MessageCount(), 3u);
  const WholeTrace::OneMessage one = t_.Message(0);
  const MessageTablesView v = one.View();
  ASSERT_EQ(v.recordNext, 2u);
  EXPECT_EQ(v.records[1].msgNumberLow, 7u);
  EXPECT_EQ(v.records[1].startMinutes, 1ull << 40);
  EXPECT_EQ(v.records[1].startMicroseconds, 59'999'999u);
  EXPECT_EQ(v.records[1].durationMicroseconds, 300u);
  EXPECT_EQ(v.records[1].startIndex, 1u);
  EXPECT_EQ(v.records[1].stopIndex, 3u);
  ASSERT_EQ(v.wordCount, 3u);
  EXPECT_EQ(std::vector<TraceWord>(v.words + 1, v.words + 4), first);
  // Indices go on over the whole trace; the view's words start after them.
  const WholeTrace::OneMessage two = t_.Message(1);
  EXPECT_EQ(two.View().records[1].startIndex, 4u);
  EXPECT_EQ(two.View().records[1].stopIndex, 5u);
  EXPECT_EQ(two.View().wordBase, 3u);
  EXPECT_EQ(two.View().wordCount, 5u);
  EXPECT_EQ(two.View().words[2], 0x04000003u);
  const std::vector<std::string> lines = MessageDiagnosticsLines({0, 8}, two.View());
  EXPECT_EQ(lines.back(), "Packet[2] = 04000003");
  EXPECT_EQ(t_.Message(2).records[1].stopIndex, 5u);  // a message whose words did not fit
  const std::vector<std::string> none = MessageDiagnosticsLines({0, 8}, t_.Message(2).View());
  EXPECT_EQ(none[none.size() - 2], "Start2Stop Time: 00000000:0000012C");  // and no packets
  EXPECT_EQ(none.back(), "");
  EXPECT_EQ(t_.Message(3).View().recordNext, 1u);  // none
  t_.ClearMessages();
  EXPECT_EQ(t_.MessageCount(), 0u);
}

}  // namespace
}  // namespace vantrel
