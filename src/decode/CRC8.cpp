#include "decode/CRC8.h"

namespace vantrel {

std::uint8_t Crc8Update(std::uint8_t crc, std::uint8_t byte) {
  return kCrc8Table[static_cast<std::uint8_t>(crc ^ byte)];
}

std::uint8_t Crc8(const std::uint8_t* data, std::size_t n) {
  std::uint8_t crc = 0;
  for (std::size_t i = 0; i < n; ++i) crc = Crc8Update(crc, data[i]);
  return crc;
}

}  // namespace vantrel
