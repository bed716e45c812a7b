#include <gtest/gtest.h>

#include <string>

#include "filters/AddressFilter.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"

namespace vantrel {
namespace {

class FilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAddressFilter();
    ResetDataFilter();
    ResetAliasTable();
  }
};

TEST_F(FilterTest, AddressStatesDecideByDirectionAndAcknowledge) {
  // Expected verdicts for: write+ack, write+nack, read+ack, read+nack.
  struct Row {
    std::uint8_t state;
    bool wa, wn, ra, rn;
  };
  const Row rows[] = {
      {DSEL, false, false, false, false}, {RW_AN, true, true, true, true},
      {RW_XN, false, true, false, true},  {RW_AX, true, false, true, false},
      {XW_AN, true, true, false, false},  {XW_XN, false, true, false, false},
      {XW_AX, true, false, false, false}, {RX_AN, false, false, true, true},
      {RX_XN, false, false, false, true}, {RX_AX, false, false, true, false},
      {12, true, true, true, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(StateName(r.state));
    SetAddressState(0x28, r.state);
    EXPECT_EQ(CheckAddressFilter(0x50, true), r.wa);
    EXPECT_EQ(CheckAddressFilter(0x50, false), r.wn);
    EXPECT_EQ(CheckAddressFilter(0x51, true), r.ra);
    EXPECT_EQ(CheckAddressFilter(0x51, false), r.rn);
  }
}

TEST_F(FilterTest, ActivityMarks) {
  int changes = 0;
  static int* counter = nullptr;
  counter = &changes;
  AddressActivityChanged = [](int) { ++*counter; };
  SetAddressState(0x10, DSEL);
  EXPECT_FALSE(CheckAddressFilter(0x20, true));
  EXPECT_EQ(gAddrFilter.marks[0x10], ActivityMark::Acked);  // DSEL still records activity
  EXPECT_FALSE(CheckAddressFilter(0x20, true));
  EXPECT_FALSE(CheckAddressFilter(0x21, false));
  EXPECT_EQ(gAddrFilter.marks[0x10], ActivityMark::Nacked);
  EXPECT_EQ(changes, 2);  // repainted only when the mark changed
  SetAddressState(0x11, 14);
  EXPECT_TRUE(CheckAddressFilter(0x22, true));
  EXPECT_EQ(gAddrFilter.marks[0x11], ActivityMark::None);  // unknown codes record none
  RefreshAddressMap();
  EXPECT_EQ(gAddrFilter.marks[0x10], ActivityMark::None);
  AddressActivityChanged = nullptr;
}

TEST_F(FilterTest, AddrMapStringAndMasks) {
  EXPECT_EQ(GetAddrMapString(), std::string(128, '1'));
  std::string map(128, '3');
  map[0] = 'G';  // not a hex digit: DSEL
  map[1] = 'f';
  map[127] = '9';
  ASSERT_TRUE(SetAddrMapString(map));
  EXPECT_EQ(gAddrFilter.AddrMap[0], DSEL);
  EXPECT_EQ(gAddrFilter.AddrMap[1], 15);
  EXPECT_EQ(gAddrFilter.AddrMap[127], RX_AX);
  EXPECT_EQ(GetAddrMapString(), "0F" + std::string(125, '3') + "9");
  EXPECT_FALSE(SetAddrMapString(std::string(127, '0')));
  EXPECT_FALSE(SetAddrMapString(std::string(129, '0')));
  EXPECT_EQ(gAddrFilter.AddrMap[2], RW_AX);

  for (std::uint8_t s = 0; s < kAddrStateCount; ++s) EXPECT_EQ(StateOfMask(AccessMaskOf(s)), s);
  EXPECT_EQ(AccessMaskOf(RX_AN), 0x1011);
  EXPECT_EQ(StateOfMask(0x1100), RW_AN);  // no such state
}

TEST_F(FilterTest, SelectionBoxesKeepTheirRules) {
  auto mask = [](AccessBoxes b, AccessBox changed) { return MaskOfAccessBoxes(ApplyAccessRules(b, changed)); };
  // From DSEL (all unchecked), checking Read alone gives RX_AX, not RX_AN.
  AccessBoxes b = AccessBoxesOfMask(AccessMaskOf(DSEL));
  b.read = true;
  EXPECT_EQ(StateOfMask(mask(b, AccessBox::Read)), RX_AX);
  b = {};
  b.nack = true;
  EXPECT_EQ(StateOfMask(mask(b, AccessBox::Nack)), RX_XN);
  // Unchecking one of a pair checks the other.
  b = AccessBoxesOfMask(AccessMaskOf(RX_AX));
  b.read = false;
  EXPECT_EQ(StateOfMask(mask(b, AccessBox::Read)), XW_AX);
  b = AccessBoxesOfMask(AccessMaskOf(RX_AX));
  b.ack = false;
  EXPECT_EQ(StateOfMask(mask(b, AccessBox::Ack)), RX_XN);
  b = AccessBoxesOfMask(AccessMaskOf(XW_XN));
  b.nack = false;
  EXPECT_EQ(StateOfMask(mask(b, AccessBox::Nack)), XW_AX);
  b = AccessBoxesOfMask(AccessMaskOf(XW_XN));
  b.write = false;
  EXPECT_EQ(StateOfMask(mask(b, AccessBox::Write)), RX_XN);
  // A change that leaves both pairs valid changes nothing else.
  b = AccessBoxesOfMask(AccessMaskOf(RW_AN));
  b.write = false;
  EXPECT_EQ(StateOfMask(mask(b, AccessBox::Write)), RX_AN);
  // Every result of a rule run is one of the defined states other than DSEL.
  for (std::uint16_t m = 0; m < 16; ++m) {
    for (AccessBox which : {AccessBox::Read, AccessBox::Write, AccessBox::Ack, AccessBox::Nack}) {
      AccessBoxes in{(m & 8) != 0, (m & 4) != 0, (m & 2) != 0, (m & 1) != 0};
      const AccessBoxes out = ApplyAccessRules(in, which);
      EXPECT_TRUE((out.read || out.write) && (out.ack || out.nack)) << m;
      EXPECT_NE(StateOfMask(MaskOfAccessBoxes(out)), DSEL);
    }
  }
}

TEST_F(FilterTest, DataFilterMatchesTheFirstEightBytes) {
  EXPECT_TRUE(CheckDataFilter(""));
  EXPECT_TRUE(CheckDataFilter("FF00FF00"));
  // Byte 1: 10 or 'A, must match.
  std::string cells(128, 'X');
  cells.replace(0, 2, "10");
  cells.replace(16, 2, "'A");  // alternative 2 of byte 1
  // Byte 2: FF must not appear.
  cells.replace(2, 2, "FF");
  ASSERT_TRUE(SetMatchDataString(cells));
  ASSERT_TRUE(SetMatchConditionString("YNYYYYYY"));
  EXPECT_EQ(gDataFilter.MatchValues[8], 0x41);
  EXPECT_TRUE(CheckDataFilter("10"));
  EXPECT_TRUE(CheckDataFilter("41"));
  EXPECT_FALSE(CheckDataFilter("42"));
  EXPECT_TRUE(CheckDataFilter(""));
  EXPECT_FALSE(CheckDataFilter("10FF"));
  EXPECT_TRUE(CheckDataFilter("10FE"));
  // Only the first eight bytes count.
  ASSERT_TRUE(SetMatchConditionString("YYYYYYYY"));
  cells = std::string(128, 'X');
  cells.replace(14, 2, "77");  // byte 8
  ASSERT_TRUE(SetMatchDataString(cells));
  EXPECT_TRUE(CheckDataFilter("0000000000000077" "01020304"));
  EXPECT_FALSE(CheckDataFilter("0000000000000078" "77"));
  EXPECT_TRUE(CheckDataFilter("00000000000000"));  // shorter than the pattern
}

TEST_F(FilterTest, MatchStringsRoundTripAndReportBadValues) {
  EXPECT_EQ(GetMatchDataString(), std::string(128, 'X'));
  EXPECT_EQ(GetMatchConditionString(), "YYYYYYYY");
  std::string cells;
  for (int i = 0; i < 64; ++i) cells += (i % 3 == 0) ? "A5" : (i % 3 == 1 ? "'z" : "XX");
  ASSERT_TRUE(SetMatchDataString(cells));
  EXPECT_EQ(GetMatchDataString(), cells);
  EXPECT_EQ(gDataFilter.MatchValues[0], 0xA5);
  EXPECT_EQ(gDataFilter.MatchValues[1], 'z');
  EXPECT_EQ(gDataFilter.MatchValues[2], -1);
  // A cell that is not a number is don't care; a lone apostrophe or a short
  // value is an error.
  ASSERT_TRUE(SetMatchDataString("G1" + std::string(126, 'X')));
  EXPECT_EQ(gDataFilter.MatchValues[0], -1);
  EXPECT_TRUE(SetMatchDataString(std::string(127, 'X')));  // the last cell has one character
  EXPECT_FALSE(SetMatchDataString(std::string(126, 'X')));
  EXPECT_FALSE(SetMatchDataString("'" ));
  EXPECT_FALSE(SetMatchConditionString("YYYYYYY"));
  ASSERT_TRUE(SetMatchConditionString("NNYYYYYYextra"));
  EXPECT_EQ(GetMatchConditionString(), "NNYYYYYY");
}

TEST_F(FilterTest, Aliases) {
  EXPECT_EQ(AliasText(0x28), "#50");
  EXPECT_EQ(AliasText(0), "#00");
  EXPECT_EQ(AliasText(127), "#FE");
  EXPECT_EQ(AliasText(128), "Range Error");
  EXPECT_EQ(AliasText(-1), "Range Error");
  SetAlias(0x0B, std::string(300, 'b'));
  EXPECT_EQ(AliasText(0x0B).size(), 255u);
  ResetAliasTable();
  EXPECT_EQ(AliasText(0x0B), "#16");
}

}  // namespace
}  // namespace vantrel
