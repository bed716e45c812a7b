// Per-address message statistics: every completed message is counted, shown
// or filtered. Main thread only (the decoder runs there).
#pragma once
#include <array>
#include <cstdint>

#include "decode/MessageRecord.h"

namespace vantrel {

struct AddressStat {
  std::uint16_t address = 0;  // 7-bit
  std::uint32_t messagesLow = 0, messagesHigh = 0;
  std::uint32_t bytesLow = 0, bytesHigh = 0;
  std::uint64_t busyMinutes = 0;
  std::uint32_t busyMicroseconds = 0;  // < 60,000,000
};

struct AddressStatistics {
  std::array<AddressStat, 128> entries{};
  std::uint32_t activeAddressCount = 0;
  bool statsChanged = false;
};

extern AddressStatistics gStats;

// Trace start, right after the decoder is reset.
void ResetStatistics();
// Called by the decoder for every completed message.
void UpdateAddressStatistics(const MessageRecord& record);

}  // namespace vantrel
