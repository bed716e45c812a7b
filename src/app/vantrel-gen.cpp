// vantrel-gen: writes the bundled example logs and the benchmark logs from
// scripted bus traffic. Output is deterministic: fixed seeds, fixed stamps.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "pod/SoftwarePod.h"
#include "tracegen/TraceGen.h"

namespace {

using vantrel::BusTiming;
using vantrel::Folder;
using vantrel::LogWriter;
using vantrel::MessageOptions;
using vantrel::TraceBuilder;
using vantrel::TraceWord;
using Bytes = std::vector<std::uint8_t>;

const char* const kUser = "Vantrel Examples";
const char* const kCreated = "06-Dec-2026 at 09:00";

// splitmix64: the same sequence on every platform, unlike <random>'s
// distributions.
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
  bool OneIn(std::uint64_t n) { return Next() % n == 0; }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Next() & 0xFFu); }

 private:
  std::uint64_t s_;
};

// Builder -> parser-thread folding -> log file, streamed.
struct LogPipe {
  LogPipe(const std::string& path, BusTiming timing)
      : log(path, kCreated, kUser),
        folder([this](TraceWord w) { log.Write(w); }),
        bus(timing, [this](TraceWord w) { folder.Push(w); }) {}
  LogWriter log;
  Folder folder;
  TraceBuilder bus;
};

