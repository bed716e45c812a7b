#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramDecoder.h"
#include "analysis/Revisions.h"
#include "decode/CRC8.h"
#include "decode/ParseSMB.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"
#include "tracegen/TraceGen.h"

namespace vantrel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Bus notation: "S" START (a repeated start inside a message), "P" STOP, a
// hex byte acknowledged, "-" after it not acknowledged; "PEC" the message's
// right packet error code, "BAD" a wrong one (right xor 0x21).
std::vector<TraceWord> Bus(const std::string& text) {
  std::vector<TraceWord> words;
  std::istringstream in(text);
  std::string t;
  std::uint32_t stamp = 0;
  std::uint8_t crc = 0;
  while (in >> t) {
    stamp += 90;
    if (t == "S") {
      if (words.empty() || HasStop(words.back())) crc = 0;
      words.push_back(Start(stamp));
    } else if (t == "P") {
      words.push_back(Stop(stamp));
    } else {
      const bool nack = t.back() == '-';
      const std::string name = nack ? t.substr(0, t.size() - 1) : t;
      std::uint8_t b = crc;
      if (name == "BAD") b ^= 0x21;
      if (name != "PEC" && name != "BAD") b = static_cast<std::uint8_t>(std::stoul(name, nullptr, 16));
      crc = Crc8Update(crc, b);
      words.push_back(Byte(b, stamp, nack));
    }
  }
  return words;
}

std::string Hex2(unsigned v) {
  static const char* d = "0123456789ABCDEF";
  return {d[(v >> 4) & 15], d[v & 15]};
}

class SbsTest : public ProgramDecoderTest {
 protected:
  void SetUp() override {
    ProgramDecoderTest::SetUp();
    SelectDataProtocol(DataProtocol::SBS);
  }
  void PecOn() {  // SMBus 1.1 and the PEC box checked
    gRevisions.SMBusRev = 1;
    SelectDataProtocol(DataProtocol::SBS);
    gDisplay.PECChecked = true;
  }
  // The one line of a fresh trace, without its "Msg     1 ".
  std::string Line(const std::vector<TraceWord>& words) {
    ResetDecoder();
    const std::vector<std::string> lines = Feed(words);
    if (lines.size() != 1 || lines[0].rfind("Msg     1 ", 0) != 0) {
      ADD_FAILURE() << lines.size() << " lines: " << (lines.empty() ? "" : lines[0]);
      return {};
    }
    return lines[0].substr(10);
  }
  std::string Line(const std::string& bus) { return Line(Bus(bus)); }
  // A word read from or written to `address` (write address byte), the value
  // text only: after the last "[R]" (reads) or the "() " (writes), up to "[Stop]".
  std::string Read(std::uint8_t address, std::uint8_t cmd, std::uint16_t v) {
    return Cut(Line("S " + Hex2(address) + " " + Hex2(cmd) + " S " + Hex2(address + 1u) + " " + Hex2(v) + " " +
                    Hex2(v >> 8) + "- P"),
               "[R]");
  }
  std::string Write(std::uint8_t address, std::uint8_t cmd, std::uint16_t v) {
    return Cut(Line("S " + Hex2(address) + " " + Hex2(cmd) + " " + Hex2(v) + " " + Hex2(v >> 8) + " P"), "() ");
  }
  static std::string Cut(const std::string& line, const std::string& after) {
    const auto from = line.rfind(after), to = line.rfind("[Stop]");
    if (from == std::string::npos || to == std::string::npos || to < from) return "<" + line + ">";
    return line.substr(from + after.size(), to - from - after.size());
  }
};

TEST_F(SbsTest, LinesFollowTheDisplayOptions) {
  TraceBuilder bus;
  bus.ReadWord(0x0B, 0x09, 12000);
  EXPECT_EQ(Line(bus.FoldedWords()), "[Start]#16 [W]Voltage() [Start]#16 [R]12000 mv[Stop]");
  EXPECT_EQ(Line("S 12 14 D0 07 P"), "[Start]#12 [W]ChargingCurrent() 2000 ma[Stop]");
  gDisplay.DisplayAck = gDisplay.DisplayStartTime = gDisplay.DisplayBitRate = true;
  EXPECT_EQ(Line(bus.FoldedWords()),
            "[Start][0uS]#16 [W][A]Voltage() [A][Start]#16 [R][A]12000 mv[Stop][114.9K Bits/Sec]");
  gDisplay.DisplayAck = gDisplay.DisplayStartTime = gDisplay.DisplayBitRate = false;
  gDisplay.DisplayStart = gDisplay.DisplayStop = gDisplay.DisplayRW = false;
  SetAlias(0x0B, "Battery");
  EXPECT_EQ(Line(bus.FoldedWords()), "Battery Voltage() Battery 12000 mv");
}

