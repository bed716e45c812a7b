// The displayed-message tables: one record per message line in the trace
// display, in display order, each pointing at its words. The decoder's
// completed messages are counted and kept here; the display loop trims the
// tables with the display, the timing views read them. Guarded by
// gTrace.MsgTrackingMutex while a trace runs; main thread only.
#pragma once
#include <array>
#include <cstdint>

#include "analysis/MessageViews.h"
#include "decode/DecoderServices.h"
#include "decode/MessageRecord.h"
#include "decode/TraceWord.h"
#include "pipeline/TraceParserThread.h"

namespace vantrel {

// Indices are 1-based.
inline constexpr std::uint32_t kMsgWordBufferSize = 250'000;
// One record per message line the trace display can hold at once: its 10,000
// lines, the batch a display tick appends before it trims again (1,000), the
// lines queued for the display (1,000) and the decoded batches waiting to be
// queued. So the records never run out while they must stay in step with the
// lines.
inline constexpr std::uint32_t kMsgRecordTableSize =
    10'000 + 1'000 + 1'000 + static_cast<std::uint32_t>(kDecodeBatchWords * kDecodeBatchesInFlight) + 308;

struct MessageTables {
  std::array<TraceWord, kMsgWordBufferSize + 1> words{};  // [0] unused
  std::uint32_t wordNext = 1;
  std::array<MessageRecord, kMsgRecordTableSize + 1> records{};  // [0] unused
  std::uint32_t recordNext = 1;
};
extern MessageTables gMsgTables;
void ClearMessageTables();  // both next-numbers back to 1
// Whether any shown message is kept for the message views (in the tables
// or the whole trace).
bool AnyMessageKept();
// The tables as the message views read them, while no trace runs.
MessageTablesView MessageTablesNow();

// The decoder's output: counts every message in the address statistics,
// writes it to the export file when one is open, and keeps a shown one with
// its words while a trace runs. false when the trace stopped first.
bool KeepCompletedMessage(const CompletedMessage& message);

// Gives the decoder its lookups (aliases, filters, revisions) and this
// output. Program start, before any settings are applied.
void ConnectDecoder();

}  // namespace vantrel