std::uint16_t U16(std::int64_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
Bytes Ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A two-byte memory address followed by data.
Bytes WithAddress(std::uint8_t hi, std::uint8_t lo, const Bytes& data, std::size_t max) {
  const std::size_t n = std::min(data.size(), max);
  Bytes out(n + 2);
  out[0] = hi;
  out[1] = lo;
  std::copy_n(data.begin(), n, out.begin() + 2);
  return out;
}

// ---- Smart Battery system -----------------------------------------------------

namespace sbs {
constexpr std::uint8_t kHost = 0x08;     // SMBus host, address byte 0x10
constexpr std::uint8_t kCharger = 0x09;  // address byte 0x12
constexpr std::uint8_t kBattery = 0x0B;  // address byte 0x16
constexpr std::uint8_t kAlertResponse = 0x0C;

constexpr std::uint8_t kTemperature = 0x08;
constexpr std::uint8_t kVoltage = 0x09;
constexpr std::uint8_t kCurrent = 0x0A;
constexpr std::uint8_t kRelativeSoc = 0x0D;
constexpr std::uint8_t kChargingCurrent = 0x14;
constexpr std::uint8_t kChargingVoltage = 0x15;
constexpr std::uint8_t kBatteryStatus = 0x16;  // also AlarmWarning, written to the host
constexpr std::uint8_t kReserved = 0x1E;
constexpr std::uint8_t kManufacturerName = 0x20;

constexpr std::uint16_t kInitialized = 0x0080;
constexpr std::uint16_t kDischarging = 0x0040;
constexpr std::uint16_t kRemainingCapacityAlarm = 0x0200;
}  // namespace sbs

// A battery discharging at ~1.5 A while the host polls it every 250 ms.
constexpr std::uint64_t kCycleUs = 250'000;

// `cycles` polls of 250 ms, the same every time.
void SmartBatteryTraffic(TraceBuilder& bus, int cycles) {
  using namespace sbs;
  Rng rng(0x5B5);
  const MessageOptions withPec{.pec = true};
  bool alarm = false;

  for (int k = 0; k < cycles; ++k) {
    const std::uint64_t t0 = static_cast<std::uint64_t>(k) * kCycleUs + 1000;
    const double sec = static_cast<double>(t0) / 1e6;
    const auto mv = static_cast<std::int64_t>(12000.0 - 0.8 * sec) + rng.Range(-3, 3);
    const std::int64_t ma = -1500 + rng.Range(-15, 15);
    const auto dk = static_cast<std::int64_t>(2980.0 + sec / 60.0) + rng.Range(-1, 1);
    const auto soc = static_cast<std::int64_t>(80.0 - sec / 100.0);
    if (k == 280) alarm = true;  // 70 s: capacity has fallen under the alarm level
    const std::uint16_t status = kInitialized | kDischarging | (alarm ? kRemainingCapacityAlarm : 0);

    bus.IdleUntil(t0);
    if (k == 2) bus.BlockRead(kBattery, kManufacturerName, Ascii("Orbisan"), withPec);
    if (k == 120) {  // 30 s: the host probes a reserved command
      bus.ReadWord(kBattery, kReserved, 0xFFFF);
      bus.Gap(2000);
    }
    if (k == 480) {  // 120 s: the host gives up after the command byte, then retries
      bus.AbortAfter(kBattery, {kRelativeSoc});
      bus.Idle(static_cast<std::uint64_t>(rng.Range(800, 1500)));
    }

    auto next = [&] { bus.Idle(static_cast<std::uint64_t>(rng.Range(1000, 3000))); };
    bus.ReadWord(kBattery, kVoltage, U16(mv));
    next();
    bus.ReadWord(kBattery, kCurrent, U16(ma));
    next();
    bus.ReadWord(kBattery, kTemperature, U16(dk));
    next();
    bus.ReadWord(kBattery, kRelativeSoc, U16(soc));
    next();
    if (k == 245) {  // ~61 s: a corrupted PEC, and the host reads again
      bus.ReadWord(kBattery, kBatteryStatus, status, {.pec = true, .pecError = 0x21});
      next();
    }
    bus.ReadWord(kBattery, kBatteryStatus, status, withPec);

    // The battery, as bus master, between the host's polls.
    const std::uint64_t mid = t0 + 120'000 + static_cast<std::uint64_t>(rng.Range(0, 5000));
    if (k % 20 == 0) {
      bus.IdleUntil(mid);
      const bool chargerAbsent = k >= 380 && k < 440;  // 95..110 s
      if (chargerAbsent) {
        bus.AddressNack(kCharger);
        bus.Idle(static_cast<std::uint64_t>(rng.Range(1500, 2500)));
        bus.AddressNack(kCharger);
      } else {
        bus.WriteWord(kCharger, kChargingCurrent, 2000, withPec);
        bus.Idle(static_cast<std::uint64_t>(rng.Range(1500, 2500)));
        bus.WriteWord(kCharger, kChargingVoltage, 12600, withPec);
      }
    }
    if (k == 281 || k == 601) {  // 70 s and 150 s
      bus.IdleUntil(mid + 40'000);
      bus.WriteWord(kHost, kBatteryStatus, status);
    }
    if (k == 352) {  // 88 s: SMBALERT#, the host asks who it was, then looks
      bus.IdleUntil(mid + 60'000);
      bus.ReadOnly(kAlertResponse, {kBattery << 1});
      bus.Idle(1500);
      bus.ReadWord(kBattery, kBatteryStatus, status, withPec);
    }
  }
  bus.IdleUntil(static_cast<std::uint64_t>(cycles) * kCycleUs);
}

void WriteSmartBattery(const std::filesystem::path& file) {
  LogPipe pipe(file.string(), {.bitRateHz = 100000});
  SmartBatteryTraffic(pipe.bus, 720);  // three minutes
  pipe.log.Close("06-Dec-2026 at 09:03");
}

// The first `seconds` of the same traffic as a logic analyser records it.
void WriteSmartBatteryCapture(const std::filesystem::path& file, int seconds) {
  vantrel::VcdBusWriter vcd(file.string());
  TraceBuilder bus({.bitRateHz = 100000}, [&vcd](TraceWord w, std::uint64_t us) {
    if (w != vantrel::kPodIdleWord) vcd.Event(w, us);
  });
  SmartBatteryTraffic(bus, seconds * 4);
  vcd.Close(bus.NowUs());
}

// ---- EEPROM and RTC on a 400 kHz bus ------------------------------------------

constexpr std::uint8_t kEeprom = 0x50;  // address byte 0xA0/0xA1
constexpr std::uint8_t kRtc = 0x68;     // address byte 0xD0/0xD1

std::uint8_t Bcd(int v) { return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10)); }

void WriteEeprom(const std::filesystem::path& file) {
  LogPipe pipe(file.string(), {.bitRateHz = 400000});
  TraceBuilder& bus = pipe.bus;
  Rng rng(0xEE);

  const Bytes page = Ascii("Vantrel example!");  // one 16-byte page at 0x0040
  bus.Idle(2000);
  bus.Write(kEeprom, WithAddress(0x00, 0x40, page, page.size()));

  // The device ignores its address during the ~5 ms write cycle; the master
  // keeps asking until it answers, then reads the page back.
  const std::uint64_t ready = bus.NowUs() + 4800;
  while (bus.NowUs() < ready) {
    bus.AddressNack(kEeprom);
    bus.Idle(static_cast<std::uint64_t>(rng.Range(120, 200)));
  }
  bus.Read(kEeprom, {0x00, 0x40}, page);

  // RTC: seconds, minutes, hours, day, date, month, year, four times a second.
  for (int i = 0; i < 8; ++i) {
    bus.IdleUntil(250'000 * static_cast<std::uint64_t>(i + 1));
    if (i == 7) bus.SetTiming({.bitRateHz = 400000, .bitTiming = true});  // the last one with bit records
    const int sec = 12 + i / 4;
    bus.Read(kRtc, {0x00}, {Bcd(sec), Bcd(0), Bcd(9), Bcd(1), Bcd(6), Bcd(12), Bcd(26)});
  }
  bus.Idle(100'000);
  pipe.log.Close("06-Dec-2026 at 09:00");
}

int Examples(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  auto emit = [&dir](const char* name, void (*write)(const std::filesystem::path&)) {
    const std::filesystem::path final = dir / name;
    std::filesystem::path tmp = final;
    tmp += ".tmp";
    write(tmp);
    std::filesystem::rename(tmp, final);
    std::printf("%s\n", final.string().c_str());
  };
  emit("smart-battery.log", WriteSmartBattery);
  emit("eeprom.log", WriteEeprom);
  emit("smart-battery-capture.vcd", [](const std::filesystem::path& f) { WriteSmartBatteryCapture(f, 2); });
  return 0;
}

// ---- benchmark traffic ----------------------------------------------------------

// Alternates battery polling at 100 kHz with I2C bursts at 400 kHz, with quiet
// gaps from a millisecond to several seconds, until about `words` words.
void WriteBench(const std::string& path, std::uint64_t words, std::uint64_t seed, bool bitTiming) {
  using namespace sbs;
  LogPipe pipe(path, {.bitRateHz = 100000, .bitTiming = bitTiming});
  TraceBuilder& bus = pipe.bus;
  Rng rng(seed);
  auto gap = [&](std::int64_t lo, std::int64_t hi) { bus.Idle(static_cast<std::uint64_t>(rng.Range(lo, hi))); };
  const auto done = [&] { return pipe.log.Count() >= words; };

  std::int64_t mv = 12400;
  while (!done()) {
    if (rng.OneIn(2)) {
      bus.SetTiming({.bitRateHz = 100000, .bitTiming = bitTiming});
      const int cycles = static_cast<int>(rng.Range(4, 40));
      for (int c = 0; c < cycles && !done(); ++c) {
        mv -= rng.Range(0, 2);
        if (mv < 10500) mv = 12600;
        const MessageOptions pec{.pec = rng.OneIn(3), .pecError = static_cast<std::uint8_t>(rng.OneIn(500) ? 0x40 : 0)};
        bus.ReadWord(kBattery, kVoltage, U16(mv), pec);
        gap(800, 3000);
        bus.ReadWord(kBattery, kCurrent, U16(-1500 + rng.Range(-40, 40)), pec);
        gap(800, 3000);
        bus.ReadWord(kBattery, kTemperature, U16(2980 + rng.Range(-5, 5)));
        gap(800, 3000);
        bus.ReadWord(kBattery, kBatteryStatus, kInitialized | kDischarging, pec);
        if (rng.OneIn(8)) {
          gap(20'000, 100'000);
          if (rng.OneIn(10)) {
            bus.AddressNack(kCharger);
          } else {
            bus.WriteWord(kCharger, kChargingCurrent, 2000, {.pec = true});
          }
        }
        if (rng.OneIn(200)) bus.BlockRead(kBattery, kManufacturerName, Ascii("Orbisan"));
        if (rng.OneIn(300)) bus.AbortAfter(kBattery, {kRelativeSoc});
        gap(200'000, 260'000);
      }
    } else {
      bus.SetTiming({.bitRateHz = 400000, .bitTiming = bitTiming});
      const int messages = static_cast<int>(rng.Range(20, 200));
      for (int m = 0; m < messages && !done(); ++m) {
        const auto hi = static_cast<std::uint8_t>(rng.Range(0, 0x7F));
        const auto lo = static_cast<std::uint8_t>(rng.Range(0, 3) * 0x40);
        Bytes data(static_cast<std::size_t>(rng.Range(1, 64)));
        for (auto& b : data) b = rng.Byte();
        switch (rng.Range(0, 5)) {
          case 0: {  // page write, then polling through the write cycle
            bus.Write(kEeprom, WithAddress(hi, lo, data, 16));
            for (int p = static_cast<int>(rng.Range(5, 30)); p > 0; --p) {
              bus.AddressNack(kEeprom);
              gap(100, 200);
            }
            break;
          }
          case 1:
          case 2:
            bus.Read(kEeprom, {hi, lo}, data);
            break;
          case 3:
            bus.ReadOnly(kEeprom, data);
            break;
          case 4:
            bus.Read(kRtc, {0x00},
                     {Bcd(static_cast<int>(rng.Range(0, 59))), Bcd(30), Bcd(9), Bcd(1), Bcd(6), Bcd(12), Bcd(26)});
            break;
          default:
          {  // control register; now and then the device refuses it
            MessageOptions opt;
            if (rng.OneIn(20)) opt.nackAt = {1};
            bus.Write(kRtc, {0x0E, rng.Byte()}, opt);
          }
            break;
        }
        gap(30, 600);
      }
    }
    // Quiet bus between activities; now and then long enough for several
    // counted idle words in a row.
    if (rng.OneIn(20)) {
      gap(5'000'000, 12'000'000);
    } else {
      gap(1000, 2'000'000);
    }
  }
  pipe.log.Close("06-Dec-2026 at 09:00");
}

// ---- pod configuration image ----------------------------------------------------

constexpr std::size_t kPodImagePayload = 2048;

int WritePodImage(const std::filesystem::path& file) {
  const std::string text = vantrel::PodImage::ToFileText(vantrel::PodImage::Make(kPodImagePayload));
  std::filesystem::path tmp = file;
  tmp += ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + tmp.string());
  }
  std::filesystem::rename(tmp, file);
  std::printf("%s\n", file.string().c_str());
  return 0;
}

void Usage(std::FILE* to) {
  std::fputs(
      "usage: vantrel-gen examples DIR\n"
      "         writes DIR/smart-battery.log, DIR/eeprom.log and\n"
      "         DIR/smart-battery-capture.vcd\n"
      "       vantrel-gen bench --words N [--seed S] [--bit-timing] FILE\n"
      "         writes a log of about N words of mixed 100/400 kHz traffic\n"
      "       vantrel-gen capture [--seconds S] FILE\n"
      "         writes the first S seconds (default 2) of the Smart Battery example's\n"
      "         traffic as a logic analyser records it, a value change dump\n"
      "       vantrel-gen pod-image FILE\n"
      "         writes the pod configuration image the software pod accepts\n"
      "       vantrel-gen --help\n",
      to);
}

bool ParseCount(const char* s, std::uint64_t& out) {
  char* end = nullptr;
  const unsigned long long v = std::strtoull(s, &end, 10);
  if (end == s || *end != '\0' || *s == '-') return false;
  out = v;
  return true;
}

int Bench(int argc, char** argv) {
  std::uint64_t words = 0;
  std::uint64_t seed = 1;
  bool bitTiming = false;
  bool haveWords = false;
  std::string file;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--words" && i + 1 < argc) {
      haveWords = ParseCount(argv[++i], words);
      if (!haveWords) break;
    } else if (a == "--seed" && i + 1 < argc) {
      if (!ParseCount(argv[++i], seed)) {
        haveWords = false;
        break;
      }
    } else if (a == "--bit-timing") {
      bitTiming = true;
    } else if (file.empty() && !a.empty() && a[0] != '-') {
      file = a;
    } else {
      haveWords = false;
      break;
    }
  }
  if (!haveWords || file.empty()) {
    Usage(stderr);
    return 2;
  }
  WriteBench(file, words, seed, bitTiming);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "--help" || cmd == "-h") {
      Usage(stdout);
      return 0;
    }
    if (cmd == "examples" && argc == 3) return Examples(argv[2]);
    if (cmd == "bench") return Bench(argc, argv);
    if (cmd == "pod-image" && argc == 3) return WritePodImage(argv[2]);
    if (cmd == "capture") {
      std::uint64_t seconds = 2;
      if (argc == 3 || (argc == 5 && std::string(argv[2]) == "--seconds" && ParseCount(argv[3], seconds) &&
                        seconds > 0 && seconds <= 3600)) {
        WriteSmartBatteryCapture(argv[argc - 1], static_cast<int>(seconds));
        return 0;
      }
    }
    Usage(stderr);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantrel-gen: %s\n", e.what());
    return 1;
  }
}