TEST_F(SbsTest, OnlySmbusDeviceAddressesGetSbsLines) {
  EXPECT_EQ(Line("S 1A 09 34 12 P"), "[Start]#1A[W] 09 34 12 [Stop]");
  EXPECT_EQ(Line("S A0 00 12 P"), "[Start]#A0[W] 00 12 [Stop]");
  EXPECT_EQ(Line("S P"), "[Start][Stop]");
}

TEST_F(SbsTest, WordValues) {
  EXPECT_EQ(Read(0x16, 0x09, 0xFFFF), "65535 mv");
  EXPECT_EQ(Read(0x16, 0x0A, 0xFFFF), "-1 ma");
  EXPECT_EQ(Read(0x16, 0x0C, 100), "100 %");
  EXPECT_EQ(Read(0x16, 0x0D, 101), "101[VALUE RANGE VIOLATION] %");
  EXPECT_EQ(Read(0x16, 0x10, 4400), "4400 maH/10mwH");  // only "%" is range checked
  EXPECT_EQ(Read(0x16, 0x07, 0), "FALSE ");
  EXPECT_EQ(Read(0x16, 0x07, 0x0100), "TRUE ");
  EXPECT_EQ(Write(0x16, 0x04, 0xFC18), "-1000 ma/10mw");
  EXPECT_EQ(Read(0x16, 0x1B, 46 << 9 | 12 << 5 | 6), "6/12/2026 D/M/Y");
  EXPECT_EQ(Read(0x16, 0x1B, 0x0000), "0 [OUT OF RANGE]/0 [OUT OF RANGE]/1980 D/M/Y");
  EXPECT_EQ(Read(0x16, 0x1B, 127 << 9 | 13 << 5 | 31), "31/13 [OUT OF RANGE]/2107 D/M/Y");
}

TEST_F(SbsTest, BatteryModeFollowsTheDataRevision) {
  const std::string base =
      "Internal_Charge_Controller(N), Primary_Battery_Support(N), Condition_Flag(Battery_OK), "
      "Charge_Controller_Enabled(N), Primary_Battery(N), ";
  EXPECT_EQ(Read(0x16, 0x03, 0x2000),
            base + "Charger_Mode(E) Broadcasts, Capacity_Mode(ma/maH), [RESERVED BIT VIOLATION 0x2000] ");
  gRevisions.SBDataRev = 1;  // applies from the next message on
  EXPECT_EQ(Read(0x16, 0x03, 0x2000),
            base + "Alarm_Mode(D) Broadcasts, Charger_Mode(E) Broadcasts, Capacity_Mode(ma/maH) ");
  EXPECT_EQ(Read(0x16, 0x03, 0xC383),
            "Internal_Charge_Controller(Y), Primary_Battery_Support(Y), Condition_Flag(Cond_Cyc_Request), "
            "Charge_Controller_Enabled(Y), Primary_Battery(Y), Alarm_Mode(E) Broadcasts, Charger_Mode(D) Broadcasts, "
            "Capacity_Mode(10mw/10mwH) ");
}

