// A live trace end to end: the software pod on a board (through the stand-in
// data acquisition library), the board's acquisition thread, the spool, the
// parser thread, the decoder and the display; halt, a full recording memory,
// and a pod unplugged and plugged back.
#include <gtest/gtest.h>

#include "LiveTraceSupport.h"

namespace vantrel::test {
namespace {

class LiveTraceTest : public LiveTest {
 protected:
  void SetUp() override {
    LiveTest::SetUp();
    StartProgram();
    Connect(Transport::Board);
    gPodSelection.configPath = ShippedImage();
    PodInitialized = gPod.InitializePod(ShippedImage());
    ASSERT_TRUE(PodInitialized);
  }
};

TEST_F(LiveTraceTest, PodWordsReachTheDisplayAndHaltReconfigures) {
  HaltWhen([this] { return shown_.size() >= 300; });
  TraceButtonClick();
  EXPECT_EQ(CurrentTraceMode(), TraceMode::Live);
  window_->Run();
  ASSERT_GE(shown_.size(), 300u);
  const std::vector<std::string> expected = ScenarioLines(300);
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
  EXPECT_EQ(std::vector<std::string>(shown_.begin(), shown_.begin() + 200), ScenarioLines(200));
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
