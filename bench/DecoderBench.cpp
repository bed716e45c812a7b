// Decoder words per second over realistic mixed traffic, per display setting.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analysis/AddressStats.h"
#include "analysis/Revisions.h"
#include "decode/DisplayOptions.h"
#include "decode/ParseAH.h"
#include "settings/Settings.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceState.h"
#include "tracegen/TraceGen.h"

namespace {

using namespace vantrel;

// About two million folded words: battery polling at 100 kHz and EEPROM
// bursts at 400 kHz with quiet gaps between them.
const std::vector<TraceWord>& Traffic() {
  static const std::vector<TraceWord> words = [] {
    std::vector<TraceWord> out;
    Folder folder([&](TraceWord w) { out.push_back(w); });
    TraceBuilder bus({.bitRateHz = 100000}, [&](TraceWord w) { folder.Push(w); });
    std::mt19937 rng(7);
    while (out.size() < 2'000'000) {
      bus.SetTiming({.bitRateHz = 100000});
      for (int i = 0; i < 20; ++i) {
        bus.ReadWord(0x0B, 0x09, static_cast<std::uint16_t>(12000 + rng() % 100));
        bus.Idle(1000);
        bus.ReadWord(0x0B, 0x0A, static_cast<std::uint16_t>(0xFA24 + rng() % 50), {.pec = true});
        bus.Idle(200'000);
      }
      bus.SetTiming({.bitRateHz = 400000});
      for (int i = 0; i < 50; ++i) {
        std::vector<std::uint8_t> data(1 + rng() % 32);
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());
        bus.Read(0x50, {static_cast<std::uint8_t>(rng()), 0x00}, data);
        bus.Idle(100 + rng() % 500);
      }
      bus.Idle(1'500'000);
    }
    return out;
  }();
  return words;
}

// About two million folded words of a host polling a battery every 250 ms,
// most reads and the charger writes carrying a packet error code, a few
// wrong; now and then a block read, an alert response and an aborted read.
const std::vector<TraceWord>& BatteryPolling() {
  static const std::vector<TraceWord> words = [] {
    std::vector<TraceWord> out;
    Folder folder([&](TraceWord w) { out.push_back(w); });
    TraceBuilder bus({.bitRateHz = 100000}, [&](TraceWord w) { folder.Push(w); });
    std::mt19937 rng(11);
    const auto pec = [&] {
      return MessageOptions{.pec = rng() % 8 != 0, .pecError = static_cast<std::uint8_t>(rng() % 500 == 0 ? 0x21 : 0)};
    };
    for (int cycle = 0; out.size() < 2'000'000; ++cycle) {
      bus.ReadWord(0x0B, 0x09, static_cast<std::uint16_t>(12000 + rng() % 100), pec());
      bus.Idle(1000 + rng() % 2000);
      bus.ReadWord(0x0B, 0x0A, static_cast<std::uint16_t>(0xFA24 + rng() % 50), pec());
      bus.Idle(1000 + rng() % 2000);
      bus.ReadWord(0x0B, 0x08, static_cast<std::uint16_t>(2980 + rng() % 5), pec());
      bus.Idle(1000 + rng() % 2000);
      bus.ReadWord(0x0B, 0x0D, static_cast<std::uint16_t>(60 + rng() % 20), pec());
      bus.Idle(1000 + rng() % 2000);
      bus.ReadWord(0x0B, 0x16, 0x00C0, pec());
      bus.Idle(1000 + rng() % 2000);
      bus.ReadWord(0x0B, 0x03, 0x6001, pec());
      if (cycle % 20 == 0) {
        bus.Idle(20'000);
        bus.WriteWord(0x09, 0x14, 2000, pec());
        bus.Idle(2000);
        bus.WriteWord(0x09, 0x15, 12600, pec());
      }
      if (cycle % 50 == 0) {
        bus.Idle(2000);
        bus.BlockRead(0x0B, 0x20, {'O', 'r', 'b', 'i', 's', 'a', 'n'}, pec());
        bus.Idle(2000);
        bus.ReadOnly(0x0C, {0x16});
        bus.Idle(2000);
        bus.AbortAfter(0x0B, {0x0D});
      }
      bus.Idle(230'000);
    }
    return out;
  }();
  return words;
}

void Run(benchmark::State& state, void (*configure)(), const std::vector<TraceWord>& words = Traffic()) {
  ConnectDecoder();
  RestoreDefaultSettings();
  configure();
  ResetDecoder();
  ResetStatistics();
  ClearMessageTables();
  BeginTraceState();
  std::size_t lines = 0;
  for (auto _ : state) {
    for (TraceWord w : words) lines += DecodeTraceWord(w).empty() ? 0 : 1;
    // Keep the shown-message tables from filling up between passes.
    ClearMessageTables();
  }
  EndTraceState();
  benchmark::DoNotOptimize(lines);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * words.size()));
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}

void HexDefault(benchmark::State& s) {
  Run(s, [] {});
}
void HexAllOptions(benchmark::State& s) {
  Run(s, [] {
    DisplayOptions& o = gDisplay;
    o.DisplayAck = o.DisplayByteTime = o.DisplayStartTime = o.DisplayBitRate = true;
  });
}
void CommaDelimited(benchmark::State& s) {
  Run(s, [] { SelectDataProtocol(DataProtocol::CD); });
}
void Binary(benchmark::State& s) {
  Run(s, [] { SelectDataProtocol(DataProtocol::BIN); });
}

// SMBus 1.1 with the PEC box checked, as a battery system is traced.
void SbsWithPec(benchmark::State& s) {
  Run(
      s,
      [] {
        gRevisions.SMBusRev = 1;
        SelectDataProtocol(DataProtocol::SBS);
        gDisplay.PECChecked = true;
      },
      BatteryPolling());
}

BENCHMARK(HexDefault)->Unit(benchmark::kMillisecond);
BENCHMARK(HexAllOptions)->Unit(benchmark::kMillisecond);
BENCHMARK(CommaDelimited)->Unit(benchmark::kMillisecond);
BENCHMARK(Binary)->Unit(benchmark::kMillisecond);
BENCHMARK(SbsWithPec)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