TEST_F(SbsTest, BatteryStatusAndAlarmWarning) {
  EXPECT_EQ(Read(0x16, 0x16, 0x00C0), "Alarms(None) Status(Initialized, Discharging, ) Errors(OK) ");
  EXPECT_EQ(Read(0x16, 0x16, 0xDBF7),
            "Alarms(Over_Charged, Terminate_Charge, Over_Temp, Terminate_Discharge, Remaining_Capacity, "
            "Remaining_Time ) Status(Initialized, Discharging, Fully_Charged, Fully_Discharged) Errors(UnknownError) ");
  EXPECT_EQ(Read(0x16, 0x16, 0x2409),
            "Alarms(None) Status(None) Errors([RESERVED ERROR CODE 0x9]), [RESERVED BIT VIOLATION 0x2400] ");
  // An AlarmWarning needs an alarm bit and error bits 0xF; the charger
  // heeds only the four charge alarms.
  EXPECT_EQ(Write(0x10, 0x16, 0x020F), "Alarms(Remaining_Capacity, ) Status(None) Errors(0xF) ");
  EXPECT_EQ(
      Write(0x10, 0x16, 0x00C9),
      "Alarms(None[NO HOST ALARM VIOLATION]) Status(Initialized, Discharging, ) Errors([INVALID ERROR CODE 0x9]) ");
  EXPECT_EQ(Write(0x12, 0x16, 0x020F),
            "Alarms(Remaining_Capacity, [NO CHARGER ALARM VIOLATION]) Status(None) Errors(0xF) ");
  EXPECT_EQ(Write(0x12, 0x16, 0x400F), "Alarms(Terminate_Charge, ) Status(None) Errors(0xF) ");
}

TEST_F(SbsTest, SpecificationInfoFollowsTheDataRevision) {
  EXPECT_EQ(Read(0x16, 0x1A, 0x0031), "Revision(1), Version(3), VScale(0), IPScale(0) ");
  EXPECT_EQ(Read(0x16, 0x1A, 0x4402),
            "Revision(2), Version(0 [VALUE OUT OF RANGE]), VScale(4 [VALUE OUT OF RANGE]), "
            "IPScale(4 [VALUE OUT OF RANGE]) ");
  gRevisions.SBDataRev = 1;
  EXPECT_EQ(Read(0x16, 0x1A, 0x3331), "Revision(1.0 and 1.1), Version(1.1 w/PEC), VScale(3), IPScale(3) ");
  EXPECT_EQ(Read(0x16, 0x1A, 0x0021), "Revision(1.0 and 1.1), Version(1.1), VScale(0), IPScale(0) ");
  EXPECT_EQ(Read(0x16, 0x1A, 0x0042),
            "Revision(2 [VALUE OUT OF RANGE]), Version(4 [VALUE OUT OF RANGE]), VScale(0), IPScale(0) ");
}

TEST_F(SbsTest, ChargerValuesFollowTheChargerRevision) {
  EXPECT_EQ(Read(0x12, 0x11, 0x0011), "Charger_Spec(1.0), Selector_Support(Y) ");
  EXPECT_EQ(Read(0x12, 0x11, 0x0023),
            "Charger_Spec([RESERVED VALUE VIOLATION 0x0003]), Selector_Support(N), [RESERVED BIT VIOLATION 0x0020] ");
  EXPECT_EQ(Write(0x12, 0x12, 0x0015),
            "Inhibit_Charge(Y), Enable_Polling(N), POR_Reset(Y), Reset_To_Zero(N), [RESERVED BIT VIOLATION 0x0010] ");
  EXPECT_EQ(Read(0x12, 0x13, 0xFFFF),
            "Charge_Inhibited(Y), Master_Mode(Y), Voltage(Not Regulated), Current(Not Regulated), Level(3), C_OR(Y), "
            "V_OR(Y), T_OR(Y), T_Cold(Y), T_Hot(Y), T_UR(Y), Alarm_Inhibited(Y), Power_Fail(Y), Battery_Present(Y), "
            "AC_Present(Y) ");
  EXPECT_EQ(Read(0x12, 0x13, 0x0010).substr(0, 96),
            "Charge_Inhibited(N), Master_Mode(N), Voltage(Regulated), Current(Regulated), Level(2), C_OR(N), ");
  EXPECT_NE(Read(0x12, 0x13, 0x0020).find("Level([VALUE VIOLATION 0x0020]), C_OR(N)"), std::string::npos);
  gRevisions.SBChargerRev = 1;
  EXPECT_EQ(Read(0x12, 0x13, 0xFFFF),
            "Charge_Inhibited(Y), Polling_Enabled(Y), Voltage(Not Regulated), Current(Not Regulated), Level(3), "
            "C_OR(Y), V_OR(Y), Res_OR(Y), Res_Cold(Y), Res_Hot(Y), Res_UR(Y), Alarm_Inhibited(Y), Power_Fail(Y), "
            "Battery_Present(Y), AC_Present(Y) ");
  EXPECT_EQ(Read(0x12, 0x11, 0x0013), "Charger_Spec(1.1 w/PEC), Selector_Support(Y) ");
  EXPECT_EQ(Read(0x12, 0x11, 0x0004), "Charger_Spec([RESERVED VALUE VIOLATION 0x0004]), Selector_Support(N) ");
}

