// The parser thread: takes spool records (or log words during a replay),
// assembles and folds trace words, logs them, has them decoded on the main
// thread in batches, and queues the lines and end codes for the display loop.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vantrel {

// The parser thread hands words to the main thread's decoder in batches of at
// most this many, with at most this many batches under way (decoded lines
// not yet queued for the display are bounded by their product).
inline constexpr std::size_t kDecodeBatchWords = 4096;
inline constexpr std::size_t kDecodeBatchesInFlight = 2;

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
