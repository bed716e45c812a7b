// The USB adapter transport over emulated adapters: discovery and its
// reports, the configuration blocks, an adapter not attached, and one that
// vanishes during a trace.
#include <gtest/gtest.h>

#include "LiveTraceSupport.h"
#include "common/Reports.h"
#include "pod/InterfaceSelection.h"

namespace vantrel::test {
namespace {

class UsbAdapterTest : public LiveTest {
 protected:
  void SetUp() override {
    LiveTest::SetUp();
    Connect(Transport::Usb);
  }
};

TEST_F(UsbAdapterTest, DiscoveryAndItsReports) {
  EXPECT_EQ(UsbDiscovery(0), 1);
  EXPECT_EQ(UsbSerialOf(0), "00001234");
  EXPECT_EQ(UsbSerialOf(1), "INVALID");
  EXPECT_EQ(UsbEntries(), (std::vector<std::string>{"USB SN #00001234"}));
  // Leading zeros: the serial is the decimal value; shown padded again.
  EXPECT_TRUE(PortselOk("USB SN #00001234", [] {}));
  EXPECT_EQ(gPodSelection.ULBoardNum, 1234);
  EXPECT_EQ(InterfaceText(), "USB SN #00001234");
  EXPECT_TRUE(UsbAdapterPresent(1234));
  EXPECT_FALSE(UsbAdapterPresent(99));
  EXPECT_TRUE(reports_.empty());

  // An adapter that cannot be opened is passed over without a report.
  SoftwarePod other(SmartBatteryScenario(), {.wallClock = false});
  UsbAdapterFirmware second(other, {.serial = "00000042"});
  usb_->Add(second);
  usb_->FailNextOpen();
  EXPECT_EQ(UsbDiscovery(0), 1);
  EXPECT_EQ(UsbSerialOf(0), "00000042");
  EXPECT_TRUE(reports_.empty());
  EXPECT_EQ(UsbDiscovery(42), 2);  // the selected one stays open

  // One whose interface cannot be taken is reported with the error's name.
  usb_->FailNextInitialize(kUsbBadDevice);
  EXPECT_EQ(UsbDiscovery(0), 1);
  EXPECT_EQ(reports_, (std::vector<std::string>{"WinUSB Driver Error: WinUsb_Initialize() Failed [ERROR_BAD_DEVICE]"}));

  // A reply that never comes closes everything: the discovery ends there.
  reports_.clear();
  firmware_->WithholdReply(6);
  EXPECT_EQ(UsbDiscovery(0), 0);
  EXPECT_EQ(reports_, (std::vector<std::string>{"WinUSB Driver Error: WinUsb_ReadPipe.1() Failed [ERROR_SEM_TIMEOUT]",
                                                "WinUSB Driver Error: SetupDiEnumDeviceInterfaces() Failed [ERROR_UNKNOWN]"}));

  // A serial that is not a number, looked for by number.
  reports_.clear();
  firmware_->SetSerial("ABCD0001");
  EXPECT_EQ(UsbDiscovery(42), 2);
  EXPECT_EQ(reports_, (std::vector<std::string>{"WinUSB Driver Error: WinUsb_ReadPipe.3() Failed [EXCEPTION_DEVICE_PIPE]"}));
  reports_.clear();
  EXPECT_EQ(UsbDiscovery(0), 2);  // listed as it is when nothing is looked for
  EXPECT_TRUE(reports_.empty());

  // No adapter at all: nothing, and no report.
  usb_->Remove(0);
  usb_->Remove(1);
  EXPECT_EQ(UsbDiscovery(0), 0);
  EXPECT_TRUE(reports_.empty());
}

TEST_F(UsbAdapterTest, ConfigurationGoesInBlocksOf63) {
  // 130 pairs of an image the pod still takes, then a line end.
  const std::string pairs = ReadFile(ShippedImage()).substr(0, 260) + "\r\n";
  ASSERT_TRUE(gPod.OpenInterface());
  PodConfigurationReset();
  usb_->TakeMessages();
  EXPECT_FALSE(gPod.LoadPodConfiguration(WriteScratch("part.pod", pairs)));  // not the whole image
  std::vector<std::size_t> blocks;
  bool done = false;
  for (const auto& m : usb_->TakeMessages()) {
    if (m[0] == 2) blocks.push_back(m.size() - 1);
    if (m[0] == 5) done = true;
  }
  EXPECT_EQ(blocks, (std::vector<std::size_t>{63, 63, 4}));
  EXPECT_TRUE(done);
  // The whole image configures the pod.
  EXPECT_TRUE(gPod.InitializePod(ShippedImage()));
}

TEST_F(UsbAdapterTest, AnAdapterNotAttachedOpensNothing) {
  gPodSelection.ULBoardNum = 777;
  EXPECT_TRUE(gPod.OpenInterface());  // an adapter was listed...
  EXPECT_FALSE(gPod.LoadPodConfiguration(ShippedImage()));  // ...but none is open
  EXPECT_FALSE(gPod.InitializePod(ShippedImage()));
  EXPECT_EQ(gPod.ReadPort(2), 0);
}

TEST_F(UsbAdapterTest, AnAdapterThatVanishesEndsTheTraceAfterTenRetries) {
  StartProgram();  // its default settings forget the interface chosen
  gPodSelection = {InterfaceKind::Usb, 1234, ShippedImage()};
  PodInitialized = gPod.InitializePod(ShippedImage());
  ASSERT_TRUE(PodInitialized);
  onLine = [this] {
    if (shown_.size() == 30) usb_->Remove(usbId_);
  };
  TraceButtonClick();
  window_->Run();
  ASSERT_GE(shown_.size(), 30u);
  EXPECT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].rfind("Pod Interface Report: Pod Interface Communication Lost [ReadPort-", 0), 0u);
  EXPECT_EQ(std::count(notes_.begin(), notes_.end(), "Pod Communication Lost, Attempting Retry (10) of (10)."), 1);
  EXPECT_EQ(notes_.back(), "External Pod Not Detected, Trace Terminated.");
}

}  // namespace
}  // namespace vantrel::test
