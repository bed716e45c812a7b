// A live trace end to end: the software pod on a board (through the stand-in
// data acquisition library), the board's acquisition thread, the spool, the
// parser thread, the decoder and the display; halt, a full recording memory,
// and a pod unplugged and plugged back.
#include <gtest/gtest.h>

#include "PodTestSupport.h"
#include "app/HeadlessMainWindow.h"
#include "decode/ParseAH.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pod/PodStatus.h"
#include "settings/Settings.h"

namespace vantrel::test {
namespace {

// The first `count` lines the scenario decodes to, as a log replay would show them.
std::vector<std::string> ExpectedLines(std::size_t count) {
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

class LiveTraceTest : public PodTest {
 protected:
  void SetUp() override {
    PodTest::SetUp();
    window_ = std::make_unique<HeadlessMainWindow>();
    window_->realWaits = false;
    window_->onMessage = [this](std::string_view text, std::string_view title) {
      reports_.push_back(std::string(title) + ": " + std::string(text));
    };
    window_->onDisplayLine = [this](std::string_view text, bool message) {
      (message ? shown_ : notes_).emplace_back(text);
      if (onLine) onLine();
    };
    CreatePodStatusMutex();
    ConnectDecoder();
    RestoreDefaultSettings();
    gTraceFiles = {};
    gTraceOptions = {};
    gSpoolChoice = {};
    Connect(Transport::Board);
    gPodSelection.configPath = ShippedImage();
    PodInitialized = gPod.InitializePod(ShippedImage());
    ASSERT_TRUE(PodInitialized);
  }
  void TearDown() override {
    HaltButtonClick();
    window_.reset();
    PodTest::TearDown();
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
  std::function<void()> onLine;
  bool halting_ = false;
  std::vector<std::string> shown_, notes_, reports_;
};

TEST_F(LiveTraceTest, PodWordsReachTheDisplayAndHaltReconfigures) {
  HaltWhen([this] { return shown_.size() >= 300; });
  TraceButtonClick();
  EXPECT_EQ(CurrentTraceMode(), TraceMode::Live);
  window_->Run();
  ASSERT_GE(shown_.size(), 300u);
  const std::vector<std::string> expected = ExpectedLines(300);
  EXPECT_EQ(std::vector<std::string>(shown_.begin(), shown_.begin() + 300), expected);
  EXPECT_EQ(CurrentTraceMode(), TraceMode::Idle);
  EXPECT_TRUE(PodInitialized);  // the halt configured the pod again
  EXPECT_TRUE(pod_->Snapshot().configured);
  EXPECT_FALSE(pod_->Snapshot().recording);
  EXPECT_TRUE(reports_.empty());
}

TEST_F(LiveTraceTest, TheDiskSpoolCarriesTheSameWords) {
  gSpoolChoice.deviceItem = 1;  // "Spool File (DISK)", 10 MB
  HaltWhen([this] { return shown_.size() >= 200; });
  TraceButtonClick();
  window_->Run();
  ASSERT_GE(shown_.size(), 200u);
  EXPECT_EQ(std::vector<std::string>(shown_.begin(), shown_.begin() + 200), ExpectedLines(200));
  EXPECT_FALSE(std::filesystem::exists(kSpoolFileName));  // closed and deleted by the halt
  EXPECT_TRUE(reports_.empty());
}

TEST_F(LiveTraceTest, AFullRecordingMemoryEndsTheTraceOnce) {
  onLine = [this] {
    if (shown_.size() == 50) pod_->FillMemory();
  };
  TraceButtonClick();
  window_->Run();
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), "Pod Recording Memory Full Detected, Trace Terminated."), 1);
  EXPECT_EQ(notes_.back(), "Pod Recording Memory Full Detected, Trace Terminated.");
  EXPECT_EQ(window_->beeps, 1);
  EXPECT_EQ(CurrentTraceMode(), TraceMode::Idle);
}

TEST_F(LiveTraceTest, APodPluggedBackRestartsTheTrace) {
  bool unplugged = false, restarted = false;
  std::size_t linesAtRetry = 0;
  onLine = [&] {
    if (!unplugged && shown_.size() == 20) {
      unplugged = true;
      pod_->Unplug();
    }
    if (linesAtRetry == 0 && !notes_.empty() &&
        notes_.back() == "Pod Communication Lost, Attempting Retry (1) of (10).") {
      linesAtRetry = shown_.size();
      pod_->PlugIn();
    }
    if (linesAtRetry > 0 && !restarted && shown_.size() >= linesAtRetry + 20 && CurrentTraceMode() == TraceMode::Live) {
      restarted = true;
      window_->PostToMainThread([] { HaltButtonClick(); });
    }
  };
  TraceButtonClick();
  window_->Run();
  EXPECT_TRUE(restarted);
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), "Pod Communication Lost, Attempting Retry (1) of (10)."), 1);
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), "Pod Communication Lost, Attempting Retry (2) of (10)."), 0);
  // The new trace starts from the pod's start again.
  EXPECT_EQ(shown_[linesAtRetry], shown_[0]);
}

TEST_F(LiveTraceTest, APodThatStaysAwayEndsAfterTenRetries) {
  onLine = [this] {
    if (shown_.size() == 20 && pod_->Snapshot().configured) pod_->Unplug();
  };
  TraceButtonClick();
  window_->Run();
  for (int n = 1; n <= 10; ++n) {
    const std::string line = "Pod Communication Lost, Attempting Retry (" + std::to_string(n) + ") of (10).";
    EXPECT_EQ(std::count(notes_.begin(), notes_.end(), line), 1) << line;
  }
  EXPECT_EQ(notes_.back(), "External Pod Not Detected, Trace Terminated.");
  EXPECT_FALSE(PodInitialized);
}

}  // namespace
}  // namespace vantrel::test
