// SMBus packet error code: CRC-8, polynomial x^8 + x^2 + x + 1 (0x07),
// initial value 0, no reflection, no final xor.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace vantrel {

namespace detail {
constexpr std::array<std::uint8_t, 256> MakeCrc8Table() {
  std::array<std::uint8_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x80u) != 0 ? ((crc << 1) ^ 0x07u) : (crc << 1);
    }
    table[i] = static_cast<std::uint8_t>(crc & 0xFFu);
  }
  return table;
}
}  // namespace detail

inline constexpr std::array<std::uint8_t, 256> kCrc8Table = detail::MakeCrc8Table();

std::uint8_t Crc8Update(std::uint8_t crc, std::uint8_t byte);
std::uint8_t Crc8(const std::uint8_t* data, std::size_t n);

}  // namespace vantrel
