#include "decode/Format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vantrel {
namespace {

// Digits of v, most significant first, into the end of buf; returns the start.
char* Digits(char* end, std::uint64_t v) {
  do {
    *--end = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  return end;
}

__extension__ typedef unsigned __int128 u128;

u128 Pow10(int n) {
  u128 r = 1;
  while (n-- > 0) r *= 10;
  return r;
}

}  // namespace

void AppendUInt(std::string& s, std::uint64_t v) {
  char buf[24];
  char* end = buf + sizeof buf;
  char* p = Digits(end, v);
  s.append(p, static_cast<std::size_t>(end - p));
}

void AppendGrouped(std::string& s, std::uint64_t v) {
  char buf[32];
  char* end = buf + sizeof buf;
  char* p = end;
  int n = 0;
  do {
    if (n != 0 && n % 3 == 0) *--p = ',';
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
    ++n;
  } while (v != 0);
  s.append(p, static_cast<std::size_t>(end - p));
}

void AppendGrouped9(std::string& s, std::uint32_t v) {
  char buf[11];
  for (int i = 10; i >= 0; --i) {
    if (i == 3 || i == 7) {
      buf[i] = ',';
      continue;
    }
    buf[i] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  s.append(buf, sizeof buf);
}

void AppendZero9(std::string& s, std::uint32_t v) {
  char buf[9];
  for (int i = 8; i >= 0; --i) {
    buf[i] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  s.append(buf, sizeof buf);
}

void AppendRight5(std::string& s, std::uint32_t v) {
  char buf[16];
  char* end = buf + sizeof buf;
  char* p = Digits(end, v);
  for (auto width = end - p; width < 5; ++width) s += ' ';
  s.append(p, static_cast<std::size_t>(end - p));
}

float BitRate(std::uint64_t byteCount, std::uint64_t durationMicros) {
  const float bits = static_cast<float>(byteCount * 9000u);
  return bits / static_cast<float>(durationMicros);
}

std::string FormatBitRate(float rate) {
  if (!std::isfinite(rate)) return {};
  const bool negative = rate < 0;
  // The float is exactly mant x 2^exp; round it as an exact fraction.
  int exp2 = 0;
  const float frac = std::frexp(std::fabs(rate), &exp2);
  const auto mant = static_cast<std::uint64_t>(std::ldexp(frac, 24));
  exp2 -= 24;
  // No bus reaches 2^88 kbit/s; beyond it the exact fraction would not fit.
  if (exp2 > 64) return {};
  std::string out;
  if (negative) out += '-';
  if (mant == 0) return out + "0.0";

  // Decimal exponent of the leading digit.
  const double x = std::fabs(static_cast<double>(rate));
  int lead = static_cast<int>(std::floor(std::log10(x)));
  // log10 can be off by one right at a power of ten.
  if (std::pow(10.0, lead) > x) --lead;
  if (std::pow(10.0, lead + 1) <= x) ++lead;

  // One rounding, at whichever place keeps fewer digits: the tenths, or the
  // fifth significant digit. Rounding twice would carry (204.545 -> 204.55 -> 204.6).
  const int p = std::max(lead - 4, -1);
  u128 num = mant, den = 1;
  if (exp2 >= 0) num <<= exp2; else den <<= -exp2;
  if (p >= 0) den *= Pow10(p); else num *= Pow10(-p);
  const u128 n = (2 * num + den) / (2 * den);
  // n x 10^p with p >= -1: tenths = n x 10^(p+1).
  u128 tenths = n * Pow10(p + 1);
  const u128 whole = tenths / 10;
  char buf[48];
  char* end = buf + sizeof buf;
  char* q = end;
  *--q = static_cast<char>('0' + static_cast<int>(tenths % 10));
  *--q = '.';
  u128 w = whole;
  do {
    *--q = static_cast<char>('0' + static_cast<int>(w % 10));
    w /= 10;
  } while (w != 0);
  out.append(q, static_cast<std::size_t>(end - q));
  return out;
}

}  // namespace vantrel
