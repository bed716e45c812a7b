// What the pod side may hand the program, found by the fuzz targets: a USB
// trace transfer that ends in a timeout after part of its data.
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

class HostileUsbTest : public PodTest {
 protected:
  void SetUp() override {
    PodTest::SetUp();
    window_ = std::make_unique<HeadlessMainWindow>();
    window_->realWaits = false;
    window_->onMessage = [this](std::string_view text, std::string_view title) {
      reports_.push_back(std::string(title) + ": " + std::string(text));
    };
    window_->onDisplayLine = [this](std::string_view text, bool message) {
      if (!message) return;
      shown_.emplace_back(text);
      if (shown_.size() == kLines) window_->PostToMainThread([] { HaltButtonClick(); });
    };
    CreatePodStatusMutex();
    ConnectDecoder();
    RestoreDefaultSettings();
    gTraceFiles = {};
    gTraceOptions = {};
    gSpoolChoice = {};
    Connect(Transport::Usb);
    gPodSelection.configPath = ShippedImage();
    PodInitialized = gPod.InitializePod(ShippedImage());
    ASSERT_TRUE(PodInitialized);
  }
  void TearDown() override {
    HaltButtonClick();
    window_.reset();
    PodTest::TearDown();
  }
  static constexpr std::size_t kLines = 100;
  std::unique_ptr<HeadlessMainWindow> window_;
  std::vector<std::string> shown_, reports_;
};

// The pod let those bytes go: dropping them would cut a trace word apart and
// garble every line after it.
TEST_F(HostileUsbTest, ATraceTransferThatTimesOutKeepsWhatArrived) {
  for (std::uint32_t arrived : {10u, 1u}) {
    SCOPED_TRACE(arrived);
    shown_.clear();
    usb_->TimeOutNextTraceRead(arrived);
    TraceButtonClick();
    window_->Run();
    ASSERT_GE(shown_.size(), kLines);
    EXPECT_EQ(std::vector<std::string>(shown_.begin(), shown_.begin() + kLines), ExpectedLines(kLines));
    EXPECT_TRUE(reports_.empty()) << reports_.front();
  }
}

}  // namespace
}  // namespace vantrel::test
