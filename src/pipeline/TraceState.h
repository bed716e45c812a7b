// Pipeline state of one trace: created at trace start, released at halt.
#pragma once
#include <atomic>
#include <memory>
#include <mutex>

namespace vantrel {

struct TraceState {
  // Written by the main thread, polled by every pipeline loop.
  std::atomic<bool> TraceRunning{false};
  // Guards MsgRecordTable and MsgWordBuffer. Taken only on the main thread
  // (decoder, display loop, Clear Display), never together with another mutex.
  // Null when no trace has created it.
  std::unique_ptr<std::timed_mutex> MsgTrackingMutex;
};

extern TraceState gTrace;

// Main thread. Creates the mutexes and sets TraceRunning.
void BeginTraceState();
// Main thread. Clears TraceRunning and releases what BeginTraceState made.
void EndTraceState();

}  // namespace vantrel
