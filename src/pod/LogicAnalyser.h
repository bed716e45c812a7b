// A logic analyser as the pod ("Logic Analyser" in Select Pod Interface):
// any device the logic analyser library drives, or one of its session files
// played back as if recorded now. The acquisition thread runs the sample
// converter on the streamed samples and stores the pod's bytes in the spool,
// so that everything after the spool works as with any pod. The analyser
// needs no configuration and has no ports: pod options, trigger out and bus
// levels mean nothing to it. Main thread, except the acquisition thread.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

struct LogicAnalyserSettings {
  std::string device = "fx2lafw";  // a driver and its options, or a session file
  std::string scl = "SCL";         // channel name (any case) or index
  std::string sda = "SDA";
  std::uint32_t sampleRateHz = 4'000'000;  // asked of a device; a session file keeps its own
};
// Read by the acquisition thread at trace start; set while no trace runs.
extern LogicAnalyserSettings gLogicAnalyser;

// The interface kind's operations (InterfaceSelection's table).
inline constexpr const char* kLogicAnalyserEntry = "Logic Analyser";
std::vector<std::string> LogicAnalyserEntries();  // listed when the device can be opened
bool LogicAnalyserPresent(std::int32_t number);
void InstallLogicAnalyserTransport();
bool ListLogicAnalyser(std::vector<std::string>& lines);

}  // namespace vantrel
