// Upper-case hexadecimal text, as every file and line of the program writes
// it, and the digits readers accept (either case).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// 0..15 for a hexadecimal digit of either case, -1 for anything else.
constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

inline void AppendHex2(std::string& s, std::uint8_t v) {
  const char two[2] = {kHexDigits[v >> 4], kHexDigits[v & 15]};
  s.append(two, 2);
}

// Writes `digits` upper-case digits of v, most significant first, to out.
constexpr void FormatHex(char* out, std::uint32_t v, int digits) {
  for (int i = digits - 1; i >= 0; --i) {
    out[i] = kHexDigits[v & 15];
    v >>= 4;
  }
}

inline void AppendHex8(std::string& s, std::uint32_t v) {
  char buf[8];
  FormatHex(buf, v, 8);
  s.append(buf, 8);
}

// Reads exactly text.size() digits (at most 8); false when one is not a digit.
constexpr bool ParseHex(std::string_view text, std::uint32_t& value) {
  std::uint32_t v = 0;
  for (char c : text) {
    const int d = HexValue(c);
    if (d < 0) return false;
    v = v << 4 | static_cast<std::uint32_t>(d);
  }
  value = v;
  return true;
}

}  // namespace vantrel
