// One decoded message as the statistics and timing views see it.
#pragma once
#include <cstdint>

namespace vantrel {

// A running trace time: minutes since the trace's first START and microseconds
// within that minute (always below 60,000,000). Minutes are 64-bit: a log's
// wrap records can add up to more than 2^32 minutes.
struct TraceTime {
  std::uint64_t minutes = 0;
  std::uint32_t micros = 0;
  friend bool operator==(const TraceTime&, const TraceTime&) = default;
};

inline constexpr std::uint32_t kMicrosPerMinute = 60'000'000;
inline constexpr std::uint32_t kCounterWrap = 1'000'000'000;  // low part of two-part counters

struct MessageRecord {
  std::uint32_t msgNumberLow = 0;
  std::uint32_t msgNumberHigh = 0;
  std::uint16_t address = 0;  // last address byte, R/W in bit 0
  std::uint32_t byteCount = 0;
  // While assembling: positions in the message's word list. Once stored:
  // 1-based indices into MsgWordBuffer of the first and last copied word.
  std::uint32_t startIndex = 0;
  std::uint32_t stopIndex = 0;
  std::uint64_t startMinutes = 0;
  std::uint32_t startMicroseconds = 0;
  std::uint64_t lastMinutes = 0;
  std::uint32_t lastMicroseconds = 0;
  std::uint64_t durationMinutes = 0;
  std::uint32_t durationMicroseconds = 0;
};

}  // namespace vantrel
