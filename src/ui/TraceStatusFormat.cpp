#include "ui/TraceStatusFormat.h"

#include <cmath>

namespace vantrel {
namespace {

constexpr std::uint32_t kRecordBytes = 514;

std::string Grouped(std::uint64_t value, int minDigits) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
  std::string out;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

int Item(int item) { return item >= 0 && item < 4 ? item : 0; }

}  // namespace

std::string FormatThousands(std::uint64_t value) { return Grouped(value, 1); }

std::string FormatCount(std::uint32_t thousandsOfMillions, std::uint32_t units) {
  if (thousandsOfMillions == 0) return FormatThousands(units);
  return FormatThousands(thousandsOfMillions) + "," + Grouped(units, 9);
}

std::string FormatTraceTime(std::uint64_t hours, std::uint32_t minutes, std::uint32_t micros) {
  const std::uint64_t days = hours / 24;
  std::string s;
  if (days > 0) {
    s = FormatThousands(days) + "D:" + FormatThousands(hours % 24) + "H:" + FormatThousands(minutes) + "M:";
  } else if (hours > 0) {
    s = FormatThousands(hours) + "H:" + FormatThousands(minutes) + "M:";
  } else if (minutes > 0) {
    s = FormatThousands(minutes) + "M:";
  }
  return s + FormatThousands(micros) + " uS";
}

std::string FormatSpoolAmount(double value) {
  const auto hundredths = static_cast<std::uint64_t>(std::llround(value * 100.0));
  const std::uint64_t frac = hundredths % 100;
  std::string s = FormatThousands(hundredths / 100) + (frac < 10 ? ".0" : ".") + std::to_string(frac);
  if (s.size() < 8) s.insert(0, 8 - s.size(), ' ');
  return s;
}

std::string SpoolAmountText(std::uint32_t records, double divisor, const char* unit) {
  return FormatSpoolAmount(static_cast<double>(records) * kRecordBytes / divisor) + unit;
}

SpoolNowText SpoolNowField(std::uint32_t count, std::uint32_t capacity, bool wasRed, double divisor,
                           const char* unit) {
  const std::string size = SpoolAmountText(count, divisor, unit);
  if (count >= capacity) return {size + " SPOOL FULL", StatusColour::Red};
  if (!wasRed) return {size + " SPOOLING", count >= capacity / 2 ? StatusColour::Orange : StatusColour::Green};
  if (count > 0) return {size + " DE-SPOOLING", StatusColour::Red};
  return {"SPOOL EMPTY", StatusColour::Red};
}

std::string FreeSpaceText(std::uint64_t bytes) {
  if (bytes > 1000000000) return std::to_string(bytes / 1000000000) + " GB";
  if (bytes > 1000000) return std::to_string(bytes / 1000000) + " MB";
  return std::to_string(bytes / 1000) + " KB";
}

std::string FileSizeText(std::uint32_t writtenKB, std::uint64_t freeBytes) {
  return FormatThousands(writtenKB) + " KB of " + FreeSpaceText(freeBytes) + " Free";
}

std::string SpoolBufferMaxText(int sizeItem) {
  static const char* const kTexts[] = {"   100 KB", "   250 KB", "   500 KB", "   1 MB"};
  return kTexts[Item(sizeItem)];
}

std::string SpoolFileMaxText(int sizeItem) {
  static const char* const kTexts[] = {"   10 MB", "   100 MB", "   500 MB", "   1 GB"};
  return kTexts[Item(sizeItem)];
}

}  // namespace vantrel
