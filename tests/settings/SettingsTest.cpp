#include <gtest/gtest.h>

#include "analysis/Revisions.h"
#include "decode/DisplayOptions.h"
#include "filters/AddressFilter.h"
#include "filters/DataFilter.h"
#include "pipeline/MessageTables.h"
#include "settings/Settings.h"

namespace vantrel {
namespace {

class SettingsLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ConnectDecoder();  // the PEC box follows the SMBus revision
    RestoreDefaultSettings();
  }
};

TEST_F(SettingsLineTest, BooleansAndTheKeysTheyMatch) {
  ASSERT_TRUE(ApplySettingsLine("DisplayStartTime=True"));
  EXPECT_TRUE(gDisplay.DisplayStartTime);
  EXPECT_TRUE(gDisplay.DisplayStart);
  ASSERT_TRUE(ApplySettingsLine("DisplayStart=False"));
  EXPECT_FALSE(gDisplay.DisplayStart);
  EXPECT_TRUE(gDisplay.DisplayStartTime);
  // True anywhere in the line; anything else is false.
  ASSERT_TRUE(ApplySettingsLine("DisplayAck=yes, True really"));
  EXPECT_TRUE(gDisplay.DisplayAck);
  ASSERT_TRUE(ApplySettingsLine("DisplayAck=true"));
  EXPECT_FALSE(gDisplay.DisplayAck);
  // One line can set two keys.
  ASSERT_TRUE(ApplySettingsLine("DisplayBitRate=True DisplayByteTime"));
  EXPECT_TRUE(gDisplay.DisplayBitRate);
  EXPECT_TRUE(gDisplay.DisplayByteTime);
  ASSERT_TRUE(ApplySettingsLine("ByteTimeDisabled"));
  EXPECT_FALSE(gDisplay.ByteTimeEnabled);
  // Comment lines change nothing.
  ASSERT_TRUE(ApplySettingsLine("DisplayStop=False ;note"));
  EXPECT_TRUE(gDisplay.DisplayStop);
}

TEST_F(SettingsLineTest, FormatButtonsRunTheirHandlers) {
  ASSERT_TRUE(ApplySettingsLine("DisplaySBS=True"));
  EXPECT_EQ(gDisplay.Protocol, DataProtocol::SBS);
  EXPECT_FALSE(gDisplay.ByteTimeEnabled);
  EXPECT_FALSE(gDisplay.PECEnabled);  // SMBus 1.0: no PEC
  ASSERT_TRUE(ApplySettingsLine("SMBusRev=1"));
  ASSERT_TRUE(ApplySettingsLine("DisplaySBS=True"));
  EXPECT_TRUE(gDisplay.PECEnabled);
  ASSERT_TRUE(ApplySettingsLine("SMBusRev=0"));
  ASSERT_TRUE(ApplySettingsLine("DisplaySBS=True"));
  EXPECT_FALSE(gDisplay.PECEnabled);
  ASSERT_TRUE(ApplySettingsLine("DisplayCD=True"));
  EXPECT_EQ(gDisplay.Protocol, DataProtocol::CD);
  EXPECT_TRUE(gDisplay.ByteTimeEnabled);
  EXPECT_FALSE(gDisplay.PECEnabled);
  // False clears only the button it names.
  ASSERT_TRUE(ApplySettingsLine("DisplayHEX=False"));
  EXPECT_EQ(gDisplay.Protocol, DataProtocol::CD);
  ASSERT_TRUE(ApplySettingsLine("DisplayCD=False"));
  EXPECT_EQ(gDisplay.Protocol, DataProtocol::None);
}

TEST_F(SettingsLineTest, NumbersAndTheirErrors) {
  ASSERT_TRUE(ApplySettingsLine("SBDataRev=1"));
  EXPECT_EQ(gRevisions.SBDataRev, 1u);
  ASSERT_TRUE(ApplySettingsLine("SBChargerRev=x"));
  EXPECT_EQ(gRevisions.SBChargerRev, 768u);
  ASSERT_TRUE(ApplySettingsLine("SBSelectorRev=1234"));  // three characters read
  EXPECT_EQ(gRevisions.SBSelectorRev, 123u);
  EXPECT_FALSE(ApplySettingsLine("SMBusRev=-1"));
  EXPECT_EQ(gRevisions.SMBusRev, 0u);
}

TEST_F(SettingsLineTest, FilterStrings) {
  ASSERT_TRUE(ApplySettingsLine("AddrMap=" + std::string(128, '0')));
  EXPECT_EQ(gAddrFilter.AddrMap[5], DSEL);
  ASSERT_TRUE(ApplySettingsLine("AddrMap=" + std::string(127, '1')));
  EXPECT_EQ(gAddrFilter.AddrMap[5], DSEL);
  ASSERT_TRUE(ApplySettingsLine("MatchData=10" + std::string(126, 'X')));
  EXPECT_EQ(gDataFilter.MatchValues[0], 0x10);
  EXPECT_FALSE(ApplySettingsLine("MatchData=10"));
  EXPECT_FALSE(ApplySettingsLine("MatchCondition=YYY"));
  ASSERT_TRUE(ApplySettingsLine("MatchCondition=NYYYYYYY"));
  EXPECT_EQ(gDataFilter.MatchCondition[0], "N");
  ASSERT_TRUE(ApplySettingsLine("ProtocolErrorDetect=True"));
  EXPECT_TRUE(gDataFilter.ProtocolErrorDetect);
}

}  // namespace
}  // namespace vantrel
