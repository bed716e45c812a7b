#include "settings/Settings.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>

#include "analysis/Revisions.h"
#include "common/Reports.h"
#include "common/TextFile.h"
#include "decode/DisplayOptions.h"
#include "filters/AddressFilter.h"
#include "filters/AliasFile.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"
#include "pipeline/TraceControl.h"
#include "pod/LogicAnalyser.h"
#include "pod/PodInterface.h"
#include "pod/TriggerOut.h"

namespace vantrel {

WindowOptions gWindowOptions;

namespace {

enum class Kind { Boolean, Radio, Number, Text, ByteTimeDisabled, InterfaceType, BoardNumber, Spool };

struct Key {
  std::string_view write;  // the key as Save writes it; empty: never written
  std::string_view match;  // presence anywhere in a line applies the row
  Kind kind;
  bool* flag = nullptr;                         // Boolean
  DataProtocol radio = DataProtocol::None;      // Radio
  std::uint32_t* number = nullptr;              // Number
  std::uint32_t min = 0, max = std::numeric_limits<std::uint32_t>::max();
  std::uint32_t fallback = 768;                 // a value that is not a number
  bool (*set)(std::string_view) = nullptr;      // Text: the owner's setter; false = read error
  std::string (*get)() = nullptr;               // Text: the owner's value
  bool (*written)() = nullptr;                  // Text: written only while this holds (null: always)
  bool onlyWhenOn = false;                      // Boolean: written only while true
  int spoolDevice = 0;                          // Spool: 0 RAM, 1 DISK
};

bool SetAddrMap(std::string_view v) {
  SetAddrMapString(v);  // a value of the wrong length changes nothing
  return true;
}
bool SetPattern(std::string_view v) {
  SetTriggerMemory(gTriggerOut.PatternMem, v);
  return true;
}
bool SetDontCare(std::string_view v) {
  SetTriggerMemory(gTriggerOut.DontCareMem, v);
  return true;
}
bool SetPosition(std::string_view v) {
  SetTriggerMemory(gTriggerOut.TrigPosMem, v);
  return true;
}
std::string Pattern() { return TriggerMemoryText(gTriggerOut.PatternMem); }
std::string DontCare() { return TriggerMemoryText(gTriggerOut.DontCareMem); }
std::string Position() { return TriggerMemoryText(gTriggerOut.TrigPosMem); }
std::string AliasName() { return AliasFileName(); }
// The logic analyser's settings; a value that is empty changes nothing.
bool SetText(std::string& to, std::string_view v) {
  if (!v.empty()) to = std::string(v);
  return true;
}
bool SetAnalyserDevice(std::string_view v) { return SetText(gLogicAnalyser.device, v); }
bool SetAnalyserScl(std::string_view v) { return SetText(gLogicAnalyser.scl, v); }
bool SetAnalyserSda(std::string_view v) { return SetText(gLogicAnalyser.sda, v); }
// A rate in Hz, all its digits (rates have more than three).
bool SetAnalyserRate(std::string_view v) {
  std::uint32_t rate = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), rate);
  if (ec == std::errc{} && end != v.data() && rate > 0) gLogicAnalyser.sampleRateHz = rate;
  return true;
}
std::string AnalyserRate() { return std::to_string(gLogicAnalyser.sampleRateHz); }
std::string AnalyserDevice() { return gLogicAnalyser.device; }
std::string AnalyserScl() { return gLogicAnalyser.scl; }
std::string AnalyserSda() { return gLogicAnalyser.sda; }

constexpr std::uint32_t kAny = std::numeric_limits<std::uint32_t>::max();

Key Flag(std::string_view write, std::string_view match, bool* flag) { return {write, match, Kind::Boolean, flag}; }
Key Radio(std::string_view write, std::string_view match, DataProtocol p) {
  return {write, match, Kind::Radio, nullptr, p};
}
Key Number(std::string_view key, std::uint32_t* n, std::uint32_t min, std::uint32_t max, std::uint32_t fallback) {
  return {key, key, Kind::Number, nullptr, DataProtocol::None, n, min, max, fallback};
}
Key Text(std::string_view key, bool (*set)(std::string_view), std::string (*get)()) {
  Key k{key, key, Kind::Text};
  k.set = set;
  k.get = get;
  return k;
}
// The logic analyser's keys, written only while it is the interface: files
// of other users stay as they always were.
Key AnalyserText(std::string_view key, bool (*set)(std::string_view), std::string (*get)()) {
  Key k = Text(key, set, get);
  k.written = [] { return gPodSelection.InterfaceType == InterfaceKind::LogicAnalyser; };
  return k;
}
// An option beyond the original file layout, written only while it is on: a
// file without it means off, and files of other users stay as they were.
Key NewFlag(std::string_view key, bool* flag) {
  Key k = Flag(key, key, flag);
  k.onlyWhenOn = true;
  return k;
}
Key Spool(std::string_view write, std::string_view match, int device) {
  Key k{write, match, Kind::Spool};
  k.spoolDevice = device;
  return k;
}