TEST_F(SbsTest, SelectorValues) {
  EXPECT_EQ(Read(0x14, 0x01, 0x0000), "SMB(None), Power_By(AC), Charge(No/Unknown), Present(None) ");
  EXPECT_EQ(Read(0x14, 0x01, 0x1E73), "SMB(A), Power_By(A Charging), Charge(D W/AC), Present(A B ) ");
  // Power_By's annotation brings a ", " of its own.
  EXPECT_EQ(Read(0x14, 0x01, 0x3350),
            "SMB([SINGLE BIT VIOLATION 0x3000]), Power_By([VALUE VIOLATION 0x0300], ), "
            "Charge([VALUE VIOLATION 0x0050]), Present(None) ");
  EXPECT_EQ(Write(0x14, 0x02, 0x0021), "Use_Next(B), OK_To_Use(A ) ");
  EXPECT_EQ(Write(0x14, 0x02, 0x0100), "Use_Next(Default), OK_To_Use(None), [RESERVED BIT VIOLATION 0x0100] ");
  EXPECT_EQ(Write(0x12, 0x22, 0x00C8), "Use_Next([SINGLE BIT VIOLATION 0x00C0]), OK_To_Use(D ) ");
  EXPECT_EQ(Read(0x14, 0x04, 0x0113),
            "Batteries_Supported(A B ), Selector_Revision(1.0), Charging_Indicator(Supported) ");
  EXPECT_EQ(Read(0x14, 0x04, 0x0223),
            "Batteries_Supported(A B ), Selector_Revision([VALUE VIOLATION 0x0020]), "
            "Charging_Indicator(Not Supported), [RESERVED BIT VIOLATION 0x0200] ");
  // Through the charger the selector's information is not converted.
  EXPECT_EQ(Read(0x12, 0x24, 0x0113), "[--DATA CONVERSION--] ");
  gRevisions.SBSelectorRev = 1;
  EXPECT_EQ(Read(0x14, 0x04, 0x003F),
            "Batteries_Supported(A B C D ), Selector_Revision(1.1 w/PEC), Charging_Indicator(Not Supported) ");
  EXPECT_EQ(
      Read(0x14, 0x04, 0x0040),
      "Batteries_Supported(None), Selector_Revision([VALUE VIOLATION 0x0040]), Charging_Indicator(Not Supported) ");
}

TEST_F(SbsTest, StringAndBlockLengths) {
  const std::string abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";  // 40
  const auto block = [&](std::uint8_t cmd, const Bytes& data) {
    TraceBuilder bus;
    bus.BlockRead(0x0B, cmd, data);
    return Cut(Line(bus.FoldedWords()), "[R]");
  };
  const auto text = [&](std::size_t n) { return Bytes(abc.begin(), abc.begin() + static_cast<long>(n)); };
  EXPECT_EQ(block(0x20, {}), "Bytes=0 [STRING LENGTH < MINIMUM]  ");
  EXPECT_EQ(block(0x21, text(1)), "Bytes=1 A ");
  EXPECT_EQ(block(0x22, text(31)), "Bytes=31 " + abc.substr(0, 31) + " ");
  // Past 31 bytes only 31 are shown and the rest is too long.
  EXPECT_EQ(block(0x20, text(32)), "Bytes=32 [STRING LENGTH > MAXIMUM] " + abc.substr(0, 31) + " [MSG TOO LONG]");
  EXPECT_EQ(block(0x21, text(40)), "Bytes=40 [STRING LENGTH > MAXIMUM] " + abc.substr(0, 31) + " [MSG TOO LONG]");
  EXPECT_EQ(block(0x22, {'L', 'i', 0x7F, 0x1F, '~'}), "Bytes=5 Li 0x7F  0x1F ~ ");
  EXPECT_EQ(block(0x23, {}), "Bytes=0 [BLOCK LENGTH < MINIMUM]  ");
  std::string z31;
  for (int i = 0; i < 31; ++i) z31 += " 0x5A";
  EXPECT_EQ(block(0x23, Bytes(40, 0x5A)), "Bytes=40 [BLOCK LENGTH > MAXIMUM] " + z31 + " [MSG TOO LONG]");
  EXPECT_EQ(Line("S 16 20 S 17 05 41 42- P"),
            "[Start]#16 [W]ManufacturerName() [Start]#16 [R][MSG BYTES MISSING][Stop]");
  // Block writes count from the byte after the command.
  EXPECT_EQ(Line("S 16 2F 02 AA 55 P"), "[Start]#16 [W]OptionalMfgFunction5() Bytes=2  0xAA 0x55 [Stop]");
  EXPECT_EQ(Line("S 14 2F 03 AA P"), "[Start]#14 [W]OptSelMfgFunc5() [MASTER ABORT][Stop]");
}

