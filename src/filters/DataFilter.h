// The message data filter: up to 8 values for each of a message's first 8
// data bytes, each byte either matching one of them ("Y") or none of them.
// Main thread only (the decoder runs there).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

struct DataFilterTable {
  // Index (alternative - 1) * 8 + (byte - 1), both 1..8.
  std::array<std::string, 64> MatchData;
  std::array<std::int32_t, 64> MatchValues;  // 0..255, or -1 for don't care
  std::array<std::string, 8> MatchCondition;  // "Y" = must match one
  bool ProtocolErrorDetect = false;
};

extern DataFilterTable gDataFilter;

// dataHex: the message's data bytes, two upper-case hex digits each.
bool CheckDataFilter(std::string_view dataHex);

// A cell's value: "XX" -1, 'c the code of c, else hex 0..255; -1 when not a
// number. false for an empty cell or a lone apostrophe.
bool MatchCellValue(std::string_view cell, std::int32_t& value);

std::string GetMatchDataString();
// false (a read error for the caller) when a cell comes out empty or is a lone
// apostrophe; cells before it are already applied.
bool SetMatchDataString(std::string_view value);
std::string GetMatchConditionString();
bool SetMatchConditionString(std::string_view value);  // false below 8 characters
void SetProtocolErrorDetect(bool on);
void ResetDataFilter();

// Set by the data filter window: called after a setter changed the applied
// filter, so that the window shows it. Cells: a MatchData value (the window
// drops its pending edits); Conditions and ProtocolErrorDetect: only that part
// (a match file load sets them while its cells are still pending); All: reset.
enum class DataFilterPart { Cells, Conditions, ProtocolErrorDetect, All };
extern void (*DataFilterChanged)(DataFilterPart part);

}  // namespace vantrel
