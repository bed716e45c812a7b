// The pod's 32-bit trace event word. Every consumer reads words through these
// accessors; no stage changes a word's meaning.
#pragma once
#include <cstdint>

namespace vantrel {

using TraceWord = std::uint32_t;

inline constexpr TraceWord kDataMask = 0x000000FFu;
inline constexpr TraceWord kStampMask = 0x00FFFF00u;
inline constexpr TraceWord kWrapCountMask = 0x00FFFFFFu;
inline constexpr TraceWord kWrapFlag = 0x01000000u;
inline constexpr TraceWord kBitFlag = 0x02000000u;
inline constexpr TraceWord kStartFlag = 0x04000000u;
inline constexpr TraceWord kStopFlag = 0x08000000u;
inline constexpr TraceWord kByteFlag = 0x10000000u;
inline constexpr TraceWord kBitValue = 0x40000000u;
inline constexpr TraceWord kNackFlag = 0x80000000u;

inline constexpr std::uint32_t kRecordWrap = 1;       // the idle word
inline constexpr std::uint32_t kMaxFoldedIdle = 101;  // idle words folded into one
inline constexpr std::uint32_t kWrapMicroseconds = 65536;

// Values the host keeps for itself: no trace word is below 3.
inline constexpr TraceWord kNoWord = 0;
inline constexpr TraceWord kEndLogExhausted = 0;
inline constexpr TraceWord kEndPodMemoryFull = 1;
inline constexpr TraceWord kEndPodLost = 2;
inline constexpr TraceWord kFirstTraceWord = 3;

constexpr std::uint32_t RecordType(TraceWord w) { return (w >> 24) & 31u; }
constexpr bool IsWrapRecord(TraceWord w) { return RecordType(w) == kRecordWrap; }
constexpr std::uint32_t WrapCount(TraceWord w) { return w & kWrapCountMask; }
constexpr std::uint32_t TimeStamp(TraceWord w) { return (w >> 8) & 0xFFFFu; }
constexpr std::uint8_t DataByte(TraceWord w) { return static_cast<std::uint8_t>(w & kDataMask); }
constexpr std::uint8_t Address7(TraceWord w) { return static_cast<std::uint8_t>((w >> 1) & 0x7Fu); }
constexpr bool ReadFlag(TraceWord w) { return (w & 1u) != 0; }

constexpr bool HasWrap(TraceWord w) { return (w & kWrapFlag) == kWrapFlag; }
constexpr bool HasBit(TraceWord w) { return (w & kBitFlag) == kBitFlag; }
constexpr bool HasStart(TraceWord w) { return (w & kStartFlag) == kStartFlag; }
constexpr bool HasStop(TraceWord w) { return (w & kStopFlag) == kStopFlag; }
constexpr bool HasByte(TraceWord w) { return (w & kByteFlag) == kByteFlag; }
constexpr bool BitValue(TraceWord w) { return (w & kBitValue) == kBitValue; }
constexpr bool HasNack(TraceWord w) { return (w & kNackFlag) == kNackFlag; }

constexpr bool IsEndCode(TraceWord w) { return w < kFirstTraceWord; }

// The pod sends a word as 1, 3 or 4 bytes, most significant first; the first
// byte (bits 24..31) tells how many: a byte word takes 4, a START, STOP or
// bit-timing word 3 (bits 0..7 not sent), anything else 1.
constexpr std::uint32_t PodWordBytes(std::uint8_t firstByte) {
  if (firstByte & 0x10u) return 4;
  if (firstByte & (0x04u | 0x08u | 0x02u)) return 3;
  return 1;
}

// A counted idle word as the parser thread emits it (count 1..101).
constexpr TraceWord MakeIdleWord(std::uint32_t count) { return kWrapFlag | (count & kWrapCountMask); }

}  // namespace vantrel
