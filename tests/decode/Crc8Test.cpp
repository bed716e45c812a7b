#include "decode/CRC8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace vantrel {
namespace {

// Bit-at-a-time form of the same code, to check the table against.
std::uint8_t SlowCrc8(const std::vector<std::uint8_t>& data) {
  unsigned crc = 0;
  for (std::uint8_t b : data) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 0x80u) != 0 ? ((crc << 1) ^ 0x07u) & 0xFFu : (crc << 1) & 0xFFu;
  }
  return static_cast<std::uint8_t>(crc);
}

TEST(Crc8, CheckValues) {
  const std::uint8_t one = 0x01;
  EXPECT_EQ(Crc8(&one, 1), 0x07);
  const char* digits = "123456789";
  EXPECT_EQ(Crc8(reinterpret_cast<const std::uint8_t*>(digits), std::strlen(digits)), 0xF4);
  EXPECT_EQ(Crc8(nullptr, 0), 0x00);
}

TEST(Crc8, TableMatchesBitwiseCode) {
  for (unsigned i = 0; i < 256; ++i) {
    EXPECT_EQ(kCrc8Table[i], SlowCrc8({static_cast<std::uint8_t>(i)})) << "entry " << i;
  }
  // A read-word transaction with its address bytes: 0x16 0x09 0x17 lo hi.
  const std::vector<std::uint8_t> msg = {0x16, 0x09, 0x17, 0xE0, 0x2E};
  EXPECT_EQ(Crc8(msg.data(), msg.size()), SlowCrc8(msg));
}

TEST(Crc8, UpdateChainsAndMessageWithItsPecChecksToZero) {
  const std::vector<std::uint8_t> msg = {0x12, 0x14, 0xD0, 0x07};
  std::uint8_t crc = 0;
  for (std::uint8_t b : msg) crc = Crc8Update(crc, b);
  EXPECT_EQ(crc, Crc8(msg.data(), msg.size()));
  // A receiver running the code over the PEC byte as well ends at zero.
  EXPECT_EQ(Crc8Update(crc, crc), 0x00);
  EXPECT_NE(Crc8Update(crc, static_cast<std::uint8_t>(crc ^ 0x01)), 0x00);
}

}  // namespace
}  // namespace vantrel
