#include "tracegen/Scenarios.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// splitmix64: the same sequence on every platform.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : s_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  std::int64_t Range(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  std::uint64_t Us(std::int64_t lo, std::int64_t hi) { return static_cast<std::uint64_t>(Range(lo, hi)); }
  std::size_t Count(std::int64_t lo, std::int64_t hi) { return static_cast<std::size_t>(Range(lo, hi)); }
  bool OneIn(std::uint64_t n) { return Next() % n == 0; }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Next() & 0xFFu); }
  Bytes Fill(std::size_t n) {
    Bytes out(n);
    for (auto& b : out) b = Byte();
    return out;
  }

 private:
  std::uint64_t s_;
};

// The scenario's bit rate; bit timing stays as the recorder chose it.
void UseBitRate(TraceBuilder& bus, std::uint32_t hz) {
  BusTiming t = bus.Timing();
  t.bitRateHz = hz;
  bus.SetTiming(t);
}

std::uint16_t U16(std::int64_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
std::uint8_t Hi(std::size_t v) { return static_cast<std::uint8_t>((v >> 8) & 0xFFu); }
std::uint8_t Lo(std::size_t v) { return static_cast<std::uint8_t>(v & 0xFFu); }
std::uint8_t Bcd(int v) { return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10)); }

// A two-byte memory address followed by data.
Bytes WithAddress(std::size_t at, const Bytes& data) {
  Bytes out(data.size() + 2);
  out[0] = Hi(at);
  out[1] = Lo(at);
  std::copy(data.begin(), data.end(), out.begin() + 2);
  return out;
}

constexpr std::uint8_t kEeprom = 0x50;
constexpr std::uint8_t kRtc = 0x68;
constexpr std::uint8_t kSensor = 0x48;
constexpr std::uint8_t kExpander = 0x20;

// ---- Smart Battery ------------------------------------------------------------

struct SmartBattery {
  static constexpr std::uint8_t kHost = 0x08;
  static constexpr std::uint8_t kCharger = 0x09;
  static constexpr std::uint8_t kBattery = 0x0B;

  static constexpr std::uint8_t kTemperature = 0x08;
  static constexpr std::uint8_t kVoltage = 0x09;
  static constexpr std::uint8_t kCurrent = 0x0A;
  static constexpr std::uint8_t kRelativeSoc = 0x0D;
  static constexpr std::uint8_t kChargingCurrent = 0x14;
  static constexpr std::uint8_t kChargingVoltage = 0x15;
  static constexpr std::uint8_t kBatteryStatus = 0x16;  // AlarmWarning when written to the host

  static constexpr std::uint16_t kRemainingCapacityAlarm = 0x0200;
  static constexpr std::uint16_t kInitialized = 0x0080;
  static constexpr std::uint16_t kDischarging = 0x0040;
  static constexpr std::uint16_t kFullyCharged = 0x0020;

  static constexpr std::uint64_t kCycleUs = 250'000;
  // Charge in thousandths of a percent; a quick battery, so that a short
  // trace shows it move.
  static constexpr std::int64_t kDischargePerCycle = 125;
  static constexpr std::int64_t kChargePerCycle = 170;

  explicit SmartBattery(std::uint64_t seed) : rng(seed) {}

