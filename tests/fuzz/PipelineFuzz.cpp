// A log file replayed through the trace pipeline (parser thread, decoding on
// the main thread, display loop) as vantrel-decode does it, and decoded
// directly on one thread: both must give the same message lines in the same
// order and the same reports.
//
// Input: one byte, then the log. Bit 0 of the byte clear puts a valid
// identification header in front of the log; bits 1..3 choose the data
// protocol.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "decode/DisplayOptions.h"
#include "settings/Settings.h"
#include "app/HeadlessMainWindow.h"
#include "pipeline/Replay.h"
#include "pipeline/TraceControl.h"
#include "pipeline/MessageTables.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;

constexpr std::string_view kHeader = ";Orbisan Corporation\r\n;Vantrel Log File\r\n";

struct Outcome {
  std::vector<std::string> lines, reports;
};

class Collect final : public LineSink {
 public:
  explicit Collect(std::vector<std::string>& lines) : lines_(lines) {}
  bool Line(std::string_view line) override {
    lines_.emplace_back(line);
    return true;
  }

 private:
  std::vector<std::string>& lines_;
};

void Options(DataProtocol protocol) {
  RestoreDefaultSettings();
  SelectDataProtocol(protocol);
}

Outcome ThroughPipeline(const std::string& log, DataProtocol protocol) {
  Outcome out;
  HeadlessMainWindow window;
  window.keepDisplay = false;
  window.realWaits = false;
  window.onDisplayLine = [&](std::string_view text, bool message) {
    if (message) out.lines.emplace_back(text);
  };
  window.onMessage = [&](std::string_view text, std::string_view title) {
    out.reports.push_back(std::string(title) + ": " + std::string(text));
  };
  CreatePodStatusMutex();
  InstallDefaultPodInterface();
  ConnectDecoder();
  Options(protocol);
  gTraceFiles = {};
  gTraceFiles.logReadName = log;
  TraceButtonClick();
  window.Run();
  MainWindowClose();
  return out;
}

Outcome Direct(const std::string& log, DataProtocol protocol) {
  Outcome out;
  HeadlessMainWindow window;
  window.keepDisplay = false;
  window.onMessage = [&](std::string_view text, std::string_view title) {
    out.reports.push_back(std::string(title) + ": " + std::string(text));
  };
  ConnectDecoder();
  Options(protocol);
  Collect sink(out.lines);
  ReplayCounts counts;
  ReplayLogDirect(log, sink, counts);
  return out;
}

std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  auto at = [i](const std::vector<std::string>& v) { return i < v.size() ? v[i].substr(0, 200) : "(none)"; };
  return "#" + std::to_string(i) + " of " + std::to_string(a.size()) + "/" + std::to_string(b.size()) +
         ": pipeline \"" + at(a) + "\", direct \"" + at(b) + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool header = (data[0] & 1) == 0;
  const auto protocol = static_cast<DataProtocol>(data[0] >> 1 & 7);
  std::string bytes = header ? std::string(kHeader) : std::string();
  bytes += AsText(data + 1, size - 1);
  const std::string log = WriteScratch("input.log", bytes);

  const Outcome piped = ThroughPipeline(log, protocol);
  const Outcome direct = Direct(log, protocol);
  if (piped.lines != direct.lines)
    Fail("the pipeline shows the lines of a direct decode", FirstDifference(piped.lines, direct.lines));
  if (piped.reports != direct.reports)
    Fail("the pipeline makes the reports of a direct decode", FirstDifference(piped.reports, direct.reports));
  return 0;
}