// The key table in file order.
const std::vector<Key>& Keys() {
  static const std::vector<Key> keys = {
      {"InterfaceType=", "InterfaceType=", Kind::InterfaceType},
      {"ULBoardNum=", "ULBoardNum=", Kind::BoardNumber},
      Number("Threshold=", &gPodOptions.Threshold, 50, 250, 768),
      Flag("ExtTrigger=", "ExtTrigger", &gPodOptions.ExtTrigger),
      Number("TrigCode=", &gPodOptions.TrigCode, 0, kAny, 0),
      Text("PatternMem=", &SetPattern, &Pattern),
      Text("DontCareMem=", &SetDontCare, &DontCare),
      Text("TrigPosMem=", &SetPosition, &Position),
      Flag("MenuSetupEnableBitTiming=", "MenuSetupEnableBitTiming", &gTraceOptions.EnableBitTiming),
      Radio("DisplayASCII=", "DisplayASCII", DataProtocol::ASCII),
      Radio("DisplayHEX=", "DisplayHEX", DataProtocol::HEX),
      Radio("DisplaySBS=", "DisplaySBS", DataProtocol::SBS),
      Radio("DisplayCD=", "DisplayCD", DataProtocol::CD),
      Radio("DisplayRaw=", "DisplayRaw", DataProtocol::Raw),
      Flag("ShowHints=", "ShowHints", &gWindowOptions.ShowHints),
      Flag("LogFileReadAutopause=", "LogFileReadAutopause", &gTraceOptions.LogReadAutoPause),
      Number("CharPerLine=", &gWindowOptions.CharPerLine, 40, 250, 768),
      // "=" keeps DisplayStartTime lines from matching.
      Flag("DisplayStart=", "DisplayStart=", &gDisplay.DisplayStart),
      Flag("DisplayStop=", "DisplayStop", &gDisplay.DisplayStop),
      Flag("DisplayRW=", "DisplayRW", &gDisplay.DisplayRW),
      Flag("DisplayAck=", "DisplayAck", &gDisplay.DisplayAck),
      Flag("DisplayNack=", "DisplayNack", &gDisplay.DisplayNack),
      Flag("DisplayStartTime=", "DisplayStartTime", &gDisplay.DisplayStartTime),
      Flag("DisplayByteTime=", "DisplayByteTime", &gDisplay.DisplayByteTime),
      Flag("ByteTimeEnabled=", "ByteTimeEnabled", &gDisplay.ByteTimeEnabled),
      {"", "ByteTimeDisabled", Kind::ByteTimeDisabled},
      Flag("DisplayAbsTime=", "DisplayAbsTime", &gDisplay.DisplayAbsTime),
      Flag("DisplayFilter=", "DisplayFilter", &gDisplay.DisplayFilter),
      Flag("DisplayBitRate=", "DisplayBitRate", &gDisplay.DisplayBitRate),
      Flag("PECChecked=", "PECChecked", &gDisplay.PECChecked),
      Flag("PECEnabled=", "PECEnabled", &gDisplay.PECEnabled),
      Number("SMBusRev=", &gRevisions.SMBusRev, 0, kAny, 768),
      Number("SBDataRev=", &gRevisions.SBDataRev, 0, kAny, 768),
      Number("SBChargerRev=", &gRevisions.SBChargerRev, 0, kAny, 768),
      Number("SBSelectorRev=", &gRevisions.SBSelectorRev, 0, kAny, 768),
      Text("AddrMap=", &SetAddrMap, &GetAddrMapString),
      Text("MatchData=", &SetMatchDataString, &GetMatchDataString),
      Text("MatchCondition=", &SetMatchConditionString, &GetMatchConditionString),
      Flag("ProtocolErrorDetect=", "ProtocolErrorDetect", &gDataFilter.ProtocolErrorDetect),
      Text("AliasFileName=", &LoadAliasFileByName, &AliasName),
      Spool("SpoolType=DISK, ", "SpoolType=DISK", 1),
      Spool("SpoolType=RAM, ", "SpoolType=RAM", 0),
      AnalyserText("LogicAnalyserDevice=", &SetAnalyserDevice, &AnalyserDevice),
      AnalyserText("LogicAnalyserSCL=", &SetAnalyserScl, &AnalyserScl),
      AnalyserText("LogicAnalyserSDA=", &SetAnalyserSda, &AnalyserSda),
      AnalyserText("LogicAnalyserRate=", &SetAnalyserRate, &AnalyserRate),
      NewFlag("KeepWholeTrace=", &gTraceOptions.KeepWholeTrace),
  };
  return keys;
}

