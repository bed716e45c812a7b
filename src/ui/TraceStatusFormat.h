// The texts of the Trace Status window, as plain functions so that the
// formatting can be checked without a window.
#pragma once
#include <cstdint>
#include <string>

namespace vantrel {

enum class StatusColour { Default, Green, Orange, Red };

// "#,##0": 1234567 -> "1,234,567".
std::string FormatThousands(std::uint64_t value);
// A two-part counter: units below 1,000,000,000 and the number of their wraps.
std::string FormatCount(std::uint32_t thousandsOfMillions, std::uint32_t units);
// "1D:1H:3M:12 uS", "1H:2M:3,456,789 uS", "12 uS"; micros within the minute.
std::string FormatTraceTime(std::uint64_t hours, std::uint32_t minutes, std::uint32_t micros);
// Two decimals with thousands separators, right-aligned in 8 characters.
std::string FormatSpoolAmount(double value);

// A spool's "Now" field. wasRed: the field is red already, i.e. the spool
// filled earlier in this trace; it stays red until the next trace start.
struct SpoolNowText {
  std::string text;
  StatusColour colour;
};
// divisor 1000 and unit " KB" for the RAM spool, 1000000 and " MB" for the disk.
SpoolNowText SpoolNowField(std::uint32_t count, std::uint32_t capacity, bool wasRed, double divisor,
                           const char* unit);
std::string SpoolAmountText(std::uint32_t records, double divisor, const char* unit);

// Free disk space: "12 GB", "345 MB" or "678 KB".
std::string FreeSpaceText(std::uint64_t bytes);
// "123 KB of 12 GB Free".
std::string FileSizeText(std::uint32_t writtenKB, std::uint64_t freeBytes);

// The "Max (1):" captions for the Spool Setup size items.
std::string SpoolBufferMaxText(int sizeItem);  // "   100 KB" .. "   1 MB"
std::string SpoolFileMaxText(int sizeItem);    // "   10 MB" .. "   1 GB"

}  // namespace vantrel
