#include <gtest/gtest.h>

#include <functional>

#include "DecoderFixture.h"
#include "analysis/MessageViews.h"
#include "tracegen/Scenarios.h"
#include "tracegen/TraceGen.h"

namespace vantrel::test {
namespace {

using Lines = std::vector<std::string>;

// The displayed-message tables as the pipeline fills them, 1-based.
struct Tables {
  std::vector<MessageRecord> records{1};
  std::vector<TraceWord> words{1};
  MessageTablesView View() const {
    return {records.data(), static_cast<std::uint32_t>(records.size()), words.data(),
            static_cast<std::uint32_t>(words.size() - 1)};
  }
};

// The real decoder fills the tables with every message it completes.
class MessageViews : public DecoderTest {
 protected:
  Tables Decode(const std::vector<TraceWord>& words) {
    Feed(words);
    Tables t;
    for (const Completed& c : completed) {
      MessageRecord r = c.record;
      r.startIndex = static_cast<std::uint32_t>(t.words.size());
      t.words.insert(t.words.end(), c.words.begin(), c.words.end());
      r.stopIndex = static_cast<std::uint32_t>(t.words.size() - 1);
      t.records.push_back(r);
    }
    return t;
  }
  // A message, two quiet seconds, then the traffic under test at 100 kHz.
  Tables Generate(bool bitTiming, const std::function<void(TraceBuilder&)>& traffic) {
    TraceBuilder bus({100'000, bitTiming});
    bus.Write(0x50, {0x00});
    bus.Idle(2'000'000);
    traffic(bus);
    return Decode(bus.FoldedWords());
  }
};

TEST_F(MessageViews, MessageNumberOfADisplayLine) {
  // The decoder's own lines: "Msg     1 ...", "Msg 12,345 ..." and "Msg 1,000,000,001 ...".
  const std::string right = One({Start(0), Byte(0xA0, 90), Stop(100)});
  SetMessageNumber(12'344, 0);
  const std::string grouped = One({Start(200), Byte(0xA0, 290), Stop(300)});
  SetMessageNumber(0, 1);
  const std::string high = One({Start(400), Byte(0xA0, 490), Stop(500)});
  EXPECT_EQ(MessageNumberOfLine(right).value().low, 1u);
  EXPECT_EQ(MessageNumberOfLine(grouped).value().low, 12'345u);
  EXPECT_EQ(MessageNumberOfLine(high).value().high, 1u);
  EXPECT_EQ(MessageNumberOfLine(high).value().low, 1u);
  EXPECT_EQ(MessageNumberText({1, 1}), "1,000,000,001");
  EXPECT_EQ(MessageNumberText({0, 12'345}), "12,345");

  SelectDataProtocol(DataProtocol::CD);
  const std::string cd = One({Start(600), Byte(0xA0, 690), Stop(700)});
  for (const std::string& line : {cd, std::string("Msg     0 [Start]"), std::string("Msg x12 "), std::string("Msg ")})
    EXPECT_FALSE(MessageNumberOfLine(line)) << line;
}

// A read of a word after two quiet seconds: times count from its own START.
TEST_F(MessageViews, TimingWithoutBitRecords) {
  const Tables t = Generate(false, [](TraceBuilder& bus) { bus.ReadWord(0x0B, 0x09, 0x1234); });
  EXPECT_EQ(MessageTimingLines({0, 2}, t.View(), true),
            (Lines{"Message Number 2 Selected", " ", "Start Event Time Reference", " ", "START @ 0 uS", " ",
                   "Byte 1 = 16 Hex @ 95 uS", "Byte 2 = 09 Hex @ 185 uS", "RptSTART @ 190 uS ", " ",
                   "Byte 3 = 17 Hex @ 285 uS", "Byte 4 = 34 Hex @ 375 uS", "Byte 5 = 12 Hex @ 465 uS", "STOP @ 470 uS ",
                   " ", "Note: Bit Timing NOT detected"}));
  const Lines relative = MessageTimingLines({0, 2}, t.View(), false);
  EXPECT_EQ(relative[2], "Previous Event (+) Time Reference");
  EXPECT_EQ(relative[7] + "|" + relative[8] + "|" + relative[13],
            "Byte 2 = 09 Hex @ +90 uS|RptSTART @ +5 uS |STOP @ +5 uS ");

  // A stray byte kept from before the START is no event; a time of 0 has no digits.
  const Tables more = Decode({Byte(0x55, 900), Start(1000), Byte(0xA0, 1000), Stop(1010)});
  const Lines lines = MessageTimingLines({0, 3}, more.View(), false);
  EXPECT_EQ(lines[4] + "|" + lines[6], "START @ 0 uS|Byte 1 = A0 Hex @ + uS");
}

TEST_F(MessageViews, TimingWithBitRecords) {
  const Tables t = Generate(true, [](TraceBuilder& bus) { bus.AddressNack(0x0B); });
  Lines expected = {"Message Number 2 Selected", " ", "Start Event Time Reference", " ", "START @ 0 uS", " "};
  const char bits[] = "000101101";  // 0x16, then the NACK
  for (int i = 0; i < 9; ++i)
    expected.push_back(" Bit " + std::to_string(i + 1) + " = " + bits[i] + " @ " + std::to_string(10 * i + 10) +
                       " uS ");
  // The byte's line carries no time, and the STOP replaces the blank after it.
  for (const char* line :
       {"Byte 1 = 16", "STOP @ 100 uS ", " ", "Note: Bit Times recorded on the LOW to HIGH transition of SCL"})
    expected.push_back(line);
  EXPECT_EQ(MessageTimingLines({0, 2}, t.View(), true), expected);
}

// The times a timing view shows, in order, but the START's.
std::vector<std::uint64_t> ShownTimes(const Lines& lines) {
  std::vector<std::uint64_t> times;
  for (const std::string& line : lines) {
    const auto at = line.find(" @ ");
    if (at == std::string::npos || line.starts_with("START")) continue;
    std::uint64_t v = 0;
    for (char c : line.substr(at))
      if (c >= '0' && c <= '9') v = v * 10 + static_cast<std::uint64_t>(c - '0');
    times.push_back(v);
  }
  return times;
}

// Every time shown is the generated event's, across idle time and counter
// wraps inside messages, with and without bits, in both modes.
TEST_F(MessageViews, TimesMatchTheGeneratedEvents) {
  for (const bool bitTiming : {false, true}) {
    TraceBuilder bus({100'000, bitTiming});
    BusScenario battery = SmartBatteryScenario();
    for (int cycle = 0; cycle < 6; ++cycle) battery(bus);
    bus.Start();  // a clock stretched over three counter wraps
    bus.Address(0x50, false);
    bus.Gap(200'000);
    bus.Byte(0x12);
    bus.Stop();
    completed.clear();
    ResetDecoder();
    const Tables t = Decode(bus.FoldedWords());
    for (const bool absTime : {true, false}) {
      std::uint32_t msg = 0;
      std::uint64_t start = 0, prev = 0;
      std::vector<std::uint64_t> expected;
      bool inMessage = false;
      for (const BusEvent& e : bus.Events()) {
        if (!inMessage) {  // the message's START
          inMessage = true;
          ++msg;
          expected.clear();
          start = prev = e.timeUs;
          continue;
        }
        if (!HasByte(e.word) || !bitTiming) expected.push_back(e.timeUs - (absTime ? start : prev));
        prev = e.timeUs;
        if (HasStop(e.word)) {
          inMessage = false;
          EXPECT_EQ(ShownTimes(MessageTimingLines({0, msg}, t.View(), absTime)), expected) << "message " << msg;
        }
      }
      EXPECT_EQ(msg + 1, t.records.size());
    }
  }
}

TEST_F(MessageViews, Diagnostics) {
  Tables t = Decode({Start(0), Byte(0xA0, 90), Stop(100), MakeIdleWord(30), Start(1000), Byte(0xA1, 1090),
                     Byte(0x12, 1180, true), Stop(1190)});
  EXPECT_EQ(MessageDiagnosticsLines({0, 2}, t.View()),
            (Lines{"Vantrel", "Message Diagnostics Support", "", "Message Number 2 Selected", "", "Address: A1",
                   "No. of Bytes: 2", "Start Index: 4", "Start Time: 00000000:001E03E8", "Stop Index: 8",
                   "Stop Time: 00000000:001E04A6", "Start2Stop Time: 00000000:000000BE", "", "Packet[1] = 0100001E",
                   "Packet[2] = 0403E800", "Packet[3] = 100442A1", "Packet[4] = 90049C12", "Packet[5] = 0804A600"}));
  const Lines notFound = {
      "Vantrel", "Message Diagnostics Support", "", "Message Number 1,000,000,001 Selected", "", "Data Not Found"};
  EXPECT_EQ(MessageDiagnosticsLines({1, 1}, t.View()), notFound);
  EXPECT_EQ(MessageDiagnosticsLines({1, 1}, MessageTablesView{}), notFound);

  // A message whose words did not fit, and one whose last index lies beyond
  // the words kept: only the words that exist are read.
  t.records.push_back(t.records[2]);
  t.records.back().msgNumberLow = 3;
  t.records.back().startIndex = 9;
  t.records.back().stopIndex = 8;
  t.records.push_back(t.records[2]);
  t.records.back().msgNumberLow = 4;
  t.records.back().startIndex = 7;
  t.records.back().stopIndex = 250'000;
  EXPECT_EQ(MessageDiagnosticsLines({0, 3}, t.View()).size(), 13u);
  EXPECT_EQ(MessageTimingLines({0, 3}, t.View(), true).size(), 6u);  // no events
  const Lines lines = MessageDiagnosticsLines({0, 4}, t.View());
  EXPECT_EQ(Lines(lines.begin() + 13, lines.end()), (Lines{"Packet[1] = 90049C12", "Packet[2] = 0804A600"}));
}

}  // namespace
}  // namespace vantrel::test
