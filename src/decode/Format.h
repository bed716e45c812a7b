// Number formats of the decoded lines and the statistics, appended to a string.
#pragma once
#include <cstdint>
#include <string>

#include "common/Hex.h"

namespace vantrel {

void AppendUInt(std::string& s, std::uint64_t v);        // "###0"
void AppendGrouped(std::string& s, std::uint64_t v);     // "#,##0": 1,234,567
void AppendGrouped9(std::string& s, std::uint32_t v);    // "000,000,000"
void AppendZero9(std::string& s, std::uint32_t v);       // "000000000"
void AppendRight5(std::string& s, std::uint32_t v);      // "%5d"

// Thousands of bits per second, in single precision, rounded once, half away
// from zero, at the tenths or at the fifth significant digit, whichever keeps
// fewer digits, and written with one digit after the point (281.25 gives
// "281.3", 12328.77 gives "12329.0", 204.545 gives "204.5"). Empty when the
// value is not a finite number.
std::string FormatBitRate(float kbitsPerSecond);
// byteCount x 9,000 / durationMicros, computed in single precision.
float BitRate(std::uint64_t byteCount, std::uint64_t durationMicros);

}  // namespace vantrel