TEST_F(SbsTest, CommandAccessAndReservedCodes) {
  EXPECT_EQ(Line("S 16 09 E0 2E P"), "[Start]#16 [W]Voltage() [READ ONLY ACCESS VIOLATION][Stop]");
  EXPECT_EQ(Line("S 12 14 S 13 D0 07- P"),
            "[Start]#12 [W]ChargingCurrent() [Start]#12 [R][WRITE ONLY ACCESS VIOLATION][Stop]");
  EXPECT_EQ(Line("S 16 1D S 17 FF FF- P"),
            "[Start]#16 [W][0x1D RESERVED FUNCTION][Start]#16 [R][RESERVED FUNCTION DATA] [Stop]");
  // Codes are per device: the battery's Voltage means nothing to the host.
  EXPECT_EQ(Line("S 10 09 01 00 P"), "[Start]#10 [W][0x09 RESERVED FUNCTION][Stop]");
  EXPECT_EQ(Line("S 17 34 12- P"), "[Start]#16 [R][UNITIALIZED READ OPERATION][Stop]");
  // No message reaches the uninitialized entry's own decoder.
  std::string text;
  CommandEntry(kUninitializedCommand).decoder(1, text);
  EXPECT_EQ(text, "[UNINITIALIZED FUNCTION DATA]");
}

