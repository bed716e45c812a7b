// The Bus Status Viewer's volts: exact scaling and rounding of the raw
// levels, and a tick through the pod table.
#include <gtest/gtest.h>

#include "PodTestSupport.h"
#include "pod/BusStatusViewer.h"

namespace vantrel::test {
namespace {

TEST(BusVolts, ScaledByTheReferenceAndRoundedOnce) {
  EXPECT_EQ(BusVolts(128, 128), "2.50");
  EXPECT_EQ(BusVolts(77, 77), "2.50");
  EXPECT_EQ(BusVolts(169, 128), "3.30");  // 3.3008
  EXPECT_EQ(BusVolts(5, 128), "0.10");    // 0.0977: two significant digits
  EXPECT_EQ(BusVolts(0, 128), "0.00");
  EXPECT_EQ(BusVolts(1, 255), "0.01");    // 0.0098: the hundredths keep fewer digits
  // Ties go away from zero, computed exactly (2.5 / 50 x 63 is 3.1499... in floating point).
  EXPECT_EQ(BusVolts(63, 50), "3.20");
  EXPECT_EQ(BusVolts(5, 4), "3.10");      // 3.125: rounded at the tenths, not the hundredths
  EXPECT_EQ(BusVolts(255, 64), "10.00");  // 9.96 carries
  EXPECT_EQ(BusVolts(255, 1), "640.00");  // 637.5: two significant digits
  // A reference that cannot scale.
  EXPECT_EQ(BusVolts(169, 0), "--.--");
  EXPECT_EQ(BusVolts(0, 0), "--.--");
}

class BusStatusViewerTest : public PodTest {};

TEST_F(BusStatusViewerTest, TicksReadThePodOnlyOnceInitialized) {
  Connect(Transport::Board);
  EXPECT_FALSE(ReadBusVolts());
  PodInitialized = gPod.InitializePod(ShippedImage());
  ASSERT_TRUE(PodInitialized);
  std::optional<BusVoltsText> v = ReadBusVolts();
  ASSERT_TRUE(v);
  // An idle bus: both lines high at the supply.
  EXPECT_EQ(v->bus, "3.30");
  EXPECT_EQ(v->scl, "3.30");
  EXPECT_EQ(v->sda, "3.30");
  // Unplugged, every reading is 0, the reference too; polling goes on.
  pod_->Unplug();
  v = ReadBusVolts();
  ASSERT_TRUE(v);
  EXPECT_EQ(v->bus, "--.--");
  EXPECT_EQ(v->scl, "--.--");
}

}  // namespace
}  // namespace vantrel::test
