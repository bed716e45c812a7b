#include "analysis/AddressStats.h"

namespace vantrel {

AddressStatistics gStats;

void ResetStatistics() {
  for (auto& e : gStats.entries) {
    const auto address = e.address;
    e = AddressStat{};
    e.address = address;
  }
  gStats.activeAddressCount = 0;
  gStats.statsChanged = false;
}

void UpdateAddressStatistics(const MessageRecord& record) {
  const auto a = static_cast<std::uint16_t>((record.address >> 1) & 0x7F);
  AddressStat& e = gStats.entries[a];
  e.address = a;
  ++e.messagesLow;
  if (e.messagesHigh == 0 && e.messagesLow == 1) ++gStats.activeAddressCount;
  if (e.messagesLow >= kCounterWrap) {
    ++e.messagesHigh;
    e.messagesLow = 0;
  }
  // 64-bit sums: a byte count near the 32-bit limit must carry, not wrap.
  std::uint64_t bytes = std::uint64_t{e.bytesLow} + record.byteCount;
  e.bytesHigh += static_cast<std::uint32_t>(bytes / kCounterWrap);
  e.bytesLow = static_cast<std::uint32_t>(bytes % kCounterWrap);
  const std::uint64_t micros = std::uint64_t{e.busyMicroseconds} + record.durationMicroseconds;
  e.busyMinutes += record.durationMinutes + micros / kMicrosPerMinute;
  e.busyMicroseconds = static_cast<std::uint32_t>(micros % kMicrosPerMinute);
  gStats.statsChanged = true;
}

}  // namespace vantrel
