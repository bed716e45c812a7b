// Every transport of the pod table against the software pod: the port
// sequences the pod receives, configuration, the loopback test, bus levels.
// The board transport runs through the stand-in data acquisition library,
// loaded as the program loads the real one. The USB test bed's program runs
// the USB transport through libusb-1.0 and the bed instead.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "PodTestSupport.h"
#include "pod/BoardLibrary.h"
#include "pod/CBWAdapter.h"
#include "pod/PodCommands.h"
#include "pod/PodInterface.h"
#include "pod/SimulatorTransport.h"

namespace vantrel::test {
namespace {

std::string Name(const ::testing::TestParamInfo<Transport>& info) {
  switch (info.param) {
    case Transport::Board: return "BoardThroughStandInLibrary";
    case Transport::Simulator: return "Simulator";
    case Transport::Usb: return "UsbAdapter";
    case Transport::UsbLibusb: return "UsbAdapterThroughLibusb";
  }
  return "";
}

class PodConformance : public PodTest, public ::testing::WithParamInterface<Transport> {
 protected:
  void SetUp() override {
    PodTest::SetUp();
    Connect(GetParam());
  }
};

TEST_P(PodConformance, ConfigurationAndDetection) {
  EXPECT_TRUE(gPod.InitializePod(ShippedImage()));
  EXPECT_TRUE(gPod.PodDetected());
  EXPECT_TRUE(pod_->Snapshot().configured);

  // A damaged image: one digit changed in the payload.
  std::string text = ReadFile(ShippedImage());
  text[40] = text[40] == 'a' ? 'b' : 'a';
  EXPECT_FALSE(gPod.InitializePod(WriteScratch("damaged.pod", text)));
  EXPECT_FALSE(gPod.PodDetected());
  // Digits after the image are not sent: the pod stops asking.
  text = ReadFile(ShippedImage());
  text.insert(text.size() - 2, "0123456789abcdef");
  pod_->RecordAccesses(true);
  EXPECT_TRUE(gPod.InitializePod(WriteScratch("longer.pod", text)));
  const std::size_t bitsSent = CountWrites(pod_->TakeAccesses(), 0);
  const std::size_t digits = ReadFile(ShippedImage()).size() - 2;
  if (GetParam() == Transport::Usb || GetParam() == Transport::UsbLibusb) {
    // Whole blocks: the one that ends the image carries the 8 extra bytes; none follows it.
    EXPECT_EQ(bitsSent, (digits + 16) * 4);
  } else {
    EXPECT_EQ(bitsSent, (digits + 1) * 4);  // every digit, then the closing nibble
  }
  // Not a configuration file at all; no file.
  EXPECT_FALSE(gPod.InitializePod(WriteScratch("text.pod", "hello world\r\n")));
  EXPECT_FALSE(gPod.InitializePod(WriteScratch("missing-dir/x.pod", "")));
}

TEST_P(PodConformance, TraceStartAndStopSequences) {
  ASSERT_TRUE(gPod.InitializePod(ShippedImage()));
  pod_->RecordAccesses(true);
  gPod.StartPodTrace(false, false, 0, 250);
  gPod.StopPodTrace();
  Seq expected = TriggerPatternLoad(gTriggerOut);
  C(expected, 0x02), D(expected, 0x00), C(expected, 0x08), D(expected, 250);
  C(expected, 0x04), D(expected, 0x01), D(expected, 0x40), C(expected, 0x01);
  const Seq got = WritesAndReads(pod_->TakeAccesses());
  ASSERT_GE(got.size(), expected.size());
  EXPECT_EQ(Seq(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
  Seq stop;
  C(stop, 0x04), D(stop, 0x08), C(stop, 0x02), D(stop, 0x00);
  EXPECT_EQ(Seq(got.end() - static_cast<std::ptrdiff_t>(stop.size()), got.end()), stop);

  // A custom pattern, threshold, bit timing and a start on Trigger In.
  gTriggerOut.PatternMem[0] = 0x16;
  gTriggerOut.DontCareMem[0] = 0x01;
  gTriggerOut.TrigPosMem = {0, 0, 1};
  ASSERT_TRUE(gPod.InitializePod(ShippedImage()));
  gPod.StartPodTrace(true, true, 5, 150);
  const SoftwarePod::State s = pod_->Snapshot();
  gPod.StopPodTrace();
  EXPECT_EQ(s.pattern[0], 0x16);
  EXPECT_EQ(s.dontCare[0], 0x01);
  EXPECT_EQ(s.dontCare[1], 0xFF);
  EXPECT_EQ(s.position[2], 1);
  EXPECT_EQ(s.position[0], 0);
  EXPECT_EQ(s.threshold, 150);
  EXPECT_EQ(s.trigCode, 0x80);
  EXPECT_TRUE(s.bitTiming);
  EXPECT_TRUE(s.armedForTrigger);
}

TEST_P(PodConformance, BusLevelsAndStatus) {
  ASSERT_TRUE(gPod.InitializePod(ShippedImage()));
  gPod.ReadBusLevels();
  EXPECT_EQ(gBusLevels.reference, 128);
  EXPECT_EQ(gBusLevels.bus, 169);
  EXPECT_EQ(gBusLevels.scl, 169);
  EXPECT_EQ(gBusLevels.sda, 169);
  EXPECT_EQ(gPod.ReadStatusPort() & 0x0F, 0x03);  // present, nothing recorded
  pod_->Unplug();
  EXPECT_FALSE(gPod.PodDetected());
}

TEST_P(PodConformance, LoopbackTest) {
  pod_->Unplug();
  EXPECT_FALSE(gPod.LoopbackTest());
  pod_->SetLoopbackJumper(true);
  EXPECT_TRUE(gPod.LoopbackTest());
}

TEST_P(PodConformance, ReleaseSequence) {
  ASSERT_TRUE(gPod.InitializePod(ShippedImage()));
  pod_->RecordAccesses(true);
  gPod.ReleaseInterface();
  const Seq expected = {{true, 2, 0x00}, {true, 0, 0x00}, {true, 2, 0xF0}, {true, 0, 0xFF}};
  EXPECT_EQ(WritesAndReads(pod_->TakeAccesses()), expected);
  EXPECT_FALSE(pod_->Snapshot().configured);  // released lines reset the pod
}

#ifdef VANTREL_USB_TESTBED
INSTANTIATE_TEST_SUITE_P(Transports, PodConformance, ::testing::Values(Transport::UsbLibusb), Name);
#else
INSTANTIATE_TEST_SUITE_P(Transports, PodConformance,
                         ::testing::Values(Transport::Board, Transport::Simulator, Transport::Usb), Name);
#endif

}  // namespace
}  // namespace vantrel::test
