// Compares decoded output with what was expected and, when they differ,
// explains it as a unified diff of the first lines that differ, so that a
// failure shows what changed instead of two whole outputs.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::test {

inline std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// One hunk around the first difference: up to 3 lines of context before and
// after, at most `limit` lines on each side.
inline std::string FirstDifferenceAsDiff(const std::vector<std::string>& expected,
                                         const std::vector<std::string>& actual, const std::string& expectedName,
                                         const std::string& actualName, std::size_t limit = 12) {
  std::size_t first = 0;
  while (first < expected.size() && first < actual.size() && expected[first] == actual[first]) ++first;
  // Lines the two still share at their ends bound the differing region.
  std::size_t tail = 0;
  while (tail < expected.size() - first && tail < actual.size() - first &&
         expected[expected.size() - 1 - tail] == actual[actual.size() - 1 - tail])
    ++tail;
  const std::size_t from = first > 3 ? first - 3 : 0;
  const std::size_t expectedEnd = std::min(expected.size() - tail, first + limit);
  const std::size_t actualEnd = std::min(actual.size() - tail, first + limit);
  const std::size_t after = std::min<std::size_t>(3, expected.size() - expectedEnd);
  std::string out = "--- " + expectedName + "\n+++ " + actualName + "\n";
  out += "@@ -" + std::to_string(from + 1) + "," + std::to_string(expectedEnd + after - from) + " +" +
         std::to_string(from + 1) + "," + std::to_string(actualEnd + after - from) + " @@\n";
  for (std::size_t i = from; i < first; ++i) out += " " + expected[i] + "\n";
  for (std::size_t i = first; i < expectedEnd; ++i) out += "-" + expected[i] + "\n";
  for (std::size_t i = first; i < actualEnd; ++i) out += "+" + actual[i] + "\n";
  for (std::size_t i = expectedEnd; i < expectedEnd + after; ++i) out += " " + expected[i] + "\n";
  if (expected.size() - tail > expectedEnd || actual.size() - tail > actualEnd) out += "(later differences not shown)\n";
  return out;
}

inline ::testing::AssertionResult LinesMatch(const std::vector<std::string>& expected,
                                             const std::vector<std::string>& actual,
                                             const std::string& expectedName = "expected",
                                             const std::string& actualName = "decoded") {
  if (expected == actual) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\n" << FirstDifferenceAsDiff(expected, actual, expectedName, actualName);
}

inline ::testing::AssertionResult TextMatches(std::string_view expected, std::string_view actual,
                                              const std::string& expectedName = "expected",
                                              const std::string& actualName = "decoded") {
  if (expected == actual) return ::testing::AssertionSuccess();
  return LinesMatch(SplitLines(expected), SplitLines(actual), expectedName, actualName);
}

}  // namespace vantrel::test