// Settings texts of the interface types, in the order Load tests them.
struct InterfaceText {
  std::string_view text;
  InterfaceKind kind;
};
constexpr InterfaceText kInterfaceTexts[] = {{"iNone", InterfaceKind::None},
                                             {"iCBW", InterfaceKind::Board},
                                             {"iVNTUA", InterfaceKind::Usb},
                                             {"iSIM", InterfaceKind::Simulator},
                                             {"iLA", InterfaceKind::LogicAnalyser}};

// Size texts by index; Load tests them in this order, the last found wins
// ("10MB" is not part of "100MB").
constexpr std::string_view kRamSizes[] = {"100KB", "250KB", "500KB", "1MB"};
constexpr std::string_view kDiskSizes[] = {"10MB", "100MB", "500MB", "1GB"};

constexpr std::size_t kMaxNumberChars = 3;
constexpr std::size_t kMaxTextChars = 200;

// At most three characters after the key, read as an integer (blanks before
// it allowed); nullopt when they are not a number.
std::optional<long> ReadNumber(std::string_view after) {
  std::string_view v = after.substr(0, kMaxNumberChars);
  while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
  if (!v.empty() && v.front() == '+') v.remove_prefix(1);
  long n = 0;
  auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (ec != std::errc{} || end != v.data() + v.size()) return std::nullopt;
  return n;
}

// A USB adapter's serial: the whole decimal number after the key.
std::optional<std::int32_t> ReadSerial(std::string_view after) {
  while (!after.empty() && after.front() == ' ') after.remove_prefix(1);
  std::int32_t n = 0;
  auto [end, ec] = std::from_chars(after.data(), after.data() + after.size(), n);
  if (ec != std::errc{} || end == after.data() || n < 0) return std::nullopt;
  return n;
}

void ApplyBoardNumber(std::string_view after) {
  if (gPodSelection.InterfaceType == InterfaceKind::Usb) {
    if (const std::optional<std::int32_t> serial = ReadSerial(after)) gPodSelection.ULBoardNum = *serial;
    return;
  }
  const std::optional<long> n = ReadNumber(after);
  if (n && *n >= 0 && *n <= 9) gPodSelection.ULBoardNum = static_cast<std::int32_t>(*n);
}

void ApplySpool(std::string_view line, int device) {
  const auto& sizes = device == 1 ? kDiskSizes : kRamSizes;
  int& item = device == 1 ? gSpoolChoice.fileSizeItem : gSpoolChoice.bufferSizeItem;
  for (int i = 0; i < 4; ++i) {
    if (line.find(sizes[i]) != std::string_view::npos) item = i;
  }
  gSpoolChoice.deviceItem = device;
}

std::string LineOf(const Key& k) {
  std::string line(k.write);
  switch (k.kind) {
    case Kind::Boolean:
      if (k.onlyWhenOn && !*k.flag) return {};
      line += *k.flag ? "True" : "False";
      break;
    case Kind::Radio: line += gDisplay.Protocol == k.radio ? "True" : "False"; break;
    case Kind::Number: line += std::to_string(*k.number); break;
    case Kind::Text:
      if (k.written != nullptr && !k.written()) return {};
      line += k.get();
      break;
    case Kind::BoardNumber: line += std::to_string(gPodSelection.ULBoardNum); break;
    case Kind::InterfaceType:
      for (const InterfaceText& t : kInterfaceTexts) {
        if (t.kind == gPodSelection.InterfaceType) return line + std::string(t.text);
      }
      return {};
    case Kind::Spool: {
      if (gSpoolChoice.deviceItem != k.spoolDevice) return {};
      const int item = k.spoolDevice == 1 ? gSpoolChoice.fileSizeItem : gSpoolChoice.bufferSizeItem;
      const auto& sizes = k.spoolDevice == 1 ? kDiskSizes : kRamSizes;
      if (item < 0 || item > 3) return {};
      return line + "   " + std::string(sizes[item]);
    }
    case Kind::ByteTimeDisabled: return {};
  }
  return line;
}

void ReleasePod() {
  if (PodInitialized) {
    gPod.StopPodTrace();
    gPod.ReleaseInterface();
  }
  PodInitialized = false;
}

std::string BareName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

