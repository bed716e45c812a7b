#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/DecoderServices.h"
#include "decode/DisplayOptions.h"
#include "decode/ParseAH.h"

namespace vantrel::test {

constexpr TraceWord Start(std::uint32_t stamp) { return kStartFlag | (stamp & 0xFFFF) << 8; }
constexpr TraceWord Stop(std::uint32_t stamp) { return kStopFlag | (stamp & 0xFFFF) << 8; }
constexpr TraceWord Byte(std::uint8_t b, std::uint32_t stamp, bool nack = false) {
  return kByteFlag | (stamp & 0xFFFF) << 8 | b | (nack ? kNackFlag : 0u);
}
constexpr TraceWord Wrapped(TraceWord w) { return w | kWrapFlag; }

// Feeds words to the decoder and collects its lines.
class DecodingTest : public ::testing::Test {
 protected:
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

// The decoder alone, with the program's default options and its own default
// lookups; every completed message is kept for inspection.
class DecoderTest : public DecodingTest {
 protected:
  struct Completed {
    MessageRecord record;
    std::vector<TraceWord> words;
    bool shown;
    std::string line;
  };
  static inline std::vector<Completed> completed;

  void SetUp() override {
    completed.clear();
    InstallDecoderServices({.MessageCompleted = [](const CompletedMessage& m) {
      completed.push_back({m.record, {m.words.begin(), m.words.end()}, m.shown, std::string(m.line)});
      return true;
    }});
    RestoreDefaultDisplayOptions();
    ResetDecoder();
  }
  void TearDown() override { InstallDecoderServices({}); }
};

}  // namespace vantrel::test
