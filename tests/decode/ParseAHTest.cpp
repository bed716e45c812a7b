#include <gtest/gtest.h>

#include "decode/Format.h"
#include "DecoderFixture.h"

namespace vantrel::test {
namespace {

// An acknowledged write of 00 and 12 to address byte A0: 90 us per byte.
const std::vector<TraceWord> kWrite = {Start(0), Byte(0xA0, 90), Byte(0x00, 180), Byte(0x12, 270),
                                       Stop(280)};

TEST_F(DecoderTest, HexLinesForTheDisplayOptions) {
  EXPECT_EQ(One(kWrite), "Msg     1 [Start]#A0[W] 00 12 [Stop]");

  gDisplay.DisplayAck = true;
  EXPECT_EQ(One(kWrite), "Msg     2 [Start]#A0[W][A]00[A]12[A][Stop]");

  gDisplay.DisplayAck = false;
  gDisplay.DisplayRW = false;
  EXPECT_EQ(One({Start(0), Byte(0xA1, 90), Byte(0x55, 180, true), Stop(190)}),
            "Msg     3 [Start]#A0 55[N][Stop]");

  gDisplay.DisplayNack = false;
  gDisplay.DisplayStart = false;
  gDisplay.DisplayStop = false;
  gDisplay.DisplayRW = true;
  EXPECT_EQ(One({Start(0), Byte(0xA1, 90), Byte(0x55, 180, true), Stop(190)}), "Msg     4 #A0[R] 55 ");
}

TEST_F(DecoderTest, DataFormats) {
  const std::vector<TraceWord> bytes = {Start(0),         Byte(0xA0, 90),   Byte(0xA5, 180), Byte(0x41, 270),
                                        Byte(0x20, 360),  Byte(0x7D, 450),  Byte(0x7E, 540), Byte(0x1F, 630),
                                        Stop(640)};
  SelectDataProtocol(DataProtocol::BIN);
  EXPECT_EQ(One(bytes), "Msg     1 [Start]#A0[W] 1010.0101 0100.0001 0010.0000 0111.1101 0111.1110 0001.1111 [Stop]");
  SelectDataProtocol(DataProtocol::ASCII);
  EXPECT_EQ(One(bytes), "Msg     2 [Start]#A0[W] A5 A   } 7E 1F [Stop]");
  SelectDataProtocol(DataProtocol::HEX);
  EXPECT_EQ(One(bytes), "Msg     3 [Start]#A0[W] A5 41 20 7D 7E 1F [Stop]");
  // No button selected at all decodes as BIN.
  ClearDataProtocol(DataProtocol::HEX);
  EXPECT_EQ(One({Start(0), Byte(0xA0, 90), Byte(0x0F, 180), Stop(190)}), "Msg     4 [Start]#A0[W] 0000.1111 [Stop]");
  // IPMI decodes as HEX.
  SelectDataProtocol(DataProtocol::IPMI);
  EXPECT_EQ(One({Start(0), Byte(0xA0, 90), Byte(0x0F, 180), Stop(190)}), "Msg     5 [Start]#A0[W] 0F [Stop]");
}

TEST_F(DecoderTest, CommaDelimited) {
  SelectDataProtocol(DataProtocol::CD);
  EXPECT_EQ(One(kWrite), "1,[Start],A0,[W],00,12,[Stop],");
  gDisplay.DisplayAck = true;
  gDisplay.DisplayByteTime = true;
  gDisplay.DisplayStartTime = true;
  gDisplay.DisplayBitRate = true;
  EXPECT_EQ(One(kWrite),
            "2,[Start],0, 0, 0,A0,[W],[A],0, 0, 90,00,[A],0, 0, 180,12,[A],0, 0, 270,[Stop],0, 0, 280,96.4,");
  // The address byte is shown with R/W cleared, and never aliased.
  gDisplay = DisplayOptions{};
  SelectDataProtocol(DataProtocol::CD);
  EXPECT_EQ(One({Start(0), Byte(0xA1, 90), Byte(0x33, 180, true), Stop(190)}), "3,[Start],A0,[R],33,[N],[Stop],");
}

TEST_F(DecoderTest, AbsoluteAndRelativeTimes) {
  gDisplay.DisplayStartTime = true;
  gDisplay.DisplayByteTime = true;
  EXPECT_EQ(One(kWrite), "Msg     1 [Start][0uS]#A0[W] [90uS]00 [180uS]12 [270uS][Stop][280uS]");
  gDisplay.DisplayAbsTime = false;
  // Start time relative to the previous event (the last STOP at 280).
  EXPECT_EQ(One({Start(1280), Byte(0xA0, 1370), Stop(1400)}),
            "Msg     2 [Start][+1,000uS]#A0[W] [+90uS][Stop][+30uS]");
  gDisplay.DisplayAbsTime = true;
  EXPECT_EQ(One({Start(2000), Byte(0xA0, 2090), Stop(2100)}), "Msg     3 [Start][2,000uS]#A0[W] [90uS][Stop][100uS]");
}

TEST_F(DecoderTest, MinutesAndHoursFromWrapRecords) {
  gDisplay.DisplayStartTime = true;
  Feed({Start(0), Byte(0xA0, 90), Stop(100)});
  // 4766 wraps + 1102 us = 5 minutes 12,345,678 us; the clock keeps every microsecond.
  std::vector<TraceWord> idle;
  for (int i = 0; i < 47; ++i) idle.push_back(MakeIdleWord(101));
  idle.push_back(MakeIdleWord(4766 - 47 * 101));
  Feed(idle);
  EXPECT_EQ(One({Start(1102), Byte(0xA0, 1192), Stop(1200)}), "Msg     2 [Start][5M:12,345,678uS]#A0[W] [Stop]");
  // On to 65 minutes: 59509 wraps + 18176 us in all.
  idle.clear();
  std::uint32_t left = 59509 - 4766;
  while (left > 0) {
    const std::uint32_t n = std::min<std::uint32_t>(left, 101);
    idle.push_back(MakeIdleWord(n));
    left -= n;
  }
  Feed(idle);
  EXPECT_EQ(One({Start(18176), Byte(0xA0, 18266), Stop(18300)}), "Msg     3 [Start][1H:5M:0uS]#A0[W] [Stop]");
  const TraceClock clock = CurrentTraceClock();
  EXPECT_EQ(clock.hours, 1u);
  EXPECT_EQ(clock.minutes, 5u);
  EXPECT_EQ(clock.micros, 124u);
  EXPECT_EQ(CurrentTraceTime, (TraceTime{65, 124}));
}

// A pod's stamps can run backwards (a glitch, a damaged log): every time is
// then taken forward into the next minute, never as a negative time.
TEST_F(DecoderTest, StampsRunningBackwards) {
  gDisplay.DisplayStartTime = true;
  gDisplay.DisplayByteTime = true;
  gDisplay.DisplayAbsTime = false;
  EXPECT_EQ(One({Start(0), Byte(0xA0, 90), Stop(100)}), "Msg     1 [Start][+0uS]#A0[W] [+90uS][Stop][+10uS]");
  // Starts 50 us before the last STOP.
  EXPECT_EQ(One({Start(50), Byte(0xA0, 140), Stop(150)}),
            "Msg     2 [Start][+59,999,950uS]#A0[W] [+90uS][Stop][+10uS]");
  gDisplay.DisplayAbsTime = true;
  EXPECT_EQ(One({Start(20), Byte(0xA0, 110), Stop(120)}), "Msg     3 [Start][20uS]#A0[W] [90uS][Stop][100uS]");
  // A byte and a STOP stamped before their own START.
  EXPECT_EQ(One({Start(1000), Byte(0xA0, 900), Stop(950)}),
            "Msg     4 [Start][1,000uS]#A0[W] [59,999,900uS][Stop][59,999,950uS]");
  ASSERT_EQ(completed.size(), 4u);
  EXPECT_EQ(completed[1].record.durationMinutes, 0u);
  EXPECT_EQ(completed[1].record.durationMicroseconds, 100u);
  EXPECT_EQ(completed[1].record.startMinutes, 1u);
  EXPECT_EQ(completed[3].record.durationMicroseconds, 59'999'950u);
}

TEST_F(DecoderTest, WrapFlagsOnEventWords) {
  gDisplay.DisplayStartTime = true;
  gDisplay.DisplayByteTime = true;
  // The first START is time zero even when it falls on a wrap.
  EXPECT_EQ(One({Wrapped(Start(0)), Byte(0xA0, 90), Stop(100)}), "Msg     1 [Start][0uS]#A0[W] [90uS][Stop][100uS]");
  // A byte on the next wrap is stamped at the period's start, whatever its stamp bits.
  EXPECT_EQ(One({Start(65000), Wrapped(Byte(0xA0, 0xFFFF)), Stop(100)}),
            "Msg     2 [Start][65,000uS]#A0[W] [536uS][Stop][636uS]");
  // A wrap record never makes an event, and bit-timing records make no token.
  EXPECT_EQ(One({Start(200), kBitFlag | 0x00012C00u, MakeIdleWord(0), Byte(0xA0, 290), Stop(300)}),
            "Msg     3 [Start][65,736uS]#A0[W] [90uS][Stop][100uS]");
}

TEST_F(DecoderTest, RepeatedStart) {
  const std::vector<TraceWord> words = {Start(0),        Byte(0xA0, 90),        Byte(0x00, 180), Start(200),
                                        Byte(0xA1, 290), Byte(0x55, 380, true), Stop(400)};
  gDisplay.DisplayBitRate = true;
  // Five counted bytes: the repeated start counts as one.
  EXPECT_EQ(One(words), "Msg     1 [Start]#A0[W] 00 [RptStart]#A0[R] 55[N][Stop][112.5K Bits/Sec]");
  gDisplay.DisplayBitRate = false;
  gDisplay.DisplayByteTime = true;
  EXPECT_EQ(One(words), "Msg     2 [Start]#A0[W] [90uS]00 [180uS][RptStart][200uS]#A0[R] [290uS]55[N][380uS][Stop][400uS]");
  gDisplay.DisplayStart = false;
  EXPECT_EQ(One(words), "Msg     3 #A0[W] [90uS]00 [180uS]#A0[R] [290uS]55[N][380uS][Stop][400uS]");
}

TEST_F(DecoderTest, SeveralEventsInOneWord) {
  // The byte's token replaces the start's text of the same word.
  EXPECT_EQ(One({Start(0) | Byte(0xA0, 0), Byte(0x00, 90) | kStopFlag}), "#A0[W] 00 [Stop]");
  ASSERT_EQ(completed.size(), 1u);
  EXPECT_EQ(completed[0].record.byteCount, 2u);
}

TEST_F(DecoderTest, MessageNumbers) {
  SetMessageNumber(998, 0);
  EXPECT_EQ(One({Start(0), Stop(10)}), "Msg   999 [Start][Stop]");
  EXPECT_EQ(One({Start(20), Stop(30)}), "Msg 1,000 [Start][Stop]");
  SetMessageNumber(12344, 0);
  EXPECT_EQ(One({Start(40), Stop(50)}), "Msg 12,345 [Start][Stop]");
  SetMessageNumber(999'999'999, 0);
  EXPECT_EQ(One({Start(60), Stop(70)}), "Msg 1,000,000,000 [Start][Stop]");
  EXPECT_EQ(MsgNumberLow(), 0u);
  EXPECT_EQ(MsgNumberHigh(), 1u);
  EXPECT_EQ(One({Start(80), Stop(90)}), "Msg 1,000,000,001 [Start][Stop]");
  SelectDataProtocol(DataProtocol::CD);
  EXPECT_EQ(One({Start(100), Stop(110)}), "1000000002,[Start],[Stop],");
  SetMessageNumber(41, 0);
  EXPECT_EQ(One({Start(120), Stop(130)}), "42,[Start],[Stop],");
}

TEST_F(DecoderTest, BitRate) {
  gDisplay.DisplayBitRate = true;
  // An address byte alone: 9,000 / 100 us.
  EXPECT_EQ(One({Start(0), Byte(0xA0, 90), Stop(100)}), "Msg     1 [Start]#A0[W] [Stop][90.0K Bits/Sec]");
  EXPECT_EQ(One({Start(200), Byte(0xA0, 220), Stop(232)}), "Msg     2 [Start]#A0[W] [Stop][281.3K Bits/Sec]");
  // No bytes, or no duration: no token.
  EXPECT_EQ(One({Start(300), Stop(310)}), "Msg     3 [Start][Stop]");
  EXPECT_EQ(One({Start(400), Byte(0xA0, 400), Stop(400)}), "Msg     4 [Start]#A0[W] [Stop]");

  EXPECT_EQ(FormatBitRate(281.25f), "281.3");
  EXPECT_EQ(FormatBitRate(12328.77f), "12329.0");
  EXPECT_EQ(FormatBitRate(98.5f), "98.5");
  EXPECT_EQ(FormatBitRate(0.05f), "0.1");
  EXPECT_EQ(FormatBitRate(0.04f), "0.0");
  EXPECT_EQ(FormatBitRate(9.99996f), "10.0");
  EXPECT_EQ(FormatBitRate(99999.5f), "100000.0");
  EXPECT_EQ(FormatBitRate(1234567.0f), "1234600.0");
  EXPECT_EQ(FormatBitRate(BitRate(3, 280)), "96.4");
  // Rounded once: a first rounding to five digits would carry into the tenths.
  EXPECT_EQ(One({Start(500), Byte(0x16, 540), Stop(544)}), "Msg     5 [Start]#16[W] [Stop][204.5K Bits/Sec]");
  EXPECT_EQ(FormatBitRate(BitRate(5, 47)), "957.4");
  EXPECT_EQ(FormatBitRate(BitRate(4, 95)), "378.9");
  EXPECT_EQ(FormatBitRate(0.04999f), "0.0");
  EXPECT_EQ(FormatBitRate(9999.96f), "10000.0");
  EXPECT_EQ(FormatBitRate(99999.6f), "100000.0");
}

// The owner's verdicts decide which messages are shown; every message is
// handed on, shown or not, and the data filter is not asked about a message
// whose address was refused.
TEST_F(DecoderTest, FilterVerdictsDecideWhatIsShown) {
  static bool addressPasses, dataPasses;
  static int dataAsked;
  static std::string dataSeen;
  addressPasses = false, dataPasses = true, dataAsked = 0;
  InstallDecoderServices({
      .CheckAddressFilter = [](std::uint8_t, bool) { return addressPasses; },
      .CheckDataFilter =
          [](std::string_view hex) {
            ++dataAsked;
            dataSeen = hex;
            return dataPasses;
          },
      .MessageCompleted =
          [](const CompletedMessage& m) {
            completed.push_back({m.record, {m.words.begin(), m.words.end()}, m.shown, std::string(m.line)});
            return true;
          },
  });
  EXPECT_TRUE(Feed(kWrite).empty());
  EXPECT_EQ(dataAsked, 0);
  addressPasses = true;
  dataPasses = false;
  EXPECT_TRUE(Feed(kWrite).empty());
  EXPECT_EQ(dataSeen, "0012");
  gDisplay.DisplayFilter = false;
  EXPECT_EQ(One(kWrite), "Msg     3 [Start]#A0[W] 00 12 [Stop]");
  ASSERT_EQ(completed.size(), 3u);
  EXPECT_FALSE(completed[0].shown);
  EXPECT_FALSE(completed[1].shown);
  EXPECT_TRUE(completed[2].shown);
  EXPECT_EQ(completed[2].line, "Msg     3 [Start]#A0[W] 00 12 [Stop]");
  const MessageRecord& r = completed[2].record;
  EXPECT_EQ(r.address, 0xA0);
  EXPECT_EQ(r.byteCount, 3u);
  EXPECT_EQ(r.durationMicroseconds, 280u);
  EXPECT_EQ(completed[2].words, kWrite);
  EXPECT_EQ(r.startIndex, 1u);
  EXPECT_EQ(r.stopIndex, 5u);
}

TEST_F(DecoderTest, AMessageKeepsItsFirst999Words) {
  std::vector<TraceWord> longMsg = {Start(0), Byte(0xA0, 0)};
  for (int i = 0; i < 1200; ++i) longMsg.push_back(Byte(0x11, 0));
  longMsg.push_back(Stop(0));
  Feed(longMsg);
  ASSERT_EQ(completed.size(), 1u);
  EXPECT_EQ(completed[0].words.size(), 999u);
  EXPECT_EQ(completed[0].record.byteCount, 1201u);
}

TEST_F(DecoderTest, NoLineWhenTheOwnerCouldNotKeepTheMessage) {
  InstallDecoderServices({.MessageCompleted = [](const CompletedMessage& m) { return !m.shown; }});
  EXPECT_TRUE(Feed(kWrite).empty());
  InstallDecoderServices({});
  EXPECT_EQ(One(kWrite), "Msg     2 [Start]#A0[W] 00 12 [Stop]");
}

TEST_F(DecoderTest, WordsBeforeTheFirstStartAreIgnored) {
  gDisplay.DisplayStartTime = true;
  EXPECT_TRUE(Feed({Byte(0x11, 10), Stop(20), MakeIdleWord(101)}).empty());
  EXPECT_EQ(One({Start(500), Byte(0xA0, 590), Stop(600)}), "Msg     1 [Start][0uS]#A0[W] [Stop]");
}

TEST_F(DecoderTest, RawPrintsEveryWordAfterTheFirstStart) {
  SelectDataProtocol(DataProtocol::Raw);
  EXPECT_EQ(Feed({Byte(0x11, 10), Start(0x1234), Byte(0xA0, 0x1300), MakeIdleWord(5)}),
            (std::vector<std::string>{"04123400", "101300A0", "01000005"}));
  EXPECT_TRUE(completed.empty());
}

TEST_F(DecoderTest, OverlongLinesStopAtOneMarkThenTheStop) {
  std::vector<TraceWord> words = {Start(0), Byte(0xA0, 0)};
  words.insert(words.end(), 1'500'000, Byte(0x00, 0));
  words.push_back(Byte(0x00, 5) | kStopFlag);
  std::string line = One(words);
  EXPECT_LE(line.size(), kMaxLineChars + 64);
  EXPECT_EQ(line.substr(line.size() - 11), "[...][Stop]");
  EXPECT_TRUE(LiveMessageText().empty());

  // Long aliases and repeated starts: nothing but the STOP may follow the mark.
  InstallDecoderServices({.AliasText = [](int a) -> const std::string& {
    static const std::string alias(255, 'a');
    static const std::string other(255, 'b');
    return a == 0x50 ? alias : other;
  }});
  words = {Start(0)};
  for (int i = 0; i < 16'000; ++i) {
    words.push_back(Start(static_cast<std::uint32_t>(i)));
    words.push_back(Byte(0xA0, static_cast<std::uint32_t>(i)));
  }
  words.push_back(Stop(20));
  line = One(words);
  EXPECT_LE(line.size(), kMaxLineChars + 64);
  EXPECT_EQ(line.find("[...]"), line.rfind("[...]"));
  EXPECT_EQ(line.substr(line.size() - 11), "[...][Stop]");
}

TEST_F(DecoderTest, StrayStopsCarryNothingOfTheMessageBefore) {
  gDisplay.DisplayAck = true;
  EXPECT_EQ(One(kWrite), "Msg     1 [Start]#A0[W][A]00[A]12[A][Stop]");
  // A STOP outside a message: the last number, stray bytes, its own token.
  EXPECT_EQ(One({Stop(300)}), "Msg     1 [Stop]");
  EXPECT_EQ(One({Byte(0x42, 310), Stop(320)}), "Msg     1 42[A][Stop]");
  EXPECT_EQ(One(kWrite), "Msg     2 [Start]#A0[W][A]00[A]12[A][Stop]");

  // Many stray STOPs cost one short line each, not the whole trace again.
  std::vector<TraceWord> stops(20'000, Stop(400));
  const auto lines = Feed(stops);
  ASSERT_EQ(lines.size(), stops.size());
  for (const std::string& l : lines) ASSERT_EQ(l, "Msg     2 [Stop]");

  gDisplay.DisplayAck = false;
  SelectDataProtocol(DataProtocol::SBS);
  EXPECT_EQ(One({Start(0), Byte(0x16, 90), Byte(0x09, 180), Start(190), Byte(0x17, 280), Byte(0xE1, 370),
                 Byte(0x2E, 460, true), Stop(470)}),
            "Msg     3 [Start]#16 [W]Voltage() [Start]#16 [R]12001 mv[Stop]");
  for (const std::string& l : Feed(stops)) ASSERT_LT(l.size(), 64u);

  // Stray messages to a hidden address keep no text between them.
  SelectDataProtocol(DataProtocol::HEX);
  InstallDecoderServices({.CheckAddressFilter = [](std::uint8_t, bool) { return false; }});
  Feed(kWrite);
  std::vector<TraceWord> stray;
  for (int i = 0; i < 20'000; ++i) stray.insert(stray.end(), {Byte(0x55, 500), Stop(510)});
  EXPECT_TRUE(Feed(stray).empty());
  EXPECT_LT(LiveMessageText().size(), 64u);
}

TEST_F(DecoderTest, HugeWrapTotalsKeepTheClockExact) {
  gDisplay.DisplayStartTime = true;
  Feed({Start(0), Byte(0xA0, 0), Stop(1)});
  // 234,375 maximal wrap records: just below 2^32 minutes, exactly.
  for (int i = 0; i < 234'375; ++i) DecodeTraceWord(MakeIdleWord(0xFFFFFF));
  // 16,777,215 x 234,375 x 65,536 us = 4,294,967,040 minutes exactly.
  EXPECT_EQ(CurrentTraceTime, (TraceTime{4'294'967'040u, 0}));
  EXPECT_EQ(One({Start(0), Byte(0xA0, 0), Stop(1)}), "Msg     2 [Start][71,582,784H:0M:0uS]#A0[W] [Stop]");
  // On past 2^32 minutes and past what a 64-bit count of microseconds holds.
  for (int i = 0; i < 1'000'000; ++i) DecodeTraceWord(MakeIdleWord(0xFFFFFF));
  DecodeTraceWord(Start(0));
  EXPECT_LT(CurrentTraceTime.micros, kMicrosPerMinute);
  EXPECT_GT(CurrentTraceTime.minutes, std::uint64_t{1} << 34);
}

}  // namespace
}  // namespace vantrel::test