void RestoreDefaultSettings() {
  ReleasePod();
  gPodSelection.ULBoardNum = 0;
  gPodSelection.InterfaceType = InterfaceKind::None;
  gPodOptions.Threshold = 250;
  gPodOptions.ExtTrigger = false;
  gLogicAnalyser = {};
  RestoreDefaultTriggerOut();
  gTraceOptions.EnableBitTiming = false;
  ResetRevisions();
  gWindowOptions = {};
  gTraceOptions.LogReadAutoPause = false;
  gTraceOptions.KeepWholeTrace = false;
  RestoreDefaultDisplayOptions();
  ResetAddressFilter();
  ResetDataFilter();
  ResetAliasTable();
  RestoreDefaultSpoolChoice();
}

bool ApplySettingsLine(std::string_view line) {
  if (line.find(';') != std::string_view::npos) return true;
  const bool isTrue = line.find("True") != std::string_view::npos;
  for (const Key& k : Keys()) {
    const std::size_t at = line.find(k.match);
    if (at == std::string_view::npos) continue;
    const std::string_view after = line.substr(at + k.match.size());
    switch (k.kind) {
      case Kind::Boolean:
        *k.flag = isTrue;
        break;
      case Kind::ByteTimeDisabled:
        gDisplay.ByteTimeEnabled = false;
        break;
      case Kind::Radio:
        if (isTrue) {
          SelectDataProtocol(k.radio);
        } else {
          ClearDataProtocol(k.radio);
        }
        break;
      case Kind::Number: {
        const std::optional<long> n = ReadNumber(after);
        if (n && *n < 0) return false;
        const std::uint32_t v = n ? static_cast<std::uint32_t>(*n) : k.fallback;
        if (v >= k.min && v <= k.max) *k.number = v;
        break;
      }
      case Kind::Text:
        if (!k.set(after.substr(0, kMaxTextChars))) return false;
        break;
      case Kind::InterfaceType:
        for (const InterfaceText& t : kInterfaceTexts) {
          if (line.find(t.text) == std::string_view::npos) continue;
          gPodSelection.InterfaceType = t.kind;
          // An adapter's serial is no board number: a file naming another
          // interface after it would otherwise keep one no save reloads.
          if (t.kind != InterfaceKind::Usb && (gPodSelection.ULBoardNum < 0 || gPodSelection.ULBoardNum > 9))
            gPodSelection.ULBoardNum = 0;
          break;
        }
        break;
      case Kind::BoardNumber:
        ApplyBoardNumber(after);
        break;
      case Kind::Spool:
        ApplySpool(line, k.spoolDevice);
        break;
    }
  }
  return true;
}

std::vector<std::string> SettingsLines() {
  std::vector<std::string> lines;
  for (const Key& k : Keys()) {
    if (k.write.empty()) continue;
    std::string line = LineOf(k);
    if (!line.empty()) lines.push_back(std::move(line));
  }
  return lines;
}

std::string SettingsFileText() {
  std::string text = FileHeader("Setup", "01.00", Reports().UserName());
  for (const std::string& line : SettingsLines()) {
    text += line;
    text += kCrLf;
  }
  return text;
}

bool SaveSettingsFile(const std::string& path) {
  constexpr const char* kTitle = "Setup File Error";
  TextWriter w;
  if (!w.Create(path)) {
    Reports().ShowMessage("Cannot Create Setup File", kTitle);
    return false;
  }
  const bool written = w.Write(SettingsFileText());
  if (!w.Close() || !written) {
    Reports().ShowMessage("Cannot Write to Setup File", kTitle);
    return false;
  }
  return true;
}

void LoadSettings(const std::string& dataFolder) {
  ReleasePod();
  std::error_code ec;
  std::string path = dataFolder + kSettingsFileName;
  if (!std::filesystem::exists(path, ec)) path = kSettingsFileName;
  if (!std::filesystem::exists(path, ec)) return;
  LoadSettingsFile(path);
}

bool LoadSettingsFile(const std::string& path) {
  ReleasePod();
  constexpr const char* kTitle = "Setup File Error";
  std::FILE* f = path.find('\0') == std::string::npos ? std::fopen(path.c_str(), "rb") : nullptr;
  if (f == nullptr) {
    Reports().ShowMessage("Cannot Open Setup File " + BareName(path) + "!", kTitle);
    return false;
  }
  LineReader in(f);
  std::string line;
  bool ok = true;
  gTraceOptions.KeepWholeTrace = false;  // written only while on
  while (in.Next(line)) {
    if (in.hasSemicolon()) continue;
    if (!ApplySettingsLine(line)) {
      ok = false;
      break;
    }
  }
  if (in.failed()) ok = false;
  std::fclose(f);
  // BIN has no key: a file saved with it selected names no format at all.
  if (gDisplay.Protocol == DataProtocol::None) gDisplay.Protocol = DataProtocol::BIN;
  if (!ok) Reports().ShowMessage("Cannot Read from Setup File " + BareName(path) + "!", kTitle);
  return ok;
}

}  // namespace vantrel
