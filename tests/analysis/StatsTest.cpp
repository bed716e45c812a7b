#include <gtest/gtest.h>

#include "analysis/AddressStats.h"

namespace vantrel {
namespace {

MessageRecord Msg(std::uint16_t address, std::uint32_t bytes, std::uint32_t minutes, std::uint32_t micros) {
  MessageRecord r;
  r.address = address;
  r.byteCount = bytes;
  r.durationMinutes = minutes;
  r.durationMicroseconds = micros;
  return r;
}

TEST(AddressStatistics, CountsAndCarries) {
  ResetStatistics();
  UpdateAddressStatistics(Msg(0x17, 3, 0, 59'999'990));  // read and write share the 7-bit entry
  UpdateAddressStatistics(Msg(0x16, 2, 1, 20));
  const AddressStat& e = gStats.entries[0x0B];
  EXPECT_EQ(e.address, 0x0B);
  EXPECT_EQ(e.messagesLow, 2u);
  EXPECT_EQ(e.bytesLow, 5u);
  EXPECT_EQ(e.busyMinutes, 2u);
  EXPECT_EQ(e.busyMicroseconds, 10u);
  EXPECT_EQ(gStats.activeAddressCount, 1u);
  EXPECT_TRUE(gStats.statsChanged);

  gStats.entries[0x0B].messagesLow = 999'999'999;
  gStats.entries[0x0B].bytesLow = 999'999'999;
  UpdateAddressStatistics(Msg(0x16, 4'000'000'000u, 0, 0));
  EXPECT_EQ(e.messagesHigh, 1u);
  EXPECT_EQ(e.messagesLow, 0u);
  EXPECT_EQ(e.bytesHigh, 4u);
  EXPECT_EQ(e.bytesLow, 999'999'999u);
  // A later message of the same address is not counted as a new active one.
  UpdateAddressStatistics(Msg(0x16, 1, 0, 0));
  EXPECT_EQ(gStats.activeAddressCount, 1u);

  ResetStatistics();
  EXPECT_EQ(gStats.entries[0x0B].messagesLow, 0u);
  EXPECT_EQ(gStats.activeAddressCount, 0u);
  EXPECT_FALSE(gStats.statsChanged);
}

}  // namespace
}  // namespace vantrel
