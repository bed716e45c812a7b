// What the pod side may hand the program, found by the fuzz targets: a USB
// trace transfer that ends in a timeout after part of its data.
#include <gtest/gtest.h>

#include "LiveTraceSupport.h"

namespace vantrel::test {
namespace {

class HostileUsbTest : public LiveTest {
 protected:
  void SetUp() override {
    LiveTest::SetUp();
    HaltWhen([this] { return shown_.size() >= kLines; });
    StartProgram();
    Connect(Transport::Usb);
    gPodSelection.configPath = ShippedImage();
    PodInitialized = gPod.InitializePod(ShippedImage());
    ASSERT_TRUE(PodInitialized);
  }
  static constexpr std::size_t kLines = 100;
};

// The pod let those bytes go: dropping them would cut a trace word apart and
// garble every line after it.
TEST_F(HostileUsbTest, ATraceTransferThatTimesOutKeepsWhatArrived) {
  for (std::uint32_t arrived : {10u, 1u}) {
    SCOPED_TRACE(arrived);
    shown_.clear();
    halting_ = false;
    usb_->TimeOutNextTraceRead(arrived);
    TraceButtonClick();
    window_->Run();
    ASSERT_GE(shown_.size(), kLines);
    EXPECT_EQ(std::vector<std::string>(shown_.begin(), shown_.begin() + kLines), ScenarioLines(kLines));
    EXPECT_TRUE(reports_.empty()) << reports_.front();
  }
}

}  // namespace
}  // namespace vantrel::test
