// Logic analyser captures as trace words: a capture file read through the
// logic analyser library (its session files and every format its input
// modules read: VCD, CSV, raw binary...), SCL and SDA picked by name or index,
// the samples run through the SampleConverter and folded as the parser thread
// folds a pod's words. Without the library every read fails with a message.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "decode/TraceWord.h"

namespace vantrel {

struct LogicImportOptions {
  std::string scl = "SCL";  // channel name (any case) or index
  std::string sda = "SDA";
  bool bitTiming = false;
  double glitchFraction = 0.0;
  std::uint64_t sampleRateHz = 0;  // 0: the capture's own
  std::string format;              // an input module's id; empty: found from the file
};

struct LogicImportResult {
  bool ok = false;
  std::string error;  // why not, for the user
  std::uint64_t sampleRateHz = 0;
  std::uint64_t samples = 0;
  std::uint64_t words = 0;  // folded words handed on
  std::vector<std::string> channels;
};

// The capture's words, folded, in order, to `out`.
LogicImportResult ImportLogicCapture(const std::string& path, const LogicImportOptions& options,
                                     const std::function<void(TraceWord)>& out);

// The library layer beneath ImportLogicCapture (libsigrok where it is
// installed). Reads the file with the input module `format` (empty: found
// from the file), calls `started` once the channels and the sample rate are
// known (0 when the file has none) and then `samples` for each block of
// logic samples. An error text for the user; empty when the file was read.
struct LogicSource {
  std::function<bool(std::uint64_t sampleRateHz, const std::vector<std::string>& channels)> started;  // false: stop
  std::function<void(const std::uint8_t* data, std::uint64_t count, unsigned unitSize)> samples;
  std::function<bool()> stop;  // optional: asked between blocks; true ends the stream
};
std::string ReadLogicFile(const std::string& path, const std::string& format, const LogicSource& source);

// A logic analyser as a stream: `device` is a session file, played back as
// if recorded now, or a driver of the library with its options
// ("fx2lafw", "fx2lafw:conn=1.7"), sampled at `sampleRateHz` (0: its
// default). Runs on the calling thread until the stream ends or `stop` says
// so. An error text; empty when it ran.
std::string StreamLogicDevice(const std::string& device, std::uint64_t sampleRateHz, const LogicSource& source);
// Whether the device can be opened now; why not in `error`.
bool LogicDevicePresent(const std::string& device, std::string& error);

// The channel `wanted` names among `channels`: a name in any case, else an
// index; -1 when it names none.
int FindChannel(const std::vector<std::string>& channels, const std::string& wanted);

}  // namespace vantrel
