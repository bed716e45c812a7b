// Pipeline state of one trace: created by trace start, released by halt.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/SpoolFile.h"
#include "common/TimedMutex.h"

#include "pipeline/MainWindowSeam.h"

namespace vantrel {

// Trace words and end codes waiting to be logged and decoded. Parser thread only.
struct WordFifo {
  static constexpr std::uint32_t kSlots = 256;
  static constexpr std::uint32_t kCapacity = kSlots - 1;
  std::array<std::uint32_t, kSlots> slots{};
  std::uint32_t head = 0;
  std::uint32_t count = 0;
  bool overflow = false;

  void Clear() { head = count = 0, overflow = false; }
  bool Empty() const { return count == 0; }
  // A word that does not fit sets the overflow flag and is dropped.
  void Push(std::uint32_t w) {
    if (count >= kCapacity) {
      overflow = true;
      return;
    }
    slots[(head + count) & (kSlots - 1)] = w;
    ++count;
  }
  // 0 when empty, and for ever once overflowed (which ends the trace).
  std::uint32_t Pop() {
    if (count == 0 || overflow) return 0;
    const std::uint32_t w = slots[head];
    --count;
    head = (head + 1) & (kSlots - 1);
    return w;
  }
};

inline constexpr std::uint32_t kNoEndCode = 255;
inline constexpr std::size_t kDisplayQueueLimit = 1000;

struct TraceState {
  // Written by the main thread, polled by every pipeline loop.
  std::atomic<bool> TraceRunning{false};
  // Counts trace starts, so that work posted for an earlier trace is dropped.
  std::atomic<std::uint32_t> Generation{0};
  // Guards MsgRecordTable and MsgWordBuffer. Taken only on the main thread
  // (decoder, display loop, Clear Display). Null when not created.
  std::unique_ptr<TimedMutex> MsgTrackingMutex;
  // Guards DisplayQueue, NewLinesQueued and EndCode. Null when not created.
  std::unique_ptr<TimedMutex> DisplayQueueMutex;
  DisplayLines DisplayQueue;  // at most kDisplayQueueLimit lines
  bool NewLinesQueued = false;
  std::uint32_t EndCode = kNoEndCode;

  // Parser thread only, reset by trace start.
  WordFifo Words;
  std::uint32_t IdleRunCount = 0;
  bool EndCodePushed = false;
};

extern TraceState gTrace;

// For the headless decoder and tests that decode without the parser thread:
// the decoder's share of trace start and halt (TraceRunning and the tracking mutex).
void BeginTraceState();
void EndTraceState();

}  // namespace vantrel
