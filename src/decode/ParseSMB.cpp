#include "decode/ParseSMB.h"

#include <algorithm>
#include <array>

#include "common/Hex.h"
#include "decode/CRC8.h"
#include "decode/DecoderServices.h"
#include "decode/DisplayOptions.h"
#include "decode/Format.h"
#include "decode/ParseAH.h"

namespace vantrel {
namespace {

// One message's segment: element 0 the address byte, then its data bytes,
// each with its acknowledge.
struct Builder {
  std::string line;
  std::array<std::uint8_t, kMaxSegmentBytes + 1> value{};
  std::array<bool, kMaxSegmentBytes + 1> ack{};
  std::size_t count = 0;
  bool segmentOpen = false;
  bool repeatedStart = false;
  bool transactionOpen = false;
  bool violation = false;
  bool capped = false;
  std::uint8_t firstAddress = 0;
  std::size_t commandIndex = kUninitializedCommand;
  std::uint8_t crc = 0;  // the message's bytes so far, across repeated starts
};

Builder sb;

void Violation() { sb.violation = true; }

void AppendHex1(std::string& s, unsigned v) { s += kHexDigits[v & 15u]; }
void AppendHex4(std::string& s, unsigned v) {
  char buf[4];
  FormatHex(buf, v, 4);
  s.append(buf, 4);
}

// "<open>" + value in `digits` hex digits + "]" (or `close`); a violation.
void Annotate(std::string& t, const char* open, unsigned value, int digits, const char* close = "]") {
  t += open;
  if (digits == 1) {
    AppendHex1(t, value);
  } else {
    AppendHex4(t, value);
  }
  t += close;
  Violation();
}

void ReservedBits(std::string& t, unsigned v, unsigned mask) {
  if ((v & mask) != 0) Annotate(t, ", [RESERVED BIT VIOLATION 0x", v & mask, 4);
}

unsigned Word(std::size_t i) { return sb.value[i] + 256u * sb.value[i + 1]; }
bool Bit(unsigned v, unsigned bit) { return ((v >> bit) & 1u) != 0; }
void YesNo(std::string& t, unsigned v, unsigned bit) { t += Bit(v, bit) ? 'Y' : 'N'; }
bool Rev11(std::uint32_t revision) { return revision >= 1; }

// "A B C D " for the set bits of the low nibble; "None" when none is set.
void Batteries(std::string& t, unsigned v) {
  if ((v & 15u) == 0) {
    t += "None";
    return;
  }
  for (unsigned b = 0; b < 4; ++b) {
    if (Bit(v, b)) {
      t += static_cast<char>('A' + b);
      t += ' ';
    }
  }
}

// ---- value decoders ----------------------------------------------------------

const CommandDataRec& Current();

void UnsignedWord(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  AppendUInt(t, v);
  if (v > 100 && Current().unit == "%") {
    t += "[VALUE RANGE VIOLATION]";
    Violation();
  }
}

void SignedWord(std::size_t i, std::string& t) {
  const auto v = static_cast<std::int16_t>(static_cast<std::uint16_t>(Word(i)));
  if (v < 0) {
    t += '-';
    AppendUInt(t, static_cast<std::uint64_t>(-static_cast<int>(v)));
  } else {
    AppendUInt(t, static_cast<std::uint64_t>(v));
  }
}

void Boolean(std::size_t i, std::string& t) { t += Word(i) == 0 ? "FALSE" : "TRUE"; }

void Date(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  const unsigned day = v & 31u, month = (v >> 5) & 15u;
  AppendUInt(t, day);
  if (day == 0) {
    t += " [OUT OF RANGE]";
    Violation();
  }
  t += '/';
  AppendUInt(t, month);
  if (month == 0 || month > 12) {
    t += " [OUT OF RANGE]";
    Violation();
  }
  t += '/';
  AppendUInt(t, (v >> 9) + 1980);
}

// A count byte and up to 31 bytes after it.
void Counted(std::size_t i, std::string& t, const char* tooShort, const char* tooLong, bool text) {
  std::size_t n = sb.value[i];
  t += "Bytes=";
  AppendUInt(t, n);
  t += ' ';
  if (n < 1) {
    t += tooShort;
    Violation();
    return;
  }
  if (n > 31) {
    t += tooLong;
    Violation();
    n = 31;
  }
  for (std::size_t k = 1; k <= n; ++k) {
    const std::uint8_t c = sb.value[i + k];
    if (text && c >= 32 && c <= 126) {
      t += static_cast<char>(c);
    } else {
      t += " 0x";
      AppendHex2(t, c);
      if (text) t += ' ';
    }
  }
}

void String(std::size_t i, std::string& t) {
  Counted(i, t, "[STRING LENGTH < MINIMUM] ", "[STRING LENGTH > MAXIMUM] ", true);
}

void Block(std::size_t i, std::string& t) {
  Counted(i, t, "[BLOCK LENGTH < MINIMUM] ", "[BLOCK LENGTH > MAXIMUM] ", false);
}

void NoConversion(std::size_t, std::string& t) { t += "[--DATA CONVERSION--]"; }

void ReservedData(std::size_t, std::string& t) {
  t += "[RESERVED FUNCTION DATA]";
  Violation();
}

void UninitializedData(std::size_t, std::string& t) {
  t += "[UNINITIALIZED FUNCTION DATA]";
  Violation();
}

void BatteryMode(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  const bool rev11 = Rev11(gDecoderServices.Revisions().SBDataRev);
  t += "Internal_Charge_Controller(";
  YesNo(t, v, 0);
  t += "), Primary_Battery_Support(";
  YesNo(t, v, 1);
  t += "), Condition_Flag(";
  t += Bit(v, 7) ? "Cond_Cyc_Request" : "Battery_OK";
  t += "), Charge_Controller_Enabled(";
  YesNo(t, v, 8);
  t += "), Primary_Battery(";
  YesNo(t, v, 9);
  t += "), ";
  if (rev11) {
    t += "Alarm_Mode(";
    t += Bit(v, 13) ? 'D' : 'E';
    t += ") Broadcasts, ";
  }
  t += "Charger_Mode(";
  t += Bit(v, 14) ? 'D' : 'E';
  t += ") Broadcasts, Capacity_Mode(";
  t += Bit(v, 15) ? "10mw/10mwH" : "ma/maH";
  t += ')';
  ReservedBits(t, v, rev11 ? 0x1C7Cu : 0x3C7Cu);
}

// BatteryStatus, and AlarmWarning to the host or the charger.
void BatteryStatus(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  const std::uint8_t first = sb.firstAddress;
  t += "Alarms(";
  if ((v & 0xDB00u) != 0) {
    if (v & 0x8000u) t += "Over_Charged, ";
    if (v & 0x4000u) t += "Terminate_Charge, ";
    if (v & 0x1000u) t += "Over_Temp, ";
    if (v & 0x0800u) t += "Terminate_Discharge, ";
    if (v & 0x0200u) t += "Remaining_Capacity, ";
    if (v & 0x0100u) t += "Remaining_Time ";
  } else {
    t += "None";
  }
  if (first == 0x12 && (v & 0xD800u) == 0) {
    t += "[NO CHARGER ALARM VIOLATION]";
    Violation();
  } else if (first == 0x10 && (v & 0xDB00u) == 0) {
    t += "[NO HOST ALARM VIOLATION]";
    Violation();
  }
  t += ") Status(";
  if ((v & 0x00F0u) != 0) {
    if (v & 0x80u) t += "Initialized, ";
    if (v & 0x40u) t += "Discharging, ";
    if (v & 0x20u) t += "Fully_Charged, ";
    if (v & 0x10u) t += "Fully_Discharged";
  } else {
    t += "None";
  }
  t += ") Errors(";
  const unsigned e = v & 15u;
  if (first == 0x16) {
    static constexpr const char* kErrors[8] = {
        "OK",      "Busy",        "ReservedCommand", "UnsupportedCommand", "AccessDenied", "OverFlow/UnderFlow",
        "BadSize", "UnknownError"};
    if (e < 8) {
      t += kErrors[e];
    } else {
      Annotate(t, "[RESERVED ERROR CODE 0x", e, 1);
    }
  } else if (e == 15) {
    t += "0xF";
  } else {
    Annotate(t, "[INVALID ERROR CODE 0x", e, 1);
  }
  t += ')';
  ReservedBits(t, v, 0x2400u);
}

void OutOfRange(std::string& t, unsigned n, bool bad) {
  AppendUInt(t, n);
  if (bad) {
    t += " [VALUE OUT OF RANGE]";
    Violation();
  }
}

void SpecificationInfo(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  const unsigned revision = v & 15u, version = (v >> 4) & 15u;
  const bool rev11 = Rev11(gDecoderServices.Revisions().SBDataRev);
  t += "Revision(";
  if (!rev11) {
    AppendUInt(t, revision);
  } else if (revision == 1) {
    t += "1.0 and 1.1";
  } else {
    OutOfRange(t, revision, true);
  }
  t += "), Version(";
  if (!rev11) {
    OutOfRange(t, version, version == 0);
  } else if (version == 1) {
    t += "1.0";
  } else if (version == 2) {
    t += "1.1";
  } else if (version == 3) {
    t += "1.1 w/PEC";
  } else {
    OutOfRange(t, version, true);
  }
  t += "), VScale(";
  OutOfRange(t, (v >> 8) & 15u, ((v >> 8) & 15u) > 3);
  t += "), IPScale(";
  OutOfRange(t, (v >> 12) & 15u, ((v >> 12) & 15u) > 3);
  t += ')';
}

// "1.0", "1.1", "1.1 w/PEC" for 1, 2, 3; revision 1.0 knows only the first.
const char* RevisionName(unsigned n, bool rev11) {
  if (n == 1) return "1.0";
  if (!rev11) return nullptr;
  if (n == 2) return "1.1";
  if (n == 3) return "1.1 w/PEC";
  return nullptr;
}

void ChargerSpecInfo(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  t += "Charger_Spec(";
  if (const char* name = RevisionName(v & 15u, Rev11(gDecoderServices.Revisions().SBChargerRev))) {
    t += name;
  } else {
    Annotate(t, "[RESERVED VALUE VIOLATION 0x", v & 15u, 4);
  }
  t += "), Selector_Support(";
  YesNo(t, v, 4);
  t += ')';
  ReservedBits(t, v, 0xFFE0u);
}

void ChargerMode(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  t += "Inhibit_Charge(";
  YesNo(t, v, 0);
  t += "), Enable_Polling(";
  YesNo(t, v, 1);
  t += "), POR_Reset(";
  YesNo(t, v, 2);
  t += "), Reset_To_Zero(";
  YesNo(t, v, 3);
  t += ')';
  ReservedBits(t, v, 0xFFF0u);
}

void ChargerStatus(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  const bool rev11 = Rev11(gDecoderServices.Revisions().SBChargerRev);
  t += "Charge_Inhibited(";
  YesNo(t, v, 0);
  t += rev11 ? "), Polling_Enabled(" : "), Master_Mode(";
  YesNo(t, v, 1);
  t += "), Voltage(";
  t += Bit(v, 2) ? "Not Regulated" : "Regulated";
  t += "), Current(";
  t += Bit(v, 3) ? "Not Regulated" : "Regulated";
  t += "), Level(";
  if ((v & 0x30u) == 0x10u) {
    t += '2';
  } else if ((v & 0x30u) == 0x30u) {
    t += '3';
  } else {
    Annotate(t, "[VALUE VIOLATION 0x", v & 0x30u, 4);
  }
  t += "), C_OR(";
  YesNo(t, v, 6);
  t += "), V_OR(";
  YesNo(t, v, 7);
  t += rev11 ? "), Res_OR(" : "), T_OR(";
  YesNo(t, v, 8);
  t += rev11 ? "), Res_Cold(" : "), T_Cold(";
  YesNo(t, v, 9);
  t += rev11 ? "), Res_Hot(" : "), T_Hot(";
  YesNo(t, v, 10);
  t += rev11 ? "), Res_UR(" : "), T_UR(";
  YesNo(t, v, 11);
  t += "), Alarm_Inhibited(";
  YesNo(t, v, 12);
  t += "), Power_Fail(";
  YesNo(t, v, 13);
  t += "), Battery_Present(";
  YesNo(t, v, 14);
  t += "), AC_Present(";
  YesNo(t, v, 15);
  t += ')';
}

// A battery letter for one set bit of the nibble at `shift`, `zero` when none
// is set; any other pattern is annotated.
void SingleBattery(std::string& t, unsigned v, unsigned shift, const char* zero) {
  const unsigned f = (v >> shift) & 15u;
  switch (f) {
    case 0: t += zero; break;
    case 1: t += 'A'; break;
    case 2: t += 'B'; break;
    case 4: t += 'C'; break;
    case 8: t += 'D'; break;
    default: Annotate(t, "[SINGLE BIT VIOLATION 0x", f << shift, 4); break;
  }
}

void SelectorState(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  t += "SMB(";
  SingleBattery(t, v, 12, "None");
  t += "), Power_By(";
  static constexpr const char* kPowerBy[16] = {"AC",    "A",          "B",          nullptr, "C",     nullptr,
                                               nullptr, "D Charging", "D",          nullptr, nullptr, "C Charging",
                                               nullptr, "B Charging", "A Charging", "AC"};
  if (const char* p = kPowerBy[(v >> 8) & 15u]) {
    t += p;
  } else {
    Annotate(t, "[VALUE VIOLATION 0x", v & 0x0F00u, 4, "], ");
  }
  t += "), Charge(";
  static constexpr const char* kCharge[16] = {"No/Unknown", "A NoAC", "B NoAC", nullptr,          "C NoAC", nullptr,
                                              nullptr,      "D W/AC", "D NoAC", nullptr,          nullptr,  "C W/AC",
                                              nullptr,      "B W/AC", "A W/AC", "No/Unknown W/AC"};
  if (const char* c = kCharge[(v >> 4) & 15u]) {
    t += c;
  } else {
    Annotate(t, "[VALUE VIOLATION 0x", v & 0x00F0u, 4);
  }
  t += "), Present(";
  Batteries(t, v);
  t += ')';
}

void SelectorPresets(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  t += "Use_Next(";
  SingleBattery(t, v, 4, "Default");
  t += "), OK_To_Use(";
  Batteries(t, v);
  t += ')';
  ReservedBits(t, v, 0xFF00u);
}

void SelectorInfo(std::size_t i, std::string& t) {
  const unsigned v = Word(i);
  t += "Batteries_Supported(";
  Batteries(t, v);
  t += "), Selector_Revision(";
  if (const char* name = RevisionName((v >> 4) & 15u, Rev11(gDecoderServices.Revisions().SBSelectorRev))) {
    t += name;
  } else {
    Annotate(t, "[VALUE VIOLATION 0x", v & 0xF0u, 4);
  }
  t += "), Charging_Indicator(";
  t += Bit(v, 8) ? "Supported" : "Not Supported";
  t += ')';
  ReservedBits(t, v, 0xFE00u);
}

// ---- the command table -------------------------------------------------------

constexpr std::uint8_t kHost = 0x10, kCharger = 0x12, kSelector = 0x14, kBattery = 0x16;
constexpr std::uint8_t kR = kReadOnly, kW = kWriteOnly, kRW = kReadWrite;

struct CommandDef {
  std::uint8_t device;  // write address whose map points here; 0 for none
  std::uint8_t code;
  CommandDataRec rec;
};

constexpr CommandDef kCommands[kCommandCount] = {
    {kBattery, 0x00, {"ManufacturerAccess", UnsignedWord, "word", 2, kRW}},
    {kBattery, 0x01, {"RemainCapacityAlarm", UnsignedWord, "maH/10mwH", 2, kRW}},
    {kBattery, 0x02, {"RemainTimeAlarm", UnsignedWord, "minutes", 2, kRW}},
    {kBattery, 0x03, {"BatteryMode", BatteryMode, "", 2, kRW}},
    {kBattery, 0x04, {"AtRate", SignedWord, "ma/10mw", 2, kRW}},
    {kBattery, 0x05, {"AtRateTimeToFull", UnsignedWord, "minutes", 2, kR}},
    {kBattery, 0x06, {"AtRateTimeToEmpty", UnsignedWord, "minutes", 2, kR}},
    {kBattery, 0x07, {"AtRateOK", Boolean, "", 2, kR}},
    {kBattery, 0x08, {"Temperature", UnsignedWord, "*0.1 degK", 2, kR}},
    {kBattery, 0x09, {"Voltage", UnsignedWord, "mv", 2, kR}},
    {kBattery, 0x0A, {"Current", SignedWord, "ma", 2, kR}},
    {kBattery, 0x0B, {"AverageCurrent", SignedWord, "ma", 2, kR}},
    {kBattery, 0x0C, {"MaxError", UnsignedWord, "%", 2, kR}},
    {kBattery, 0x0D, {"RelStateOfCharge", UnsignedWord, "%", 2, kR}},
    {kBattery, 0x0E, {"AbsStateOfCharge", UnsignedWord, "%", 2, kR}},
    {kBattery, 0x0F, {"RemainingCapacity", UnsignedWord, "maH/10mwH", 2, kR}},
    {kBattery, 0x10, {"FullChargeCapacity", UnsignedWord, "maH/10mwH", 2, kR}},
    {kBattery, 0x11, {"RunTimeToEmpty", UnsignedWord, "minutes", 2, kR}},
    {kBattery, 0x12, {"AveTimeToEmpty", UnsignedWord, "minutes", 2, kR}},
    {kBattery, 0x13, {"AveTimeToFull", UnsignedWord, "minutes", 2, kR}},
    {kBattery, 0x14, {"ChargingCurrent", UnsignedWord, "ma", 2, kR}},
    {kBattery, 0x15, {"ChargingVoltage", UnsignedWord, "mv", 2, kR}},
    {kBattery, 0x16, {"BatteryStatus", BatteryStatus, "", 2, kR}},
    {kBattery, 0x17, {"CycleCount", UnsignedWord, "counts", 2, kR}},
    {kBattery, 0x18, {"DesignCapacity", UnsignedWord, "maH/10mwH", 2, kR}},
    {kBattery, 0x19, {"DesignVoltage", UnsignedWord, "mv", 2, kR}},
    {kBattery, 0x1A, {"SpecificationInfo", SpecificationInfo, "", 2, kR}},
    {kBattery, 0x1B, {"ManufactureDate", Date, "D/M/Y", 2, kR}},
    {kBattery, 0x1C, {"SerialNumber", UnsignedWord, "", 2, kR}},
    {kBattery, 0x20, {"ManufacturerName", String, "", 0, kR}},
    {kBattery, 0x21, {"DeviceName", String, "", 0, kR}},
    {kBattery, 0x22, {"DeviceChemistry", String, "", 0, kR}},
    {kBattery, 0x23, {"ManufacturerData", Block, "", 0, kR}},
    {kBattery, 0x2F, {"OptionalMfgFunction5", Block, "", 0, kRW}},
    {kBattery, 0x3C, {"OptionalMfgFunction4", UnsignedWord, "word", 2, kRW}},
    {kBattery, 0x3D, {"OptionalMfgFunction3", UnsignedWord, "word", 2, kRW}},
    {kBattery, 0x3E, {"OptionalMfgFunction2", UnsignedWord, "word", 2, kRW}},
    {kBattery, 0x3F, {"OptionalMfgFunction1", UnsignedWord, "word", 2, kRW}},
    {kHost, 0x16, {"AlarmWarning", BatteryStatus, "", 2, kW}},
    {kCharger, 0x11, {"ChargerSpecInfo", ChargerSpecInfo, "", 2, kR}},
    {kCharger, 0x12, {"ChargerMode", ChargerMode, "", 2, kW}},
    {kCharger, 0x13, {"ChargerStatus", ChargerStatus, "", 2, kR}},
    {kCharger, 0x14, {"ChargingCurrent", UnsignedWord, "ma", 2, kW}},
    {kCharger, 0x15, {"ChargingVoltage", UnsignedWord, "mv", 2, kW}},
    {kCharger, 0x16, {"AlarmWarning", BatteryStatus, "", 2, kW}},
    {kCharger, 0x21, {"SelectorState", SelectorState, "", 2, kR}},
    {kCharger, 0x22, {"SelectorPresets", SelectorPresets, "", 2, kW}},
    {kCharger, 0x24, {"SelectorInfo", NoConversion, "", 2, kR}},
    {kCharger, 0x3C, {"OptionalMfgFunction4", UnsignedWord, "", 2, kRW}},
    {kCharger, 0x3D, {"OptionalMfgFunction3", UnsignedWord, "", 2, kRW}},
    {kCharger, 0x3E, {"OptionalMfgFunction2", UnsignedWord, "", 2, kRW}},
    {kCharger, 0x3F, {"OptionalMfgFunction1", UnsignedWord, "", 2, kRW}},
    {kSelector, 0x01, {"SelectorState", SelectorState, "", 2, kRW}},
    {kSelector, 0x02, {"SelectorPresets", SelectorPresets, "", 2, kRW}},
    {kSelector, 0x04, {"SelectorInfo", SelectorInfo, "", 2, kR}},
    {kSelector, 0x2F, {"OptSelMfgFunc5", Block, "", 0, kRW}},
    {kSelector, 0x3C, {"OptSelMfgFunc4", UnsignedWord, "", 2, kRW}},
    {kSelector, 0x3D, {"OptSelMfgFunc3", UnsignedWord, "", 2, kRW}},
    {kSelector, 0x3E, {"OptSelMfgFunc2", UnsignedWord, "", 2, kRW}},
    {kSelector, 0x3F, {"OptSelMfgFunc1", UnsignedWord, "", 2, kRW}},
    {0, 0, {"ReservedCommand", ReservedData, "", 2, kRW}},
    {0, 0, {"UninitializedCommand", UninitializedData, "", 2, kRW}},
};

struct CommandTables {
  std::array<CommandDataRec, 63> table{};               // room for one more
  std::array<std::array<std::uint8_t, 256>, 4> maps{};  // host, charger, selector, battery
};

int MapOf(std::uint8_t writeAddress) {
  switch (writeAddress) {
    case kHost: return 0;
    case kCharger: return 1;
    case kSelector: return 2;
    case kBattery: return 3;
    default: return -1;
  }
}

CommandTables MakeTables() {
  CommandTables t;
  for (auto& map : t.maps) map.fill(static_cast<std::uint8_t>(kReservedCommand));
  for (std::size_t i = 0; i < kCommandCount; ++i) {
    t.table[i] = kCommands[i].rec;
    const int m = MapOf(kCommands[i].device);
    if (m >= 0) t.maps[static_cast<std::size_t>(m)][kCommands[i].code] = static_cast<std::uint8_t>(i);
  }
  t.table[62] = kCommands[kReservedCommand].rec;
  return t;
}

CommandTables gCommands = MakeTables();

const CommandDataRec& Current() { return gCommands.table[sb.commandIndex]; }

// ---- segments ----------------------------------------------------------------

// Folds elements first..last into the message's running CRC; returns it.
std::uint8_t FoldCrc(std::size_t first, std::size_t last) {
  std::uint8_t crc = sb.crc;
  for (std::size_t k = first; k <= last; ++k) crc = Crc8Update(crc, sb.value[k]);
  sb.crc = crc;
  return crc;
}

bool ComparePec(std::uint8_t pec, std::uint8_t crc) {
  std::string& t = sb.line;
  if (pec != crc) {
    t += "[PEC=";
    AppendHex2(t, pec);
    t += " CRC=";
    AppendHex2(t, crc);
    t += " ERR]";
    Violation();
    return false;
  }
  t += "[PEC OK]";
  return true;
}

// Bytes a command expects from `first` on: its word, or a block's count byte
// and at most 31 bytes after it.
std::size_t Expected(const CommandDataRec& cmd, std::size_t first) {
  if (cmd.dataLength != 0) return cmd.dataLength;
  return std::min<std::size_t>(sb.value[first] + 1u, 32u);
}

void AppendValue(const CommandDataRec& cmd, std::size_t first) {
  cmd.decoder(first, sb.line);
  sb.line += ' ';
  sb.line += cmd.unit;
}

void Complete() { sb.transactionOpen = false; }

void Flag(const char* text) {
  sb.line += text;
  Violation();
}

void ReadSegment(std::size_t n, bool pec, const DisplayOptions& o) {
  std::string& t = sb.line;
  if (sb.firstAddress == 0x19) {
    t += "Alert Device Address(";
    t += gDecoderServices.AliasText(sb.value[1] >> 1);
    t += ')';
    FoldCrc(1, n);
    return Complete();
  }
  const CommandDataRec& cmd = Current();
  if (cmd.access == kWriteOnly) {
    Flag("[WRITE ONLY ACCESS VIOLATION]");
    FoldCrc(1, n);
    return Complete();
  }
  if (sb.commandIndex == kUninitializedCommand) {
    Flag("[UNITIALIZED READ OPERATION]");
    FoldCrc(1, n);
    return Complete();
  }
  std::size_t expected = Expected(cmd, 1);
  if (expected > n) {
    Flag("[MSG BYTES MISSING]");
    FoldCrc(1, n);
    return Complete();
  }
  AppendValue(cmd, 1);
  if (pec) {
    if (expected + 1 <= n) {
      const std::size_t at = expected + 1;
      ComparePec(sb.value[at], FoldCrc(1, expected));
      // The master ends a read by not acknowledging its last byte.
      if (sb.ack[at]) {
        if (o.DisplayAck) t += "[A]";
        Flag("[PEC ACK ERROR]");
      } else if (o.DisplayNack) {
        t += "[N]";
      }
    } else {
      t += "[PEC NONE]";
      FoldCrc(1, n);
    }
    ++expected;
  } else {
    FoldCrc(1, n);
  }
  if (expected < n) Flag("[MSG TOO LONG]");
  Complete();
}

void WriteSegment(std::size_t n, bool pec, const DisplayOptions& o) {
  std::string& t = sb.line;
  const std::uint8_t a = sb.value[0];
  if (a < 0x10 || a > 0x18) {
    t += "[Msg to non-SBS Device]";
    FoldCrc(1, n);
    return Complete();
  }
  if (a == 0x18) {
    FoldCrc(1, n);
    return Complete();
  }
  const std::uint8_t code = sb.value[1];
  sb.commandIndex = CommandIndex(a, code);
  if (sb.commandIndex == kReservedCommand) {
    t += "[0x";
    AppendHex2(t, code);
    t += " RESERVED FUNCTION]";
    Violation();
    FoldCrc(1, n);
    return Complete();
  }
  const CommandDataRec& cmd = Current();
  t += cmd.name;
  t += "() ";
  if (o.DisplayAck && sb.ack[1]) t += "[A]";
  if (o.DisplayNack && !sb.ack[1]) t += "[N]";
  if (n < 2) {  // the command of a read that follows the repeated start
    FoldCrc(1, 1);
    return;
  }
  if (cmd.access == kReadOnly) {
    Flag("[READ ONLY ACCESS VIOLATION]");
    FoldCrc(1, n);
    return Complete();
  }
  const std::size_t expected = Expected(cmd, 2);
  if (expected + 1 > n) {
    t += sb.ack[n] ? "[MASTER ABORT]" : "[SLAVE ABORT]";
    FoldCrc(1, n);
    return Complete();
  }
  AppendValue(cmd, 2);
  std::size_t used = expected + 1;
  if (pec) {
    if (expected + 2 <= n) {
      const std::size_t at = expected + 2;
      const bool right = ComparePec(sb.value[at], FoldCrc(1, expected + 1));
      // The device acknowledges a right code and rejects a wrong one.
      if (sb.ack[at]) {
        if (o.DisplayAck) t += "[A]";
        if (!right) Flag("[PEC ACK ERROR]");
      } else {
        if (o.DisplayNack) t += "[N]";
        if (right) Flag("[PEC NACK ERROR]");
      }
    } else {
      t += "[PEC NONE]";
      FoldCrc(1, n);
    }
    used = expected + 2;
  } else {
    FoldCrc(1, n);
  }
  if (n > used) Flag("[MSG TOO LONG]");
  Complete();
}

void DecodeSegment(const DisplayOptions& o) {
  const std::size_t n = sb.count;
  sb.count = 0;
  if (n == 0) {
    if (!sb.ack[0]) {
      Flag("[SLAVE ADDRESS NACK]");
    } else {
      sb.line += "[MASTER ABORT]";
    }
    return Complete();
  }
  if (n >= kMaxSegmentBytes) {  // the transaction stays open
    Flag("[MESSAGE TOO LONG]");
    FoldCrc(1, n);
    return;
  }
  const bool pec = o.PECEnabled && o.PECChecked;
  if ((sb.value[0] & 1u) != 0) {
    ReadSegment(n, pec, o);
  } else {
    WriteSegment(n, pec, o);
  }
}

// Keeps the line within the decoder's line limit: the step that would pass
// it and every later one but the STOP's tokens are dropped, marked "[...]".
void Cap(std::size_t mark) {
  if (sb.capped) {
    sb.line.resize(mark);
  } else if (sb.line.size() > kMaxLineChars) {
    sb.line.resize(mark);
    sb.capped = true;
    sb.line += "[...]";
  }
}

void AddressByte(std::uint8_t a, bool acked, std::string_view& startTime, const DisplayOptions& o) {
  std::string& t = sb.line;
  if (sb.segmentOpen) {
    DecodeSegment(o);
    sb.repeatedStart = true;
  }
  sb.segmentOpen = sb.transactionOpen = true;
  if (o.DisplayStart) t += "[Start]";
  t += startTime;
  startTime = {};
  if (!sb.repeatedStart) sb.firstAddress = a;
  sb.value[0] = a;
  sb.ack[0] = acked;
  sb.crc = Crc8Update(sb.crc, a);
  t += gDecoderServices.AliasText(a >> 1);
  t += ' ';
  // The whole 7-bit address must match; only R/W may change.
  if (sb.repeatedStart && (sb.firstAddress & 0xFEu) != (a & 0xFEu)) Flag("[INVALID REPEATED START ADDRESS]");
  if (o.DisplayRW) t += (a & 1u) != 0 ? "[R]" : "[W]";
  if (a == 0x18) Flag("[ALERT RESPONSE READ ONLY ACCESS VIOLATION]");
  if (o.DisplayAck && acked) t += "[A]";
  if (o.DisplayNack && !acked) t += "[N]";
}

}  // namespace

void BuildCommandTable() { gCommands = MakeTables(); }

const CommandDataRec& CommandEntry(std::size_t index) {
  return gCommands.table[index < kCommandCount ? index : kReservedCommand];
}

std::size_t CommandIndex(std::uint8_t writeAddress, std::uint8_t code) {
  const int m = MapOf(writeAddress);
  return m < 0 ? kReservedCommand : gCommands.maps[static_cast<std::size_t>(m)][code];
}

bool SbsViolation() { return sb.violation; }

const std::string& FormatSbsMessage(std::string_view prefix, std::string_view startTimeText,
                                    std::string_view messageCode, std::string_view bitRateText) {
  const DisplayOptions& o = gDisplay;
  std::string& t = sb.line;
  t.assign(prefix);
  sb.count = 0;
  sb.segmentOpen = sb.repeatedStart = sb.transactionOpen = sb.violation = sb.capped = false;
  sb.commandIndex = kUninitializedCommand;
  sb.crc = 0;
  std::string_view startTime = startTimeText;

  const std::size_t size = messageCode.size();
  for (std::size_t k = 0; k + 3 <= size; k += 3) {
    const char c = messageCode[k];
    std::uint32_t value = 0;
    (void)ParseHex(messageCode.substr(k + 1, 2), value);  // the decoder writes valid digits
    const auto b = static_cast<std::uint8_t>(value);
    if (c == '3' || c == '4') {
      if (sb.count < kMaxSegmentBytes) {
        ++sb.count;
        sb.value[sb.count] = b;
        sb.ack[sb.count] = c == '3';
      }
    } else if (c == '1' || c == '2') {
      const std::size_t mark = t.size();
      AddressByte(b, c == '1', startTime, o);
      Cap(mark);
    } else if (c == '5') {
      const std::size_t mark = t.size();
      if (sb.segmentOpen) DecodeSegment(o);
      Cap(mark);
      if (sb.transactionOpen) t += "[TRANSACTION ABORTED]";
      if (o.DisplayStop) t += "[Stop]";
      t += bitRateText;
      sb.segmentOpen = false;
    }
  }
  if (o.DisplayFilter && gDecoderServices.ProtocolErrorDetect() && !sb.violation) t.clear();
  return t;
}

}  // namespace vantrel
