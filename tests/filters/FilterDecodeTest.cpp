// The filter tables as the decoder applies them: decoded lines with Filtering
// on and off, aliases in plain and SBS lines, statistics of hidden messages.
#include <gtest/gtest.h>

#include "ProgramDecoder.h"
#include "FilterTestSupport.h"
#include "analysis/AddressStats.h"
#include "filters/AddrMapFile.h"
#include "filters/AddressFilter.h"
#include "filters/AliasFile.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"
#include "filters/MatchFile.h"

namespace vantrel::test {
namespace {

// Write of 00 12 to address byte A0, and a read from A1 that the slave NACKs.
const std::vector<TraceWord> kWrite = {Start(0), Byte(0xA0, 90), Byte(0x00, 180), Byte(0x12, 270), Stop(280)};
const std::vector<TraceWord> kNackedRead = {Start(400), Byte(0xA1, 490, true), Stop(500)};
// Battery (address byte 16) voltage read: 12000 mV.
const std::vector<TraceWord> kVoltage = {Start(1000), Byte(0x16, 1090), Byte(0x09, 1180), Start(1270),
                                         Byte(0x17, 1360), Byte(0xE0, 1450), Byte(0x2E, 1540, true), Stop(1630)};

class FilterDecodeTest : public ProgramDecoderTest {
 protected:
  // The numbers of the lines shown for a write and a nacked read.
  std::vector<std::string> ShownNumbers() {
    std::vector<std::string> out;
    std::vector<TraceWord> words = kWrite;
    words.insert(words.end(), kNackedRead.begin(), kNackedRead.end());
    for (const std::string& line : Feed(words)) out.push_back(line.substr(0, 9));
    return out;
  }
};

TEST_F(FilterDecodeTest, AddressAndDataFiltersCombineOnlyWhileFilteringIsOn) {
  struct Case {
    std::uint8_t state;
    const char* match;  // byte 1's first alternative
    const char* condition;
    bool writeShown, readShown;
  };
  const Case cases[] = {
      {RW_AN, "XX", "Y", true, true},   {RX_AN, "XX", "Y", false, true},  {XW_AX, "XX", "Y", true, false},
      {RW_XN, "XX", "Y", false, true},  {DSEL, "XX", "Y", false, false},  {RW_AN, "00", "Y", true, true},
      {RW_AN, "01", "Y", false, true},  // the read carries no data byte: it passes
      {RW_AN, "00", "N", false, true},  {XW_AN, "01", "N", true, false},  {RX_AX, "XX", "Y", false, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(StateName(c.state)) + " " + c.match + " " + c.condition);
    SetAddressState(0x50, c.state);
    ASSERT_TRUE(SetMatchDataString(c.match + std::string(126, 'X')));
    ASSERT_TRUE(SetMatchConditionString(std::string(c.condition) + "YYYYYYY"));
    for (bool filtering : {true, false}) {
      gDisplay.DisplayFilter = filtering;
      std::vector<int> expected;
      if (!filtering || c.writeShown) expected.push_back(n + 1);
      if (!filtering || c.readShown) expected.push_back(n + 2);
      std::vector<std::string> want;
      for (int e : expected) want.push_back("Msg" + std::string(6 - std::to_string(e).size(), ' ') + std::to_string(e));
      EXPECT_EQ(ShownNumbers(), want) << (filtering ? "filtering" : "not filtering");
      n += 2;
    }
  }
  // Every message was counted, shown or not.
  EXPECT_EQ(gStats.entries[0x50].messagesLow, static_cast<std::uint32_t>(n));
}

TEST_F(FilterDecodeTest, ProtocolErrorDetectHidesCleanSbsMessagesButCountsThem) {
  SelectDataProtocol(DataProtocol::SBS);
  SetProtocolErrorDetect(true);
  EXPECT_TRUE(Feed(kVoltage).empty());
  EXPECT_EQ(gStats.entries[0x0B].messagesLow, 1u);
  gDisplay.DisplayFilter = false;
  EXPECT_EQ(Feed(kVoltage).size(), 1u);
  EXPECT_EQ(gStats.entries[0x0B].messagesLow, 2u);
}

TEST_F(FilterDecodeTest, AliasesReplaceTheAddressExceptInCommaDelimitedLines) {
  SetAlias(0x50, "EEPROM");
  EXPECT_EQ(One(kWrite), "Msg     1 [Start]EEPROM[W] 00 12 [Stop]");
  SetAlias(0x50, "");
  EXPECT_EQ(One(kWrite), "Msg     2 [Start][W] 00 12 [Stop]");
  SelectDataProtocol(DataProtocol::CD);
  EXPECT_EQ(One(kWrite).substr(0, 15), "3,[Start],A0,[W");
}

TEST_F(FilterDecodeTest, FilesLoadedAsTheWindowsDoTakeEffectOnTheNextMessage) {
  RecordingWindow window;
  SetReports(&window);
  ScratchDir dir;
  AliasGrid aliases = AliasTableCopy();
  aliases[0x0B] = "Battery";
  const std::string als = dir.Path("a.als");
  ASSERT_EQ(WriteAliasFile(als, aliases), FileResult::Done);
  ASSERT_TRUE(LoadAliasFileByName(als));
  SelectDataProtocol(DataProtocol::SBS);
  EXPECT_EQ(One(kVoltage), "Msg     1 [Start]Battery [W]Voltage() [Start]Battery [R]12000 mv[Stop]");

  SetAddressState(0x0B, DSEL);
  const std::string map = dir.Path("a.map");
  ASSERT_EQ(WriteAddrMapFile(map), FileResult::Done);
  ResetAddressFilter();
  ASSERT_EQ(ReadAddrMapFile(map), FileResult::Done);
  EXPECT_TRUE(Feed(kVoltage).empty());

  ResetAddressFilter();
  MatchGrid g = ClearedMatchGrid();
  g.cells[0][0] = "08";  // the command byte must be 08
  const std::string dmf = dir.Path("a.dmf");
  ASSERT_EQ(WriteMatchFile(dmf, g), FileResult::Done);
  ASSERT_TRUE(LoadAndAcceptMatchFile(dmf));
  EXPECT_TRUE(Feed(kVoltage).empty());
  gDisplay.DisplayFilter = false;
  EXPECT_EQ(Feed(kVoltage).size(), 1u);
  EXPECT_TRUE(window.messages.empty());
  SetReports(nullptr);
}

}  // namespace
}  // namespace vantrel::test
