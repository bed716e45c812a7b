// What the statistics views show, as plain data: the Message Detail grid's
// rows with the idle row and the bus usage they add up to, and the Activity
// Chart's bars. Main thread only, like the statistics themselves.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "decode/MessageRecord.h"

namespace vantrel {

// The running trace time of the last grid refresh, in microseconds (single
// precision): minutes x 60,000,000 + microseconds.
extern float ElapsedTime;

// A whole-number bus usage: "< 1%" for 0, "n%" for 1..99, "> 99%" for 100.
std::string UsageText(std::uint32_t usage);

struct DetailRow {
  std::string address;  // "#16": the 8-bit address
  std::string alias;
  std::string messages;  // "    5", "1,234", "1,000,000,001"
  std::string usage;     // UsageText
  std::string bitRate;   // "98.4K Bits/Sec"
};
struct DetailTable {
  std::vector<DetailRow> rows;  // one per active address in address order, then the idle row
  std::uint32_t total = 0;      // the addresses' usages added, at most 100 (the bandwidth bar)
};
// The grid refresh at the given running trace time: nothing (nullopt) while
// no address has a message. Aliases through the decoder's lookup.
std::optional<DetailTable> RefreshDetail(const TraceTime& now);

struct ChartBar {
  std::string label;  // alias + "  #" + 8-bit address; empty for the first, empty bar
  std::uint64_t value = 0;
};
struct ActivityChartData {
  std::string axisTitle;  // "Messages", or "Messages (B)" in the billions mode
  std::uint32_t axisMax = 0;
  std::vector<ChartBar> bars;  // the empty bar first
};
// The chart refresh: nothing (nullopt) while no address has a message or
// nothing changed since the last one; otherwise clears the change flag.
// From 16 active addresses on, the 15 with the most messages, largest first.
std::optional<ActivityChartData> RefreshActivity();

}  // namespace vantrel
