// Shared by the live trace tests: a pod test with the program around it (a
// headless main window on the test's thread collecting its reports and
// display lines, the program's start-up state, halt at the end) and the lines
// a trace should show.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PodTestSupport.h"
#include "app/HeadlessMainWindow.h"
#include "decode/ParseAH.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pod/PodStatus.h"
#include "settings/Settings.h"

namespace vantrel::test {

// The message lines folded words decode to, as the trace display shows them.
inline std::vector<std::string> DecodedLines(const std::vector<TraceWord>& folded) {
  std::vector<std::string> lines;
  ResetDecoder();
  BeginTraceState();
  for (TraceWord w : folded) {
    const std::string& line = DecodeTraceWord(w);
    if (!line.empty()) lines.push_back(line);
  }
  EndTraceState();
  ClearMessageTables();
  return lines;
}

// The first `count` lines the software pod's scenario decodes to, as a log
// replay would show them.
inline std::vector<std::string> ScenarioLines(std::size_t count) {
  std::vector<TraceWord> words;
  TraceBuilder bus(BusTiming{}, [&](TraceWord w) { words.push_back(w); });
  BusScenario scenario = SmartBatteryScenario();
  std::vector<std::string> lines;
  ResetDecoder();
  BeginTraceState();
  while (lines.size() < count) {
    words.clear();
    scenario(bus);
    for (TraceWord w : Fold(words)) {
      const std::string& line = DecodeTraceWord(w);
      if (!line.empty() && lines.size() < count) lines.push_back(line);
    }
  }
  EndTraceState();
  return lines;
}

class LiveTest : public PodTest {
 protected:
  void SetUp() override {
    PodTest::SetUp();
    window_ = std::make_unique<HeadlessMainWindow>();
    window_->realWaits = false;
    window_->onMessage = [this](std::string_view text, std::string_view title) {
      reports_.push_back(std::string(title) + ": " + std::string(text));
      if (onReport) onReport();
    };
    window_->onDisplayLine = [this](std::string_view text, bool message) {
      (message ? shown_ : notes_).emplace_back(text);
      if (onLine) onLine();
    };
  }
  void TearDown() override {
    // The hooks may hold the test body's locals, gone by now.
    onLine = nullptr;
    onReport = nullptr;
    HaltButtonClick();
    window_.reset();
    PodTest::TearDown();
  }

  // The program's start-up state: the pod status mutex, the decoder's
  // services, default settings, no trace files.
  void StartProgram() {
    CreatePodStatusMutex();
    ConnectDecoder();
    RestoreDefaultSettings();
    gTraceFiles = {};
    gTraceOptions = {};
    gSpoolChoice = {};
  }
  // Halts from the main thread once the condition holds, after the tick.
  void HaltWhen(std::function<bool()> done) {
    onLine = [this, done = std::move(done)] {
      if (!halting_ && done()) {
        halting_ = true;
        window_->PostToMainThread([] { HaltButtonClick(); });
      }
    };
  }

  std::unique_ptr<HeadlessMainWindow> window_;
  std::function<void()> onLine, onReport;
  bool halting_ = false;
  std::vector<std::string> shown_, notes_, reports_;
};

}  // namespace vantrel::test
