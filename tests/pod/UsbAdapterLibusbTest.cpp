// The USB adapter transport through libusb-1.0 down to the USB test bed:
// what the in-process services cannot show, since they stand in for libusb:
// its errors as the transport names them, its timeouts, its hotplug list, and
// an adapter that vanishes with transfers in flight.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "LiveTraceSupport.h"

namespace vantrel::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class UsbAdapterLibusbTest : public LiveTest {
 protected:
  void SetUp() override {
    LiveTest::SetUp();
    Connect(Transport::UsbLibusb);
  }

  // A configured pod, ready for the Trace button.
  void PrepareTrace() {
    StartProgram();
    gPodSelection = {InterfaceKind::Usb, 1234, ShippedImage()};  // the defaults name none
    PodInitialized = gPod.InitializePod(ShippedImage());
    ASSERT_TRUE(PodInitialized);
  }

  long Count(const std::string& note) const { return std::count(notes_.begin(), notes_.end(), note); }
};

using Lines = std::vector<std::string>;

TEST_F(UsbAdapterLibusbTest, DiscoveryAndLibusbErrorsAsTheTransportReportsThem) {
  Lines lines;
  EXPECT_TRUE(ListUsbAdapters(lines));
  EXPECT_EQ(lines, (Lines{"USB Pod Interface Driver (libusb-1.0) Found.", "USB Adapter SN #00001234"}));
  EXPECT_EQ(UsbEntries(), (Lines{"USB SN #00001234"}));

  // The node's permissions keep us out: passed over without a report, and
  // only that once.
  bed_->FailNextOpen();
  EXPECT_TRUE(UsbEntries().empty());
  EXPECT_TRUE(reports_.empty());
  EXPECT_EQ(UsbEntries(), (Lines{"USB SN #00001234"}));

  // Another program holds the interface.
  bed_->FailNextClaim();
  EXPECT_EQ(UsbDiscovery(0), 0);
  EXPECT_EQ(reports_, (Lines{"WinUSB Driver Error: WinUsb_Initialize() Failed [ERROR_UNKNOWN]"}));
  reports_.clear();

  // A serial that is not a number, looked for by number: reported, and the
  // adapter is let go so that the next discovery opens it again.
  firmware_->SetSerial("ABCD0001");
  EXPECT_EQ(UsbDiscovery(42), 1);
  EXPECT_EQ(reports_, (Lines{"WinUSB Driver Error: WinUsb_ReadPipe.3() Failed [EXCEPTION_DEVICE_PIPE]"}));
  reports_.clear();
  EXPECT_EQ(UsbEntries(), (Lines{"USB SN #ABCD0001"}));
  EXPECT_FALSE(UsbAdapterPresent(1234));
  EXPECT_TRUE(reports_.empty());

  // Unplugged: libusb lists it no more.
  bed_->RemoveAdapter(usbId_);
  lines.clear();
  EXPECT_FALSE(ListUsbAdapters(lines));
  EXPECT_EQ(lines, (Lines{"USB Pod Interface Driver (libusb-1.0) Found."}));
  EXPECT_TRUE(UsbEntries().empty());
  EXPECT_TRUE(reports_.empty());
}

TEST_F(UsbAdapterLibusbTest, ConfigurationReachesTheFirmwareInBlocksOf63) {
  // 130 pairs of an image the pod still takes, then a line end.
  const std::string pairs = ReadFile(ShippedImage()).substr(0, 260) + "\r\n";
  ASSERT_TRUE(gPod.OpenInterface());
  PodConfigurationReset();
  bed_->TakeMessages();
  EXPECT_FALSE(gPod.LoadPodConfiguration(WriteScratch("part.pod", pairs)));  // not the whole image
  std::vector<std::size_t> blocks;
  std::vector<std::uint8_t> codes;
  for (const auto& m : bed_->TakeMessages()) {
    ASSERT_FALSE(m.empty());
    if (m[0] == 2) blocks.push_back(m.size() - 1);
    if (m[0] == 2 || m[0] == 5) codes.push_back(m[0]);
  }
  EXPECT_EQ(blocks, (std::vector<std::size_t>{63, 63, 4}));
  EXPECT_EQ(codes, (std::vector<std::uint8_t>{2, 2, 2, 5}));
}