TEST_F(SbsTest, AbortedIncompleteAndOverlongMessages) {
  EXPECT_EQ(Line("S 16 0D P"), "[Start]#16 [W]RelStateOfCharge() [TRANSACTION ABORTED][Stop]");
  EXPECT_EQ(Line("S 12- P"), "[Start]#12 [W][N][SLAVE ADDRESS NACK][Stop]");
  EXPECT_EQ(Line("S 17- P"), "[Start]#16 [R][N][SLAVE ADDRESS NACK][Stop]");
  EXPECT_EQ(Line("S 16 P"), "[Start]#16 [W][MASTER ABORT][Stop]");
  EXPECT_EQ(Line("S 12 14 D0 P"), "[Start]#12 [W]ChargingCurrent() [MASTER ABORT][Stop]");
  EXPECT_EQ(Line("S 12 14 D0- P"), "[Start]#12 [W]ChargingCurrent() [SLAVE ABORT][Stop]");
  EXPECT_EQ(Line("S 16 09 S 17 E0 2E 00- P"), "[Start]#16 [W]Voltage() [Start]#16 [R]12000 mv[MSG TOO LONG][Stop]");
  EXPECT_EQ(Line("S 12 14 D0 07 00 P"), "[Start]#12 [W]ChargingCurrent() 2000 ma[MSG TOO LONG][Stop]");
  gDisplay.DisplayAck = true;
  EXPECT_EQ(Line("S 12 14- P"), "[Start]#12 [W][A]ChargingCurrent() [N][TRANSACTION ABORTED][Stop]");

  // A segment keeps 65,535 bytes; filling it never completes the transaction.
  const auto bytes = [](std::size_t n, const std::string& head) {
    std::string s = head;
    for (std::size_t i = 0; i < n; ++i) s += " 55";
    return s + " P";
  };
  gDisplay.DisplayAck = false;
  EXPECT_EQ(Line(bytes(65'535, "S 17")), "[Start]#16 [R][MESSAGE TOO LONG][TRANSACTION ABORTED][Stop]");
  EXPECT_EQ(Line(bytes(70'000, "S 17")), "[Start]#16 [R][MESSAGE TOO LONG][TRANSACTION ABORTED][Stop]");
  EXPECT_EQ(Line(bytes(65'534, "S 17")), "[Start]#16 [R][UNITIALIZED READ OPERATION][Stop]");
  EXPECT_EQ(Line(bytes(65'533, "S 12 14")), "[Start]#12 [W]ChargingCurrent() 21845 ma[MSG TOO LONG][Stop]");
}

TEST_F(SbsTest, AlertResponseAndRepeatedStarts) {
  EXPECT_EQ(Line("S 19 16- P"), "[Start]#18 [R]Alert Device Address(#16)[Stop]");
  SetAlias(0x0B, "Pack");
  EXPECT_EQ(Line("S 19 17- P"), "[Start]#18 [R]Alert Device Address(Pack)[Stop]");
  EXPECT_EQ(Line("S 18 16 P"), "[Start]#18 [W][ALERT RESPONSE READ ONLY ACCESS VIOLATION][Stop]");
  ResetAliasTable();
  EXPECT_EQ(Line("S 16 09 S 13 E0 2E- P"),
            "[Start]#16 [W]Voltage() [Start]#12 [INVALID REPEATED START ADDRESS][R]12000 mv[Stop]");
  // Addresses that differ only in their top bit are different devices too.
  EXPECT_EQ(Line("S 96 09 S 17 E0 2E- P"),
            "[Start]#96 [W][Msg to non-SBS Device][Start]#16 [INVALID REPEATED START ADDRESS][R]"
            "[UNITIALIZED READ OPERATION][Stop]");
}

TEST_F(SbsTest, EndlessRepeatedStartsKeepTheLineBounded) {
  SetAlias(0x0B, std::string(255, 'x'));
  std::vector<TraceWord> words = {Start(0)};
  for (int i = 0; i < 20'000; ++i) words.insert(words.end(), {Start(1), Byte(0x16, 2)});
  words.push_back(Stop(3));
  const std::string line = Line(words);
  EXPECT_LE(line.size(), kMaxLineChars + 1024);
  EXPECT_EQ(line.substr(line.size() - 16), "x [W][...][Stop]");
}

TEST_F(SbsTest, PecOnReads) {
  PecOn();
  EXPECT_EQ(Cut(Line("S 16 09 S 17 E0 2E PEC- P"), "[R]"), "12000 mv[PEC OK][N]");
  EXPECT_EQ(Cut(Line("S 16 09 S 17 E0 2E- P"), "[R]"), "12000 mv[PEC NONE]");
  // The code covers the whole message, both address bytes and the command.
  const Bytes message = {0x16, 0x09, 0x17, 0xE0, 0x2E};
  const std::uint8_t crc = Crc8(message.data(), message.size());
  EXPECT_EQ(Cut(Line("S 16 09 S 17 E0 2E BAD- P"), "[R]"),
            "12000 mv[PEC=" + Hex2(crc ^ 0x21u) + " CRC=" + Hex2(crc) + " ERR][N]");
  // The master must not acknowledge the code, shown acknowledges or not.
  EXPECT_EQ(Cut(Line("S 16 09 S 17 E0 2E PEC P"), "[R]"), "12000 mv[PEC OK][PEC ACK ERROR]");
  // A byte past the code: the code still covers only the bytes before it.
  EXPECT_EQ(Cut(Line("S 16 09 S 17 E0 2E PEC 00- P"), "[R]"), "12000 mv[PEC OK][PEC ACK ERROR][MSG TOO LONG]");
  gDisplay.DisplayAck = true;
  EXPECT_EQ(Cut(Line("S 16 09 S 17 E0 2E PEC P"), "[R][A]"), "12000 mv[PEC OK][A][PEC ACK ERROR]");
  gDisplay.DisplayAck = false;
  TraceBuilder bus;
  bus.BlockRead(0x0B, 0x20, {'O', 'r', 'b'}, {.pec = true});
  EXPECT_EQ(Cut(Line(bus.FoldedWords()), "[R]"), "Bytes=3 Orb [PEC OK][N]");
}

TEST_F(SbsTest, PecOnWrites) {
  PecOn();
  EXPECT_EQ(Cut(Line("S 12 14 D0 07 PEC P"), "() "), "2000 ma[PEC OK]");
  EXPECT_EQ(Cut(Line("S 12 14 D0 07 P"), "() "), "2000 ma[PEC NONE]");
  const Bytes message = {0x12, 0x14, 0xD0, 0x07};
  const std::uint8_t crc = Crc8(message.data(), message.size());
  const std::string wrong = "[PEC=" + Hex2(crc ^ 0x21u) + " CRC=" + Hex2(crc) + " ERR]";
  // The device must reject a wrong code and accept a right one.
  EXPECT_EQ(Cut(Line("S 12 14 D0 07 BAD- P"), "() "), "2000 ma" + wrong + "[N]");
  EXPECT_EQ(Cut(Line("S 12 14 D0 07 BAD P"), "() "), "2000 ma" + wrong + "[PEC ACK ERROR]");
  EXPECT_EQ(Cut(Line("S 12 14 D0 07 PEC- P"), "() "), "2000 ma[PEC OK][N][PEC NACK ERROR]");
  EXPECT_EQ(Cut(Line("S 12 14 D0 07 PEC 00 P"), "() "), "2000 ma[PEC OK][MSG TOO LONG]");
  gDisplay.DisplayAck = true;
  EXPECT_EQ(Cut(Line("S 12 14 D0 07 PEC P"), "() "), "[A]2000 ma[PEC OK][A]");
}

TEST_F(SbsTest, PecNeedsTheBoxEnabledAndChecked) {
  gDisplay.PECChecked = true;  // SMBus 1.0 left the box disabled
  EXPECT_EQ(Cut(Line("S 16 09 S 17 E0 2E PEC- P"), "[R]"), "12000 mv[MSG TOO LONG]");
  PecOn();
  gDisplay.PECChecked = false;
  EXPECT_EQ(Cut(Line("S 16 09 S 17 E0 2E PEC- P"), "[R]"), "12000 mv[MSG TOO LONG]");
}

TEST_F(SbsTest, ProtocolErrorFilterShowsOnlyViolations) {
  gDataFilter.ProtocolErrorDetect = true;
  const std::vector<std::string> lines =
      Feed(Bus("S 16 09 S 17 E0 2E- P"   // clean
               " S 16 0D P"              // aborted, but no violation
               " S 16 0D S 17 65 00- P"  // out of range
               " S A0 00 12 P"           // not SBS: never filtered
               " S 12- P"));             // nobody answers
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Msg     3 [Start]#16 [W]RelStateOfCharge() [Start]#16 [R]101[VALUE RANGE VIOLATION] %[Stop]");
  EXPECT_EQ(lines[1], "Msg     4 [Start]#A0[W] 00 12 [Stop]");
  EXPECT_EQ(lines[2], "Msg     5 [Start]#12 [W][N][SLAVE ADDRESS NACK][Stop]");
  // Hidden lines take no record, so the records stay in step with the lines.
  ASSERT_EQ(gMsgTables.recordNext, 4u);
  EXPECT_EQ(gMsgTables.records[1].msgNumberLow, 3u);
  EXPECT_EQ(gMsgTables.records[3].msgNumberLow, 5u);

  gDisplay.DisplayFilter = false;
  EXPECT_EQ(Line("S 16 09 S 17 E0 2E- P"), "[Start]#16 [W]Voltage() [Start]#16 [R]12000 mv[Stop]");
  gDisplay.DisplayFilter = true;
  gDataFilter.ProtocolErrorDetect = false;
  EXPECT_EQ(Line("S 16 09 S 17 E0 2E- P"), "[Start]#16 [W]Voltage() [Start]#16 [R]12000 mv[Stop]");
}

}  // namespace
}  // namespace vantrel::test
