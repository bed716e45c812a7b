#include "tracegen/Scenarios.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "decode/CRC8.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Message {
  std::uint64_t startUs = 0, stopUs = 0;
  Bytes bytes;  // address bytes included
  bool nacked = false;
  bool stopAtWrap = false;  // stamped at the wrap instant, not when it happened
};

std::vector<Message> Messages(const TraceBuilder& b) {
  std::vector<Message> out;
  bool open = false;
  for (const BusEvent& e : b.Events()) {
    if (HasStart(e.word) && !open) {
      out.emplace_back();
      out.back().startUs = e.timeUs;
      open = true;
    } else if (HasByte(e.word) && open) {
      out.back().bytes.push_back(DataByte(e.word));
      out.back().nacked = out.back().nacked || HasNack(e.word);
    } else if (HasStop(e.word) && open) {
      out.back().stopUs = e.timeUs;
      out.back().stopAtWrap = HasWrap(e.word);
      open = false;
    }
  }
  return out;
}

std::uint16_t Word(const Message& m) { return static_cast<std::uint16_t>(m.bytes[3] | (m.bytes[4] << 8)); }

TEST(Scenarios, DeterministicByValueAtTheirOwnRateKeepingBitTiming) {
  struct Case {
    BusScenario (*make)(std::uint64_t);
    std::uint32_t rate;
  };
  for (const Case& c : {Case{SmartBatteryScenario, 100000}, Case{EepromScenario, 400000},
                        Case{LoadedBus400kScenario, 400000}, Case{Stress1MHzScenario, 1'000'000}}) {
    BusScenario s1 = c.make(7), s2 = c.make(7), other = c.make(8);
    TraceBuilder a({.bitRateHz = 100000, .bitTiming = true}), b(a.Timing()), o(a.Timing());
    s1(a);
    s2(b);
    other(o);
    EXPECT_NE(a.PodWords(), o.PodWords()) << "the seed matters";
    TraceBuilder copy = a;
    BusScenario s1copy = s1;
    const std::uint64_t afterOne = a.NowUs();
    s1(a);
    s1copy(copy);
    s2(b);
    EXPECT_EQ(a.PodWords(), b.PodWords()) << c.rate;
    EXPECT_EQ(copy.PodWords(), a.PodWords()) << "a copy runs on from where it was copied";
    EXPECT_GT(a.NowUs(), afterOne) << "every cycle takes bus time";
    EXPECT_EQ(a.Timing().bitRateHz, c.rate);
    EXPECT_TRUE(a.Timing().bitTiming);
  }
}

TEST(Scenarios, SmartBatteryPollsEvery250msWhileItsChargeMoves) {
  BusScenario battery = SmartBatteryScenario();
  TraceBuilder bus;
  for (int k = 0; k < 700; ++k) battery(bus);
  const std::vector<Message> all = Messages(bus);

  std::vector<Message> polls;
  std::size_t chargerWrites = 0, alarms = 0;
  for (const Message& m : all) {
    if (m.bytes[0] == 0x16) polls.push_back(m);
    if (m.bytes[0] == 0x12 && polls.size() <= 21 * 5) ++chargerWrites;
    if (m.bytes[0] == 0x10) ++alarms;
  }
  ASSERT_EQ(polls.size(), 700u * 5u);
  const std::uint8_t commands[] = {0x09, 0x0A, 0x08, 0x0D, 0x16};
  std::size_t firstCharging = 0;
  for (std::size_t k = 0; k < 700; ++k) {
    EXPECT_EQ(polls[5 * k].startUs, k * 250'000 + 1000) << k;
    for (std::size_t i = 0; i < 5; ++i) ASSERT_EQ(polls[5 * k + i].bytes[1], commands[i]) << k;
    const Message& status = polls[5 * k + 4];
    ASSERT_EQ(status.bytes.size(), 6u);
    EXPECT_EQ(status.bytes[5], Crc8(status.bytes.data(), 5)) << k;
    if (firstCharging == 0 && !(Word(status) & 0x0040)) firstCharging = k;
  }
  EXPECT_EQ(chargerWrites, 4u) << "current and voltage, every 20 polls";
  EXPECT_GE(Word(polls[0]) - Word(polls[5 * 20]), 20) << "the voltage falls while discharging";
  EXPECT_GT(firstCharging, 0u) << "the battery is charged again";
  EXPECT_EQ(alarms, 1u) << "one capacity alarm to the host on the way down";
}

TEST(Scenarios, EepromPollsThroughTheWriteCycleAndReadsBackThePage) {
  BusScenario eeprom = EepromScenario();
  TraceBuilder bus;
  for (int k = 0; k < 12; ++k) eeprom(bus);
  const std::vector<Message> all = Messages(bus);
  std::size_t pages = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Message& w = all[i];
    if (w.bytes.size() != 19 || w.bytes[0] != 0xA0) continue;
    EXPECT_EQ((w.bytes[1] << 8) | w.bytes[2], static_cast<int>(16 * pages));
    std::size_t j = i + 1;
    while (j < all.size() && all[j].bytes == Bytes{0xA0} && all[j].nacked) ++j;
    ASSERT_LT(j, all.size());
    EXPECT_GE(j - i - 1, 20u) << "polls every ~0.2 ms through ~5 ms";
    EXPECT_GE(all[j].startUs - w.stopUs, 4500u);
    const Message& r = all[j];
    ASSERT_EQ(r.bytes.size(), 20u);
    EXPECT_EQ(Bytes(r.bytes.begin(), r.bytes.begin() + 4), (Bytes{0xA0, w.bytes[1], w.bytes[2], 0xA1}));
    EXPECT_EQ(Bytes(r.bytes.begin() + 4, r.bytes.end()), Bytes(w.bytes.begin() + 3, w.bytes.end()));
    ++pages;
  }
  EXPECT_EQ(pages, 12u);
}

TEST(Scenarios, LoadedAndStressBusesLeaveOnlyTheBusFreeTime) {
  for (BusScenario s : {LoadedBus400kScenario(), Stress1MHzScenario()}) {
    TraceBuilder bus;
    for (int k = 0; k < 3; ++k) s(bus);
    const std::vector<Message> all = Messages(bus);
    ASSERT_GE(all.size(), 3u * 64u);
    for (std::size_t i = 1; i < all.size(); ++i) {
      if (all[i - 1].stopAtWrap) continue;
      ASSERT_LE(all[i].startUs - all[i - 1].stopUs, 2u) << i;
    }
  }
}

}  // namespace
}  // namespace vantrel
