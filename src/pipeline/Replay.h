// Replays a log file straight through the decoder on the calling thread.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

class LineSink {
 public:
  virtual ~LineSink() = default;
  // A decoded message line; false halts the replay.
  virtual bool Line(std::string_view line) = 0;
};

struct ReplayCounts {
  std::uint64_t words = 0;
  std::uint64_t lines = 0;
};

// Starts a trace as trace start does (decoder, statistics and tables reset,
// TraceRunning set), feeds every word of the log to the decoder and ends the
// trace. false when the log cannot be opened (already reported).
bool ReplayLogDirect(const std::string& logName, LineSink& sink, ReplayCounts& counts);

}  // namespace vantrel