TEST_F(UsbAdapterLibusbTest, ASerialNotAttachedLeavesTheAdapterFree) {
  gPodSelection.ULBoardNum = 777;
  EXPECT_TRUE(gPod.OpenInterface());  // an adapter was listed...
  EXPECT_FALSE(gPod.LoadPodConfiguration(ShippedImage()));  // ...but none is open
  EXPECT_EQ(gPod.ReadPort(2), 0);
  EXPECT_EQ(bed_->TakeMessages().size(), 3u);  // only the three questions of the discovery
  // The adapter was let go: the one attached opens and configures.
  gPodSelection.ULBoardNum = 1234;
  EXPECT_TRUE(gPod.InitializePod(ShippedImage()));
  EXPECT_TRUE(pod_->Snapshot().configured);
  EXPECT_TRUE(reports_.empty());
}

TEST_F(UsbAdapterLibusbTest, AWithheldReplyTimesOutAfterThePipeTimeout) {
  ASSERT_TRUE(gPod.OpenInterface());
  firmware_->WithholdReply(1);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(gPod.ReadPort(2), 0);
  EXPECT_GE(Clock::now() - start, 900ms);  // the transport's 1 s, not libusb's "no limit"
  EXPECT_EQ(reports_, (Lines{"Pod Interface Report: Pod Interface Communication Lost [ReadPort-ReadPipe]"}));
  EXPECT_EQ(gPod.ReadPort(2), 0);  // closed: no second report
  EXPECT_EQ(reports_.size(), 1u);

  // During discovery, libusb's timeout carries the transport's name for it.
  reports_.clear();
  firmware_->WithholdReply(6);
  EXPECT_EQ(UsbDiscovery(0), 0);
  EXPECT_EQ(reports_, (Lines{"WinUSB Driver Error: WinUsb_ReadPipe.1() Failed [ERROR_SEM_TIMEOUT]",
                             "WinUSB Driver Error: SetupDiEnumDeviceInterfaces() Failed [ERROR_UNKNOWN]"}));
}

TEST_F(UsbAdapterLibusbTest, AnAdapterThatVanishesMidTraceEndsItAfterTenRetries) {
  PrepareTrace();
  onLine = [this] {
    if (shown_.size() == 30) bed_->RemoveAdapter(usbId_);
  };
  TraceButtonClick();
  window_->Run();
  ASSERT_GE(shown_.size(), 30u);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].rfind("Pod Interface Report: Pod Interface Communication Lost [ReadPort-", 0), 0u)
      << reports_[0];
  for (int n = 1; n <= 10; ++n) {
    const std::string line = "Pod Communication Lost, Attempting Retry (" + std::to_string(n) + ") of (10).";
    EXPECT_EQ(Count(line), 1) << line;
  }
  EXPECT_EQ(notes_.back(), "External Pod Not Detected, Trace Terminated.");
  EXPECT_FALSE(PodInitialized);
}

TEST_F(UsbAdapterLibusbTest, AnAdapterPluggedBackRestartsTheTrace) {
  PrepareTrace();
  // The same pod behind a new adapter, which the bus gives a new address.
  UsbAdapterFirmware replugged(*pod_, {});
  bool unplugged = false, restarted = false;
  std::size_t linesAtRetry = 0;
  onLine = [&] {
    if (!unplugged && shown_.size() == 20) {
      unplugged = true;
      bed_->RemoveAdapter(usbId_);
    }
    if (linesAtRetry == 0 && !notes_.empty() &&
        notes_.back() == "Pod Communication Lost, Attempting Retry (1) of (10).") {
      linesAtRetry = shown_.size();
      usbId_ = bed_->AddAdapter(replugged);
    }
    if (linesAtRetry > 0 && !restarted && shown_.size() >= linesAtRetry + 20 && CurrentTraceMode() == TraceMode::Live) {
      restarted = true;
      window_->PostToMainThread([] { HaltButtonClick(); });
    }
  };
  TraceButtonClick();
  window_->Run();
  EXPECT_TRUE(restarted);
  EXPECT_EQ(Count("Pod Communication Lost, Attempting Retry (1) of (10)."), 1);
  EXPECT_EQ(Count("Pod Communication Lost, Attempting Retry (2) of (10)."), 0);
  ASSERT_GT(shown_.size(), linesAtRetry);
  EXPECT_EQ(shown_[linesAtRetry], shown_[0]);  // the new trace starts from the pod's start again
  gPod.ReleaseInterface();
  bed_.reset();  // before `replugged` goes
}

}  // namespace
}  // namespace vantrel::test
