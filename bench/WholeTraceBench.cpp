// Keep Whole Trace: the memory a line, a message and a word cost, and how long
// finding and picking take, over a trace decoded from realistic traffic.
// Usage: whole_trace_bench [LINES]   (default 10,000,000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "decode/DecoderServices.h"
#include "decode/DisplayOptions.h"
#include "decode/ParseAH.h"
#include "analysis/MessageViews.h"
#include "pipeline/DisplayLines.h"
#include "pipeline/WholeTrace.h"
#include "tracegen/TraceGen.h"
#include "ResidentMemory.h"

namespace {

using namespace vantrel;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A host polling a battery and a charger at 100 kHz, block reads now and then.
void Traffic(TraceBuilder& bus, std::mt19937& rng) {
  for (int i = 0; i < 100; ++i) {
    bus.ReadWord(0x0B, static_cast<std::uint8_t>(0x08 + rng() % 16), static_cast<std::uint16_t>(rng()), {.pec = true});
    bus.Idle(500);
    bus.WriteWord(0x09, 0x14, static_cast<std::uint16_t>(2000 + rng() % 100));
    bus.Idle(2000);
    if (rng() % 10 == 0) bus.Read(0x0B, {0x20}, std::vector<std::uint8_t>(8, static_cast<std::uint8_t>(rng())));
    bus.Idle(20'000);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t target = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10'000'000;
  InstallDecoderServices({.MessageCompleted = [](const CompletedMessage& m) {
    if (m.shown) gWholeTrace.AppendMessage(m.record, m.words);
    return true;
  }});
  gDisplay.Protocol = DataProtocol::SBS;
  gWholeTrace.SetActive(true);
  const long rssBefore = RssKb();

  std::mt19937 rng(5);
  DisplayLines batch;
  std::vector<TraceWord> words;
  const auto start = Clock::now();
  Folder folder([&](TraceWord w) { words.push_back(w); });
  TraceBuilder bus({.bitRateHz = 100000}, [&](TraceWord w) { folder.Push(w); });
  while (gWholeTrace.LineCount() < target) {
    words.clear();
    Traffic(bus, rng);
    for (TraceWord w : words) {
      const std::string& line = DecodeTraceWord(w);
      if (!line.empty()) batch.Add(line, true);
      if (batch.size() == 1000) {
        gWholeTrace.AppendLines(batch);
        batch.Clear();
      }
    }
  }
  gWholeTrace.AppendLines(batch);
  const auto filled = Clock::now();
  const WholeTrace::Memory m = gWholeTrace.MemoryUse();
  std::printf("lines              %zu, messages %zu, words %zu (decoded and kept in %.1f s)\n", m.lines, m.messages,
              m.words, Ms(filled - start) / 1000);
  std::printf("per line           %.1f bytes (text and index)\n", double(m.lineBytes) / double(m.lines));
  std::printf("per message        %.1f bytes (record)\n", double(m.messageBytes) / double(m.messages));
  std::printf("per word           %.1f bytes\n", double(m.wordBytes) / double(m.words));
  std::printf("total              %.1f MiB kept; process RSS grew %.1f MiB\n",
              double(m.lineBytes + m.messageBytes + m.wordBytes) / 1048576.0, double(RssKb() - rssBefore) / 1024.0);

  const std::size_t n = gWholeTrace.LineCount();
  const auto find = [&](const char* what, const std::string& pattern, bool matchCase, std::size_t from, bool backward) {
    const auto t0 = Clock::now();
    const auto at = gWholeTrace.Find(pattern, matchCase, from, n, backward);
    std::printf("find %-13s %8.1f ms  (\"%.*s\", %s%s)\n", what, Ms(Clock::now() - t0), int(pattern.size()),
                pattern.data(), matchCase ? "match case" : "any case",
                at ? (" at line " + std::to_string(*at)).c_str() : ", not found");
  };
  find("whole, none", "NoSuchText", true, 0, false);
  find("whole, none", "nosuchtext", false, 0, false);
  find("backward, none", "NoSuchText", true, n - 1, true);
  find("next", "[Stop]", true, n / 2, false);
  find("a message", "Msg " + MessageNumberText({0, static_cast<std::uint32_t>(m.messages / 2)}) + " ", false, 0, false);

  const auto t0 = Clock::now();
  const std::size_t line = n / 2;
  const auto message = gWholeTrace.MessageOfLine(line);
  const WholeTrace::OneMessage one = gWholeTrace.Message(message.value_or(0));
  const auto timing = MessageTimingLines(*MessageNumberOfLine(gWholeTrace.Line(line)), one.View(), true);
  std::printf("pick line %zu      %.3f ms (%zu timing lines)\n", line, Ms(Clock::now() - t0), timing.size());
  return 0;
}
