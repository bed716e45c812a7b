// The decoder's messages as the program keeps them: statistics for every
// message, the displayed-message tables for the shown ones.
#include <gtest/gtest.h>

#include "ProgramDecoder.h"
#include "filters/AddressFilter.h"

namespace vantrel::test {
namespace {

// An acknowledged write of 00 and 12 to address byte A0: 90 us per byte.
const std::vector<TraceWord> kWrite = {Start(0), Byte(0xA0, 90), Byte(0x00, 180), Byte(0x12, 270), Stop(280)};

using MessageTablesTest = ProgramDecoderTest;

TEST_F(MessageTablesTest, ShownMessagesFillTheTablesInOrder) {
  Feed(kWrite);
  SetAddressState(0x51, DSEL);  // hidden, but counted
  Feed({Start(500), Byte(0xA2, 590), Stop(600)});
  Feed({Start(1000), Byte(0xA4, 1090), Stop(1100)});
  EXPECT_EQ(gStats.entries[0x51].messagesLow, 1u);
  ASSERT_EQ(gMsgTables.recordNext, 3u);
  const MessageRecord& r1 = gMsgTables.records[1];
  const MessageRecord& r2 = gMsgTables.records[2];
  EXPECT_EQ(r1.startIndex, 1u);
  EXPECT_EQ(r1.stopIndex, 5u);
  EXPECT_EQ(r1.byteCount, 3u);
  EXPECT_EQ(r2.startIndex, 6u);
  EXPECT_EQ(r2.stopIndex, 8u);
  EXPECT_EQ(r2.msgNumberLow, 3u);
  EXPECT_EQ(gMsgTables.words[6], Start(1000));
  EXPECT_EQ(gMsgTables.wordNext, 9u);
}

TEST_F(MessageTablesTest, OverflowKeepsTheLastSlotAndDropsLaterWords) {
  std::vector<TraceWord> words;
  for (std::uint32_t i = 0; i < kMsgRecordTableSize + 5; ++i) words.insert(words.end(), {Start(0), Byte(0xA0, 0), Stop(0)});
  Feed(words);
  EXPECT_EQ(gMsgTables.recordNext, kMsgRecordTableSize);
  EXPECT_EQ(gMsgTables.records[kMsgRecordTableSize].msgNumberLow, kMsgRecordTableSize + 5);
  words.clear();
  for (int m = 0; m < 230; ++m) {
    words.push_back(Start(0));
    words.insert(words.end(), 997, Byte(0xA0, 0));
    words.push_back(Stop(0));
  }
  Feed(words);
  EXPECT_EQ(gMsgTables.wordNext, kMsgWordBufferSize);
}

TEST_F(MessageTablesTest, NoLineOnceTheTraceStoppedButTheMessageIsCounted) {
  EndTraceState();
  EXPECT_TRUE(Feed(kWrite).empty());
  EXPECT_EQ(gStats.entries[0x50].messagesLow, 1u);
  EXPECT_EQ(gMsgTables.recordNext, 1u);
  BeginTraceState();
  EXPECT_EQ(One(kWrite), "Msg     2 [Start]#A0[W] 00 12 [Stop]");
}

}  // namespace
}  // namespace vantrel::test