  void operator()(TraceBuilder& bus) {
    UseBitRate(bus, 100000);
    if (k == 0) base = bus.NowUs();
    const std::uint64_t t0 = base + k * kCycleUs + 1000;

    if (charging) {
      charge = std::min<std::int64_t>(charge + kChargePerCycle, 100'000);
      if (charge == 100'000) charging = false;
    } else {
      charge -= kDischargePerCycle;
      if (charge <= 10'000) charging = true;
    }
    const std::int64_t soc = charge / 1000;
    const std::int64_t mv = 10800 + charge * 14 / 1000 + (charging ? 300 : 0) + rng.Range(-3, 3);
    const std::int64_t ma = (charging ? 2000 : -1500) + rng.Range(-15, 15);
    if (k % 4 == 0) temperature += temperature < (charging ? 3030 : 2985) ? 1 : -1;
    const std::int64_t dk = temperature + rng.Range(-1, 1);
    const bool alarmNow = !charging && soc < 15;
    const bool alarmRaised = alarmNow && !alarm;
    alarm = alarmNow;
    const std::uint16_t status = static_cast<std::uint16_t>(kInitialized | (charging ? 0 : kDischarging) |
                                                            (soc >= 100 ? kFullyCharged : 0) |
                                                            (alarm ? kRemainingCapacityAlarm : 0));
    const MessageOptions withPec{.pec = true};

    bus.IdleUntil(t0);
    auto next = [&] { bus.Idle(rng.Us(1000, 3000)); };
    bus.ReadWord(kBattery, kVoltage, U16(mv));
    next();
    bus.ReadWord(kBattery, kCurrent, U16(ma));
    next();
    bus.ReadWord(kBattery, kTemperature, U16(dk));
    next();
    bus.ReadWord(kBattery, kRelativeSoc, U16(soc));
    next();
    bus.ReadWord(kBattery, kBatteryStatus, status, withPec);

    // The battery as bus master, between the host's polls.
    const std::uint64_t mid = t0 + 120'000 + rng.Us(0, 5000);
    if (k % 20 == 0) {
      bus.IdleUntil(mid);
      bus.WriteWord(kCharger, kChargingCurrent, charging ? 2000 : 0, withPec);
      bus.Idle(rng.Us(1500, 2500));
      bus.WriteWord(kCharger, kChargingVoltage, 12600, withPec);
    }
    if (alarmRaised) {
      bus.IdleUntil(mid + 40'000);
      bus.WriteWord(kHost, kBatteryStatus, status);
    }
    ++k;
  }

  Rng rng;
  std::uint64_t k = 0;
  std::uint64_t base = 0;
  std::int64_t charge = 80'000;
  std::int64_t temperature = 2980;
  bool charging = false;
  bool alarm = false;
};

// ---- EEPROM -------------------------------------------------------------------

struct Eeprom {
  static constexpr std::size_t kSize = 32 * 1024;
  static constexpr std::size_t kPage = 16;

  explicit Eeprom(std::uint64_t seed) : rng(seed), memory(kSize, 0xFF) {}

  Bytes Contents(std::size_t at, std::size_t n) const {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = memory[(at + i) % kSize];
    return out;
  }

  void operator()(TraceBuilder& bus) {
    UseBitRate(bus, 400000);
    const std::size_t at = page * kPage;
    const Bytes data = rng.Fill(kPage);
    std::copy(data.begin(), data.end(), memory.begin() + static_cast<std::ptrdiff_t>(at));
    bus.Write(kEeprom, WithAddress(at, data));

    // The device ignores its address during the write cycle; the master keeps
    // asking until it answers.
    const std::uint64_t ready = bus.NowUs() + rng.Us(4500, 5000);
    do {
      bus.AddressNack(kEeprom);
      bus.Idle(rng.Us(120, 200));
    } while (bus.NowUs() < ready);
    bus.Read(kEeprom, {Hi(at), Lo(at)}, Contents(at, kPage));
    cursor = (at + kPage) % kSize;

    if (rng.OneIn(4)) {  // a current-address read from where the last one ended
      bus.Idle(rng.Us(200, 800));
      const std::size_t n = rng.Count(1, 32);
      bus.ReadOnly(kEeprom, Contents(cursor, n));
      cursor = (cursor + n) % kSize;
    }
    bus.Idle(rng.Us(1000, 10'000));
    page = (page + 1) % (kSize / kPage);
  }

  Rng rng;
  Bytes memory;
  std::size_t page = 0;
  std::size_t cursor = 0;
};

// ---- loaded 400 kHz bus -------------------------------------------------------

struct LoadedBus {
  static constexpr int kMessages = 64;

  explicit LoadedBus(std::uint64_t seed) : rng(seed) {}

  void operator()(TraceBuilder& bus) {
    UseBitRate(bus, 400000);
    for (int m = 0; m < kMessages; ++m) {
      const std::size_t at = rng.Count(0, 0x7FFF);
      switch (rng.Range(0, 5)) {
        case 0:
          bus.Read(kEeprom, {Hi(at), Lo(at)}, rng.Fill(rng.Count(1, 32)));
          break;
        case 1: {  // a short write, and the polls that follow it
          bus.Write(kEeprom, WithAddress(at, rng.Fill(rng.Count(1, 16))));
          for (std::size_t p = rng.Count(1, 4); p > 0; --p) bus.AddressNack(kEeprom);
          break;
        }
        case 2:
          ++seconds;
          bus.Read(kRtc, {0x00},
                   {Bcd(seconds % 60), Bcd(seconds / 60 % 60), Bcd(9), Bcd(1), Bcd(6), Bcd(12), Bcd(26)});
          break;
        case 3:
          bus.Read(kSensor, {0x00}, {static_cast<std::uint8_t>(rng.Range(0x15, 0x1C)), rng.Byte()});
          break;
        case 4:
          bus.Write(kExpander, {0x01, rng.Byte()});
          break;
        default:
          bus.ReadOnly(kEeprom, rng.Fill(rng.Count(1, 8)));
          break;
      }
    }
  }

  Rng rng;
  int seconds = 0;
};

// ---- 1 MHz stress -------------------------------------------------------------

struct Stress {
  static constexpr int kMessages = 64;

  explicit Stress(std::uint64_t seed) : rng(seed) {}

  void operator()(TraceBuilder& bus) {
    UseBitRate(bus, 1'000'000);
    for (int m = 0; m < kMessages; ++m) {
      const auto addr = static_cast<std::uint8_t>(rng.Range(0x08, 0x77));
      switch (rng.Range(0, 6)) {
        case 0: {
          MessageOptions opt;
          const Bytes data = rng.Fill(rng.Count(0, 8));
          if (rng.OneIn(8)) opt.nackAt = {rng.Count(1, data.size() + 1)};
          bus.Write(addr, data, opt);
          break;
        }
        case 1:
          bus.Read(addr, {rng.Byte()}, rng.Fill(rng.Count(1, 8)));
          break;
        case 2:
          bus.BlockRead(addr, rng.Byte(), rng.Fill(rng.Count(1, 32)),
                        {.pec = true, .pecError = static_cast<std::uint8_t>(rng.OneIn(16) ? 0x01 : 0)});
          break;
        case 3:
          bus.WriteWord(addr, rng.Byte(), U16(static_cast<std::int64_t>(rng.Next())), {.pec = true});
          break;
        case 4:
          bus.AddressNack(addr, rng.OneIn(2));
          break;
        case 5:
          bus.AbortAfter(addr, rng.Fill(rng.Count(1, 3)));
          break;
        default:
          bus.ReadOnly(addr, rng.Fill(rng.Count(1, 4)));
          break;
      }
    }
  }

  Rng rng;
};

}  // namespace

BusScenario SmartBatteryScenario(std::uint64_t seed) { return SmartBattery(seed); }
BusScenario EepromScenario(std::uint64_t seed) { return Eeprom(seed); }
BusScenario LoadedBus400kScenario(std::uint64_t seed) { return LoadedBus(seed); }
BusScenario Stress1MHzScenario(std::uint64_t seed) { return Stress(seed); }

}  // namespace vantrel
