#include "settings/Settings.h"

#include <charconv>
#include <cstdint>
#include <optional>

#include "analysis/Revisions.h"
#include "decode/DisplayOptions.h"
#include "filters/AddressFilter.h"
#include "filters/AliasFile.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"

namespace vantrel {
namespace {

enum class Kind { Boolean, Radio, Number, Text, ByteTimeEnabled };

struct Key {
  std::string_view match;  // presence anywhere in the line applies the row
  Kind kind;
  bool* flag = nullptr;                        // Boolean
  DataProtocol radio = DataProtocol::None;     // Radio
  std::uint32_t* number = nullptr;             // Number: any value not negative
  std::uint32_t fallback = 768;                // Number: a value that is not a number
  bool (*text)(std::string_view) = nullptr;    // Text: the owner's setter; false = read error
};

bool SetAddrMap(std::string_view v) {
  SetAddrMapString(v);  // a value of the wrong length changes nothing
  return true;
}

// The key table in file order. Rows for options that have no owner yet are
// left out; their lines change nothing.
const Key kKeys[] = {
    {"DisplayASCII", Kind::Radio, nullptr, DataProtocol::ASCII},
    {"DisplayHEX", Kind::Radio, nullptr, DataProtocol::HEX},
    {"DisplaySBS", Kind::Radio, nullptr, DataProtocol::SBS},
    {"DisplayCD", Kind::Radio, nullptr, DataProtocol::CD},
    {"DisplayRaw", Kind::Radio, nullptr, DataProtocol::Raw},
    // "=" keeps DisplayStartTime lines from matching.
    {"DisplayStart=", Kind::Boolean, &gDisplay.DisplayStart},
    {"DisplayStop", Kind::Boolean, &gDisplay.DisplayStop},
    {"DisplayRW", Kind::Boolean, &gDisplay.DisplayRW},
    {"DisplayAck", Kind::Boolean, &gDisplay.DisplayAck},
    {"DisplayNack", Kind::Boolean, &gDisplay.DisplayNack},
    {"DisplayStartTime", Kind::Boolean, &gDisplay.DisplayStartTime},
    {"DisplayByteTime", Kind::Boolean, &gDisplay.DisplayByteTime},
    {"ByteTimeEnabled", Kind::Boolean, &gDisplay.ByteTimeEnabled},
    {"ByteTimeDisabled", Kind::ByteTimeEnabled},
    {"DisplayAbsTime", Kind::Boolean, &gDisplay.DisplayAbsTime},
    {"DisplayFilter", Kind::Boolean, &gDisplay.DisplayFilter},
    {"DisplayBitRate", Kind::Boolean, &gDisplay.DisplayBitRate},
    {"PECChecked", Kind::Boolean, &gDisplay.PECChecked},
    {"PECEnabled", Kind::Boolean, &gDisplay.PECEnabled},
    {"SMBusRev=", Kind::Number, nullptr, DataProtocol::None, &gRevisions.SMBusRev},
    {"SBDataRev=", Kind::Number, nullptr, DataProtocol::None, &gRevisions.SBDataRev},
    {"SBChargerRev=", Kind::Number, nullptr, DataProtocol::None, &gRevisions.SBChargerRev},
    {"SBSelectorRev=", Kind::Number, nullptr, DataProtocol::None, &gRevisions.SBSelectorRev},
    {"AddrMap=", Kind::Text, nullptr, DataProtocol::None, nullptr, 0, &SetAddrMap},
    {"MatchData=", Kind::Text, nullptr, DataProtocol::None, nullptr, 0, &SetMatchDataString},
    {"MatchCondition=", Kind::Text, nullptr, DataProtocol::None, nullptr, 0, &SetMatchConditionString},
    {"ProtocolErrorDetect", Kind::Boolean, &gDataFilter.ProtocolErrorDetect},
    {"AliasFileName=", Kind::Text, nullptr, DataProtocol::None, nullptr, 0, &LoadAliasFileByName},
};

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

}  // namespace

void RestoreDefaultSettings() {
  ResetRevisions();
  RestoreDefaultDisplayOptions();
  ResetAddressFilter();
  ResetDataFilter();
  ResetAliasTable();
}

bool ApplySettingsLine(std::string_view line) {
  if (line.find(';') != std::string_view::npos) return true;
  const bool isTrue = line.find("True") != std::string_view::npos;
  for (const Key& k : kKeys) {
    const std::size_t at = line.find(k.match);
    if (at == std::string_view::npos) continue;
    const std::string_view after = line.substr(at + k.match.size());
    switch (k.kind) {
      case Kind::Boolean:
        *k.flag = isTrue;
        break;
      case Kind::ByteTimeEnabled:
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
        if (!n) {
          *k.number = k.fallback;
        } else if (*n < 0) {
          return false;
        } else {
          *k.number = static_cast<std::uint32_t>(*n);
        }
        break;
      }
      case Kind::Text:
        if (!k.text(after.substr(0, kMaxTextChars))) return false;
        break;
    }
  }
  return true;
}

}  // namespace vantrel
