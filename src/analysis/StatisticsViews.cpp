#include "analysis/StatisticsViews.h"

#include <algorithm>
#include <cmath>

#include "analysis/AddressStats.h"
#include "common/Hex.h"
#include "decode/DecoderServices.h"
#include "decode/Format.h"

namespace vantrel {

float ElapsedTime = 0;

namespace {

bool HasMessages(const AddressStat& e) { return e.messagesLow != 0 || e.messagesHigh != 0; }

std::uint64_t MessageCount(const AddressStat& e) {
  return std::uint64_t{e.messagesHigh} * kCounterWrap + e.messagesLow;
}

std::uint64_t BusyMicros(const AddressStat& e) { return e.busyMinutes * kMicrosPerMinute + e.busyMicroseconds; }

std::string AddressText(const AddressStat& e) {
  std::string s = "#";
  AppendHex2(s, static_cast<std::uint8_t>(e.address << 1));
  return s;
}

std::string MessagesText(const AddressStat& e) {
  std::string s;
  if (e.messagesHigh > 0) {
    AppendGrouped(s, e.messagesHigh);
    s += ',';
    AppendGrouped9(s, e.messagesLow);
  } else if (e.messagesLow > 999) {
    AppendGrouped(s, e.messagesLow);
  } else {
    AppendRight5(s, e.messagesLow);
  }
  return s;
}

// Nine bit times per byte over the time the address's messages took.
std::string AverageRateText(const AddressStat& e) {
  const std::uint64_t bytes = std::uint64_t{e.bytesHigh} * kCounterWrap + e.bytesLow;
  const std::string rate = FormatBitRate(BitRate(bytes, BusyMicros(e)));
  // Messages that took no time at all have no rate.
  return rate.empty() ? "0 K Bits/Sec" : rate + "K Bits/Sec";
}

// Whole percent of the running trace time; none while no time has run (the
// addresses are still listed).
std::uint32_t Usage(std::uint64_t busyMicros) {
  if (!(ElapsedTime > 0)) return 0;
  const double p = static_cast<double>(busyMicros) * 100 / ElapsedTime;
  return p >= 100 ? 100 : static_cast<std::uint32_t>(std::lround(p));
}

}  // namespace

std::string UsageText(std::uint32_t usage) {
  if (usage == 0) return "< 1%";
  if (usage >= 100) return "> 99%";
  return std::to_string(usage) + "%";
}

std::optional<DetailTable> RefreshDetail(const TraceTime& now) {
  if (gStats.activeAddressCount == 0) return std::nullopt;
  ElapsedTime = static_cast<float>(static_cast<double>(now.minutes) * kMicrosPerMinute + now.micros);
  DetailTable t;
  t.rows.reserve(gStats.activeAddressCount + 1);
  for (const AddressStat& e : gStats.entries) {
    if (!HasMessages(e)) continue;
    const std::uint32_t usage = Usage(BusyMicros(e));
    t.total = std::min<std::uint32_t>(t.total + usage, 100);
    t.rows.push_back(
        {AddressText(e), gDecoderServices.AliasText(e.address), MessagesText(e), UsageText(usage), AverageRateText(e)});
  }
  t.rows.push_back({" Idle", "  --", "  --", UsageText(100 - t.total), "  --"});
  return t;
}

std::optional<ActivityChartData> RefreshActivity() {
  if (gStats.activeAddressCount == 0 || !gStats.statsChanged) return std::nullopt;
  gStats.statsChanged = false;
  const bool billions = std::any_of(gStats.entries.begin(), gStats.entries.end(),
                                    [](const AddressStat& e) { return e.messagesHigh >= 4; });
  ActivityChartData chart;
  chart.axisTitle = billions ? "Messages (B)" : "Messages";
  chart.bars.push_back({});

  std::vector<const AddressStat*> shown;
  for (const AddressStat& e : gStats.entries)
    if (HasMessages(e)) shown.push_back(&e);
  if (shown.size() < 16) {
    chart.axisMax = static_cast<std::uint32_t>(shown.size()) + 1;
  } else {
    // Largest first by the whole count, so that the billions mode's equal
    // bars still come in order; equal counts stay in address order.
    std::stable_sort(shown.begin(), shown.end(),
                     [](const AddressStat* a, const AddressStat* b) { return MessageCount(*a) > MessageCount(*b); });
    shown.resize(15);
    chart.axisMax = 16;
  }
  for (const AddressStat* e : shown) {
    std::string label = gDecoderServices.AliasText(e->address) + "  ";
    label += AddressText(*e);
    chart.bars.push_back({std::move(label), billions ? e->messagesHigh : MessageCount(*e)});
  }
  return chart;
}

}  // namespace vantrel
