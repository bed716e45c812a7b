#include "pipeline/Replay.h"

#include "analysis/AddressStats.h"
#include "decode/ParseAH.h"
#include "pipeline/LogFile.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceState.h"

namespace vantrel {

bool ReplayLogDirect(const std::string& logName, LineSink& sink, ReplayCounts& counts) {
  if (!LogFile::OpenForRead(logName)) return false;
  ResetDecoder();
  ResetStatistics();
  ClearMessageTables();
  BeginTraceState();
  for (TraceWord w = LogFile::ReadWord(); w != kNoWord; w = LogFile::ReadWord()) {
    ++counts.words;
    const std::string& line = DecodeTraceWord(w);
    if (!line.empty()) {
      ++counts.lines;
      if (!sink.Line(line)) break;
    }
  }
  LogFile::CloseForRead();
  EndTraceState();
  return true;
}

}  // namespace vantrel
