#include "filters/DataFilter.h"
#include "common/Hex.h"

#include <algorithm>

namespace vantrel {
namespace {

DataFilterTable MakeDefault() {
  DataFilterTable t;
  t.MatchData.fill("XX");
  t.MatchValues.fill(-1);
  t.MatchCondition.fill("Y");
  t.ProtocolErrorDetect = false;
  return t;
}

}  // namespace

DataFilterTable gDataFilter = MakeDefault();
void (*DataFilterChanged)(DataFilterPart) = nullptr;

bool CheckDataFilter(std::string_view dataHex) {
  const std::size_t n = std::min<std::size_t>(8, dataHex.size() / 2);
  for (std::size_t b = 0; b < n; ++b) {
    const int hi = HexValue(dataHex[2 * b]), lo = HexValue(dataHex[2 * b + 1]);
    if (hi < 0 || lo < 0) return true;
    const int value = hi * 16 + lo;
    const bool wantMatch = gDataFilter.MatchCondition[b] == "Y";
    bool specified = false, matched = false;
    for (std::size_t a = 0; a < 8; ++a) {
      const std::int32_t v = gDataFilter.MatchValues[a * 8 + b];
      if (v < 0) continue;
      specified = true;
      if (v == value) {
        if (!wantMatch) return false;
        matched = true;
      }
    }
    if (wantMatch && specified && !matched) return false;
  }
  return true;
}

bool MatchCellValue(std::string_view cell, std::int32_t& value) {
  if (cell.empty() || cell == "'") return false;
  if (cell.size() == 2 && cell[0] == '\'') {
    value = static_cast<unsigned char>(cell[1]);
    return true;
  }
  std::int32_t v = 0;
  for (char c : cell) {
    const int d = HexValue(c);
    if (d < 0 || v > 255) {
      value = -1;
      return true;
    }
    v = v * 16 + d;
  }
  value = v <= 255 ? v : -1;
  return true;
}

std::string GetMatchDataString() {
  std::string s;
  for (const auto& cell : gDataFilter.MatchData) s += cell;
  return s;
}

bool SetMatchDataString(std::string_view value) {
  bool ok = true;
  for (std::size_t i = 0; i < 64 && ok; ++i) {
    const std::string_view cell = 2 * i < value.size() ? value.substr(2 * i, 2) : std::string_view{};
    std::int32_t v = -1;
    ok = MatchCellValue(cell, v);
    if (!ok) break;
    gDataFilter.MatchData[i] = std::string(cell);
    gDataFilter.MatchValues[i] = v;
  }
  if (DataFilterChanged) DataFilterChanged(DataFilterPart::Cells);
  return ok;
}

std::string GetMatchConditionString() {
  std::string s;
  for (const auto& c : gDataFilter.MatchCondition) s += c;
  return s;
}

bool SetMatchConditionString(std::string_view value) {
  if (value.size() < 8) return false;
  for (std::size_t b = 0; b < 8; ++b) gDataFilter.MatchCondition[b] = std::string(1, value[b]);
  if (DataFilterChanged) DataFilterChanged(DataFilterPart::Conditions);
  return true;
}

void SetProtocolErrorDetect(bool on) {
  gDataFilter.ProtocolErrorDetect = on;
  if (DataFilterChanged) DataFilterChanged(DataFilterPart::ProtocolErrorDetect);
}

void ResetDataFilter() {
  gDataFilter = MakeDefault();
  if (DataFilterChanged) DataFilterChanged(DataFilterPart::All);
}

}  // namespace vantrel
