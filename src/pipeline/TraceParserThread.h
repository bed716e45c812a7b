// The parser thread: takes spool records (or log words during a replay),
// assembles and folds trace words, logs them, has them decoded on the main
// thread in batches, and queues the lines and end codes for the display loop.
#pragma once
#include <cstddef>
#include <cstdint>

#include "pipeline/CircularBuffer.h"

namespace vantrel {

// The parser thread hands words to the main thread's decoder in batches of at
// most this many, with at most this many batches under way (decoded lines
// not yet queued for the display are bounded by their product).
inline constexpr std::size_t kDecodeBatchWords = 4096;
inline constexpr std::size_t kDecodeBatchesInFlight = 2;

// Payload bytes waiting to be assembled (1000 bytes); created by trace start.
extern CircularBuffer ByteFifo;
// The RAM spool (514-byte records); created by the acquisition thread.
extern CircularBuffer RamSpool;

// The next trace word from ByteFifo, or 0 until all of its bytes are buffered.
// Words are 1, 3 or 4 bytes, the first byte holding bits 24..31 and telling
// the length. Both
// transports install it as their GetTraceWord.
std::uint32_t AssembleTraceWord();

// Pod status flags, guarded by the pod status mutex made at program start.
void CreatePodStatusMutex();
void ClosePodStatusMutex();
// Acquisition threads, every pass: reads the status port through the pod table.
void PollPodStatus();
// Each waits at most 100 ms and reads false when it cannot have the mutex.
bool ReadPodAlive();
bool ReadPodFifoEmpty();
bool ReadPodMemoryFull();
void ClearPodMemoryFull();  // trace start

// Main thread. Starts the thread at the lowest priority; false when it cannot
// be created.
bool StartParserThread();
// Main thread, after TraceRunning was cleared: polls for the thread's end up to
// 10 times, 100 ms apart. false when it did not end (it is then let go).
bool WaitParserThreadEnd();
bool ParserThreadRunning();

// Main thread (display loop): the display queue was emptied, so a parser
// thread waiting for room may go on at once.
void DisplayQueueTaken();

}  // namespace vantrel
