#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/AddressStats.h"
#include "decode/DisplayOptions.h"
#include "decode/ParseAH.h"
#include "filters/Settings.h"
#include "pipeline/TraceState.h"

namespace vantrel::test {

constexpr TraceWord Start(std::uint32_t stamp) { return kStartFlag | (stamp & 0xFFFF) << 8; }
constexpr TraceWord Stop(std::uint32_t stamp) { return kStopFlag | (stamp & 0xFFFF) << 8; }
constexpr TraceWord Byte(std::uint8_t b, std::uint32_t stamp, bool nack = false) {
  return kByteFlag | (stamp & 0xFFFF) << 8 | b | (nack ? kNackFlag : 0u);
}
constexpr TraceWord Wrapped(TraceWord w) { return w | kWrapFlag; }

// A fresh trace with the program's default options.
class DecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RestoreDefaultSettings();
    ResetDecoder();
    ResetStatistics();
    ClearMessageTables();
    BeginTraceState();
  }
  void TearDown() override { EndTraceState(); }

  // Every non-empty line the words produce.
  std::vector<std::string> Feed(const std::vector<TraceWord>& words) {
    std::vector<std::string> lines;
    for (TraceWord w : words) {
      const std::string& line = DecodeTraceWord(w);
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  std::string One(const std::vector<TraceWord>& words) {
    auto lines = Feed(words);
    EXPECT_EQ(lines.size(), 1u);
    return lines.empty() ? std::string() : lines.back();
  }
};

}  // namespace vantrel::test
