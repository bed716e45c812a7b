#include "pipeline/MessageTables.h"

#include <chrono>

#include "analysis/AddressStats.h"
#include "analysis/Revisions.h"
#include "filters/AddressFilter.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"
#include "pipeline/PcapngFile.h"
#include "pipeline/TraceState.h"
#include "pipeline/WholeTrace.h"

namespace vantrel {

MessageTables gMsgTables;

namespace {

constexpr std::chrono::milliseconds kWait{10};

bool LockTracking(TimedMutex& m) {
  while (gTrace.TraceRunning) {
    if (m.try_lock_for(kWait)) return true;
  }
  return false;
}

bool StoreShownMessage(const CompletedMessage& message) {
  if (!gTrace.TraceRunning) return false;
  TimedMutex* m = gTrace.MsgTrackingMutex.get();
  if (m == nullptr || !LockTracking(*m)) return false;
  if (!gTrace.TraceRunning) {
    m->unlock();
    return false;
  }
  if (gWholeTrace.Active()) {
    gWholeTrace.AppendMessage(message.record, message.words);
    m->unlock();
    return true;
  }
  MessageTables& t = gMsgTables;
  MessageRecord record = message.record;
  record.startIndex = t.wordNext;
  for (std::size_t i = 0; i < message.words.size() && t.wordNext < kMsgWordBufferSize; ++i)
    t.words[t.wordNext++] = message.words[i];
  record.stopIndex = t.wordNext - 1;
  t.records[t.recordNext] = record;
  if (t.recordNext < kMsgRecordTableSize) ++t.recordNext;
  m->unlock();
  return true;
}

}  // namespace

MessageTablesView MessageTablesNow() {
  return {gMsgTables.records.data(), gMsgTables.recordNext, gMsgTables.words.data(), gMsgTables.wordNext - 1};
}

bool AnyMessageKept() { return gMsgTables.recordNext > 1 || gWholeTrace.MessageCount() > 0; }

void ClearMessageTables() {
  gMsgTables.wordNext = 1;
  gMsgTables.recordNext = 1;
  gWholeTrace.ClearMessages();
}

bool KeepCompletedMessage(const CompletedMessage& message) {
  UpdateAddressStatistics(message.record);
  PcapngFile::WriteMessage(message);
  return !message.shown || StoreShownMessage(message);
}

void ConnectDecoder() {
  InstallDecoderServices({
      .AliasText = &AliasText,
      .CheckAddressFilter = &CheckAddressFilter,
      .CheckDataFilter = &CheckDataFilter,
      .ProtocolErrorDetect = [] { return gDataFilter.ProtocolErrorDetect; },
      .Revisions = []() -> const SbsRevisions& { return gRevisions; },
      .MessageCompleted = &KeepCompletedMessage,
  });
}

}  // namespace vantrel
