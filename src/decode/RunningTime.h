// Running time of trace words: counter wraps x 65,536 us plus the stamp,
// counted from a base stamp, as minutes and microseconds. The decoder's clock
// and the timing view's.
#pragma once
#include <cstdint>

#include "decode/MessageRecord.h"
#include "decode/TraceWord.h"

namespace vantrel {

struct RunningClock {
  std::uint16_t timeBase = 0;  // the stamp that is time zero
  // Wraps are kept as minutes and us apart so that minutes never drift and no
  // wrap total a log can hold overflows.
  std::uint64_t wrapMinutes = 0;
  std::uint32_t wrapMicros = 0;  // < 60,000,000

  void AddWraps(std::uint32_t wraps) {
    // At most 2^24 wraps a word: below 2^41 us, so the sum cannot overflow.
    const std::uint64_t micros = wrapMicros + std::uint64_t{wraps} * kWrapMicroseconds;
    wrapMinutes += micros / kMicrosPerMinute;
    wrapMicros = static_cast<std::uint32_t>(micros % kMicrosPerMinute);
  }

  TraceTime At(std::uint32_t stamp) const {
    std::uint64_t minutes = wrapMinutes;
    std::uint64_t micros = std::uint64_t{wrapMicros} + stamp;
    if (micros < timeBase) {
      if (minutes > 0) {
        --minutes;
        micros += kMicrosPerMinute;
      } else {
        // Stamped before time zero with no wrap counted yet: the counter
        // must have wrapped without its flag.
        micros += kWrapMicroseconds;
      }
    }
    micros -= timeBase;
    if (micros >= kMicrosPerMinute) {
      ++minutes;
      micros -= kMicrosPerMinute;
    }
    return {minutes, static_cast<std::uint32_t>(micros)};
  }

  // Counts the word's wraps and gives its time; a word with the wrap flag
  // happens at the start of the new wrap period, whatever its stamp bits.
  TraceTime Advance(TraceWord w) {
    if (!HasWrap(w)) return At(TimeStamp(w));
    AddWraps(IsWrapRecord(w) ? WrapCount(w) : 1);
    return At(0);
  }
};

// a - b; moves a's minutes forward when a is earlier than b, so a time that
// runs backwards reads as nearly a minute, never as a negative time.
inline TraceTime TimeDiff(TraceTime& a, const TraceTime& b) {
  if (b.micros > a.micros) {
    if (a.minutes <= b.minutes) a.minutes = b.minutes + 1;
    return {a.minutes - 1 - b.minutes, a.micros + kMicrosPerMinute - b.micros};
  }
  if (a.minutes < b.minutes) a.minutes = b.minutes;
  return {a.minutes - b.minutes, a.micros - b.micros};
}

}  // namespace vantrel
