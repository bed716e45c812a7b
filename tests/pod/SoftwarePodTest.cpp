#include "pod/SoftwarePod.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "pod/PodStatus.h"
#include "tracegen/Scenarios.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Memory16 = std::array<std::uint8_t, 16>;
using namespace std::chrono_literals;

// The host's port sequences, written out here on their own so that the pod is
// held against the sequences rather than against the product's helpers.
struct Host {
  SoftwarePod& pod;

  void Control(std::uint8_t v) { pod.WritePort(2, v); }
  std::uint8_t Status() { return pod.ReadPort(2); }
  void Command(std::uint8_t code) {
    pod.WritePort(0, code);
    for (int c : {0x70, 0x50, 0x70, 0xF0}) Control(static_cast<std::uint8_t>(c));
  }
  void Data(std::uint8_t value) {
    pod.WritePort(0, value);
    for (int c : {0xF0, 0xD0, 0xF0, 0xF0}) Control(static_cast<std::uint8_t>(c));
  }
  std::uint8_t DataRead() {
    Control(0xB0);
    Control(0xB0);
    (void)pod.ReadPort(1);
    const std::uint8_t v = pod.ReadPort(1);
    Control(0xF0);
    Control(0xF0);
    return v;
  }
  std::uint8_t TraceByte() {
    Control(0xB0);
    const std::uint8_t v = pod.ReadPort(1);
    Control(0xF0);
    return v;
  }
  void ConfigReset() {  // the host's 100 ms waits change nothing for the pod
    Control(0xCF);
    Control(0xDF);
  }
  void ConfigBit(unsigned bit) {
    Control(0xDF);
    pod.WritePort(0, static_cast<std::uint8_t>(bit));
    Control(0xFF);
  }
  // A board host: 4 bits a digit, then status; returns the digits taken.
  std::size_t ConfigureByDigits(const std::string& text) {
    std::size_t taken = 0;
    for (char c : text) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) break;
      const unsigned nibble = static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10);
      for (int b = 3; b >= 0; --b) ConfigBit((nibble >> b) & 1u);
      ++taken;
      if (!(Status() & kPodConfiguring)) break;
    }
    return taken;
  }
  // A USB host: whole bytes, MSB first, no status between.
  void ConfigureByBytes(const Bytes& image) {
    for (std::uint8_t byte : image)
      for (int b = 7; b >= 0; --b) ConfigBit((byte >> b) & 1u);
  }
  void Release() {
    Control(0x00);
    pod.WritePort(0, 0x00);
    Control(0xFF);
    pod.WritePort(0, 0xFF);
  }
  void LoadMemories(const Memory16& pattern, const Memory16& dontCare, const Memory16& position) {
    const std::uint8_t codes[3][3] = {{0x50, 0x40, 0x60}, {0x90, 0x80, 0xA0}, {0xD0, 0xC0, 0xE0}};
    const Memory16* mems[3] = {&pattern, &dontCare, &position};
    for (int m = 0; m < 3; ++m) {
      Command(codes[m][0]);
      Command(codes[m][1]);
      for (std::uint8_t b : *mems[m]) {
        Data(b);
        Command(codes[m][2]);
        Command(codes[m][1]);
      }
    }
  }
  void StartTrace(bool bitTiming, bool onTriggerIn, std::uint8_t trigCode, std::uint8_t threshold) {
    LoadMemories({}, {}, {});
    static constexpr std::uint8_t kCodes[] = {0x00, 0x08, 0x10, 0x20, 0x40, 0x80};
    Command(0x02);
    Data(kCodes[trigCode < 5 ? trigCode : 5]);
    Command(0x08);
    Data(threshold);
    Command(0x04);
    Data(0x01);
    Data(static_cast<std::uint8_t>((bitTiming ? 0x04 : 0) | (onTriggerIn ? 0x80 : 0x40)));
    Command(0x01);
  }
  void StopTrace() {
    Command(0x04);
    Data(0x08);
    Command(0x02);
    Data(0x00);
  }
  std::array<std::uint8_t, 4> Levels() {
    std::array<std::uint8_t, 4> out{};
    Command(0x02);
    for (int i = 0; i < 4; ++i) {
      Data(static_cast<std::uint8_t>(1 + 2 * i));
      out[static_cast<std::size_t>(i)] = DataRead();
    }
    Data(0x06);
    return out;
  }
  Bytes ReadTrace(std::size_t max = SIZE_MAX) {
    Bytes out;
    while (out.size() < max && !(Status() & kPodNoData)) out.push_back(TraceByte());
    return out;
  }
  void Configure() {
    ConfigReset();
    ConfigureByBytes(PodImage::Make(64));
  }
};

// The pod's byte stream for `scenario`, as its own builder makes it.
Bytes Reference(BusScenario scenario, bool bitTiming, std::size_t atLeast) {
  TraceBuilder b({.bitRateHz = 100000, .bitTiming = bitTiming});
  Bytes bytes;
  while (bytes.size() < atLeast) {
    scenario(b);
    bytes = EncodePodBytes(b.PodWords());
  }
  return bytes;
}

Bytes Prefix(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n)); }

// One short battery read every 2 ms, the first `firstUs` in.
BusScenario Ticker(std::uint64_t firstUs, std::uint64_t everyUs = 2000) {
  return [firstUs, everyUs, k = std::uint64_t{0}](TraceBuilder& bus) mutable {
    bus.IdleUntil(firstUs + everyUs * k++);
    bus.ReadWord(0x0B, 0x09, 0x2EE0);
  };
}

SoftwarePod::Options Fast(std::size_t memory) { return {.memoryBytes = memory, .wallClock = false}; }

// CRC-16 with polynomial 0x1021, initial 0xFFFF.
std::uint16_t Crc16(const std::uint8_t* p, std::size_t n) {
  std::uint32_t crc = 0xFFFF;
  for (std::size_t i = 0; i < n; ++i)
    for (int b = 7; b >= 0; --b) {
      const bool top = ((crc >> 15) ^ (p[i] >> b)) & 1u;
      crc = ((crc << 1) ^ (top ? 0x1021u : 0u)) & 0xFFFFu;
    }
  return static_cast<std::uint16_t>(crc);
}

// ---- configuration ------------------------------------------------------------

TEST(PodImage, HeaderPayloadAndCrcAsThePodChecksThem) {
  const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  ASSERT_EQ(Crc16(check, sizeof check), 0x29B1);

  const Bytes image = PodImage::Make(2048);
  ASSERT_EQ(image.size(), 2048u + 9u);
  EXPECT_EQ(Prefix(image, 7), (Bytes{'V', 'P', 'O', 'D', 1, 0x08, 0x00}));
  EXPECT_EQ(Crc16(image.data(), image.size() - 2), (image[2055] << 8) | image[2056]);
  EXPECT_EQ(image, PodImage::Make(2048));
  EXPECT_NE(Bytes(image.begin() + 7, image.end() - 2), Bytes(2048, image[7])) << "a payload with content";

  const std::string text = PodImage::ToFileText({0x0A, 0xF1});
  EXPECT_EQ(text, "0af1\r\n");
  EXPECT_THROW(PodImage::Make(0x10000), std::length_error);
}

TEST(PodConfiguration, BoardDigitsStopAtTheAnnouncedLengthAndValidImagesOnly) {
  SoftwarePod pod(nullptr);
  Host host{pod};
  const Bytes image = PodImage::Make(2048);
  const std::string text = PodImage::ToFileText(image);

  EXPECT_EQ(host.ConfigureByDigits(text), 1u) << "no reset yet: the pod takes nothing";
  EXPECT_EQ(host.Status() & (kPodPresent | kPodConfiguring), 0);

  host.ConfigReset();
  EXPECT_EQ(host.Status() & (kPodPresent | kPodConfiguring), kPodConfiguring);
  EXPECT_EQ(host.ConfigureByDigits(text.substr(0, text.size() - 2) + "00ff\r\n"), 2 * image.size());
  EXPECT_EQ(host.Status(), kPodPresent | kPodNoData);

  struct Bad {
    std::size_t at;
    std::size_t digitsTaken;
    const char* what;
  };
  for (const Bad& bad : {Bad{0, 2, "magic"}, Bad{4, 10, "version"}, Bad{100, 2 * image.size(), "payload"},
                         Bad{image.size() - 1, 2 * image.size(), "crc"}}) {
    Bytes damaged = image;
    damaged[bad.at] ^= 0x10;
    host.ConfigReset();
    EXPECT_EQ(host.ConfigureByDigits(PodImage::ToFileText(damaged)), bad.digitsTaken) << bad.what;
    EXPECT_EQ(host.Status() & (kPodPresent | kPodConfiguring), 0) << bad.what;
  }

  host.ConfigReset();
  host.ConfigureByBytes(image);
  host.ConfigureByBytes({0xFF, 0x00, 0x5A});  // an adapter that sends on after the end
  EXPECT_EQ(host.Status() & (kPodPresent | kPodConfiguring), kPodPresent);

  host.Release();
  EXPECT_EQ(host.Status() & kPodPresent, 0) << "release resets the configuration";
}

// ---- registers and levels -----------------------------------------------------------

TEST(PodRegisters, TraceStartAndStopSetEveryRegister) {
  SoftwarePod pod(nullptr, Fast(64));
  Host host{pod};
  host.StartTrace(false, false, 1, 250);
  EXPECT_FALSE(pod.Snapshot().recording) << "an unconfigured pod takes no command";

  host.Configure();
  const std::uint8_t codes[] = {0x00, 0x08, 0x10, 0x20, 0x40, 0x80, 0x80};
  for (std::uint8_t code = 0; code < 7; ++code) {
    const bool bitTiming = code % 2 != 0;
    host.StartTrace(bitTiming, false, code, static_cast<std::uint8_t>(200 + code));
    SoftwarePod::State s = pod.Snapshot();
    EXPECT_EQ(s.trigCode, codes[code]) << int{code};
    EXPECT_EQ(s.threshold, 200 + code);
    EXPECT_EQ(s.bitTiming, bitTiming);
    EXPECT_TRUE(s.recording && !s.armedForTrigger);
    host.StopTrace();
    s = pod.Snapshot();
    EXPECT_FALSE(s.recording);
    EXPECT_EQ(s.trigCode, 0);
  }

  Memory16 a{}, b{}, c{};
  for (std::uint8_t i = 0; i < 16; ++i) {
    a[i] = static_cast<std::uint8_t>(0x10 + i);
    b[i] = static_cast<std::uint8_t>(0xF0 - i);
    c[i] = static_cast<std::uint8_t>(i == 7 ? 1 : 0);
  }
  host.Command(0x50);  // a load cut short leaves the address at 1
  host.Data(0xEE);
  host.Command(0x60);
  host.LoadMemories(a, b, c);
  const SoftwarePod::State s = pod.Snapshot();
  EXPECT_EQ(std::to_array(s.pattern), a);
  EXPECT_EQ(std::to_array(s.dontCare), b);
  EXPECT_EQ(std::to_array(s.position), c);
}

TEST(PodLevels, ReferenceSupplyAndTheRecordedBusLines) {
  // A 4-byte memory holds one word at a time: the lines follow each word taken.
  SoftwarePod pod(
      [](TraceBuilder& bus) {
        bus.Idle(100);
        bus.WriteWord(0x09, 0x14, 2000);
      },
      Fast(4));
  Host host{pod};
  host.Configure();
  using L = std::array<std::uint8_t, 4>;
  EXPECT_EQ(host.Levels(), (L{128, 169, 169, 169})) << "idle bus";

  host.StartTrace(false, false, 0, 250);
  EXPECT_EQ(host.Levels(), (L{128, 169, 169, 5})) << "after the START";
  host.Command(0x01);
  EXPECT_EQ(host.ReadTrace(3).size(), 3u);
  EXPECT_EQ(host.Levels(), (L{128, 169, 5, 5})) << "inside the message";
  host.Command(0x01);
  EXPECT_EQ(host.ReadTrace(16).size(), 16u);  // four byte words; the STOP comes in
  EXPECT_EQ(host.Levels(), (L{128, 169, 169, 169})) << "after the STOP";
}

// ---- recording ----------------------------------------------------------------

TEST(PodRecording, TraceBytesAreTheScenarioStreamWithAndWithoutBitTiming) {
  for (bool bitTiming : {false, true}) {
    for (BusScenario scenario : {SmartBatteryScenario(), Stress1MHzScenario()}) {
      SoftwarePod pod(scenario, Fast(512));
      Host host{pod};
      host.Configure();
      host.StartTrace(bitTiming, false, 0, 250);
      const Bytes got = host.ReadTrace(20'000);
      ASSERT_EQ(got.size(), 20'000u) << "the memory is topped up as it is read";
      EXPECT_EQ(got, Prefix(Reference(scenario, bitTiming, got.size()), got.size())) << bitTiming;
      EXPECT_EQ(host.Status() & kPodMemoryFull, 0);

      // A new trace replays the scenario from its start.
      host.StopTrace();
      host.StartTrace(bitTiming, false, 0, 250);
      EXPECT_EQ(host.ReadTrace(300), Prefix(got, 300));
    }
  }
}

TEST(PodRecording, ATraceByteLeavesOnlyAtTheReadStrobeAfterItWasRead) {
  SoftwarePod pod(Ticker(10), Fast(256));
  Host host{pod};
  host.Configure();
  host.StartTrace(false, false, 0, 250);
  const Bytes ref = Reference(Ticker(10), false, 8);
  EXPECT_EQ(host.DataRead(), ref[0]) << "two reads of port 1, one byte";
  host.Control(0xB0);
  host.Control(0xF0);  // a strobe with no read
  EXPECT_EQ(host.TraceByte(), ref[1]);
  EXPECT_EQ(host.TraceByte(), ref[2]);
  EXPECT_EQ(pod.Snapshot().bytesRead, 3u);
}

TEST(PodRecording, MemoryFullStopsTheRecordingAndKeepsWhatItHolds) {
  SoftwarePod pod(Ticker(1000), {.memoryBytes = 16, .wallClock = true});
  Host host{pod};
  host.Configure();
  host.StartTrace(false, false, 0, 250);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(host.Status() & (kPodMemoryFull | kPodNoData), kPodMemoryFull);
  EXPECT_FALSE(pod.Snapshot().recording);

  // START, address, command, repeated START: 14 bytes fit; the address after
  // it does not.
  const Bytes got = host.ReadTrace();
  EXPECT_EQ(got, Prefix(Reference(Ticker(1000), false, 16), 14));
  std::this_thread::sleep_for(10ms);
  EXPECT_EQ(host.Status(), kPodPresent | kPodNoData | kPodMemoryFull) << "nothing recorded once full";

  // Forced full: what is in memory stays readable; the next start clears it.
  SoftwarePod fast(Ticker(10), Fast(64));
  Host h{fast};
  h.Configure();
  h.StartTrace(false, false, 0, 250);
  Bytes all = h.ReadTrace(5);
  fast.FillMemory();
  const Bytes rest = h.ReadTrace();
  EXPECT_GE(rest.size(), 64u - 5u - 3u) << "the memory was nearly full";
  all.insert(all.end(), rest.begin(), rest.end());
  EXPECT_EQ(all, Prefix(Reference(Ticker(10), false, all.size()), all.size()));
  EXPECT_EQ(h.Status() & kPodMemoryFull, kPodMemoryFull);
  h.StartTrace(false, false, 0, 250);
  EXPECT_EQ(h.Status() & (kPodMemoryFull | kPodNoData), 0);
}

TEST(PodRecording, StartOnTriggerInWaitsForTheLine) {
  SoftwarePod pod(Ticker(10), Fast(256));
  Host host{pod};
  host.Configure();
  pod.TriggerIn();  // not armed: nothing
  host.StartTrace(false, true, 0, 250);
  EXPECT_TRUE(pod.Snapshot().armedForTrigger);
  EXPECT_EQ(host.Status() & kPodNoData, kPodNoData);

  pod.TriggerIn();
  EXPECT_TRUE(pod.Snapshot().recording);
  const Bytes ref = Reference(Ticker(10), false, 40);
  EXPECT_EQ(host.ReadTrace(20), Prefix(ref, 20));
  pod.TriggerIn();  // recording already: the stream goes on
  EXPECT_EQ(host.ReadTrace(20), Bytes(ref.begin() + 20, ref.begin() + 40));
}

TEST(PodRecording, WallClockRecordsOnlyWhatTheBusHasDoneSoFar) {
  SoftwarePod pod(Ticker(50'000, 100'000), {.memoryBytes = 4096, .wallClock = true});
  Host host{pod};
  host.Configure();
  const auto before = std::chrono::steady_clock::now();
  host.StartTrace(false, false, 0, 250);
  std::this_thread::sleep_for(5ms);
  const std::uint8_t early = host.Status();
  if (std::chrono::steady_clock::now() - before < 45ms) {
    EXPECT_EQ(early & kPodNoData, kPodNoData);
  }

  std::this_thread::sleep_for(120ms);
  const Bytes got = host.ReadTrace();
  const Bytes ref = Reference(Ticker(50'000, 100'000), false, 64);
  ASSERT_GE(got.size(), 29u) << "the first message, START to STOP";
  EXPECT_EQ(got, Prefix(ref, got.size()));
}

// ---- the world around the pod ---------------------------------------------------

TEST(PodWorld, UnplugLoopbackJumperAndAccessLog) {
  SoftwarePod pod(Ticker(10), Fast(256));
  Host host{pod};
  host.Configure();
  host.StartTrace(false, false, 0, 250);

  pod.Unplug();
  EXPECT_EQ(host.Status(), 0);
  EXPECT_EQ(host.TraceByte(), 0);
  host.Configure();  // writes go nowhere
  pod.PlugIn();
  EXPECT_EQ(host.Status() & (kPodPresent | kPodConfiguring), 0) << "powered up unconfigured";
  host.ConfigureByBytes(PodImage::Make(64));
  EXPECT_EQ(host.Status() & kPodPresent, 0) << "configures only after a reset";
  host.Configure();
  EXPECT_EQ(host.Status() & kPodPresent, kPodPresent);

  // The loopback test against the pod itself fails; jumpered, it passes and
  // the pod sees nothing of it.
  host.Control(0x1F);
  EXPECT_EQ(host.Status() & kPodPresent, kPodPresent);
  host.Control(0x0F);
  EXPECT_EQ(host.Status() & kPodPresent, 0) << "0x0F is a configuration reset";
  host.Configure();
  pod.SetLoopbackJumper(true);
  host.Control(0x1F);
  EXPECT_EQ(host.Status(), kPodPresent);
  host.Control(0x0F);
  EXPECT_EQ(host.Status(), 0);
  pod.SetLoopbackJumper(false);
  host.Control(0xF0);
  EXPECT_EQ(host.Status() & kPodPresent, kPodPresent);

  EXPECT_TRUE(pod.TakeAccesses().empty()) << "off by default";
  pod.RecordAccesses(true);
  host.Command(0x02);
  (void)host.Status();
  using A = SoftwarePod::Access;
  EXPECT_EQ(pod.TakeAccesses(), (std::vector<A>{{true, 0, 0x02}, {true, 2, 0x70}, {true, 2, 0x50},
                                                {true, 2, 0x70}, {true, 2, 0xF0}, {false, 2, 0x03}}));
  pod.RecordAccesses(false);
  (void)host.Status();
  EXPECT_TRUE(pod.TakeAccesses().empty());
}

TEST(PodThreads, ReaderThreadAndFillMemoryFromAnother) {
  SoftwarePod pod(LoadedBus400kScenario(), Fast(1024));
  Host host{pod};
  host.Configure();
  host.StartTrace(true, false, 0, 250);
  std::atomic<std::size_t> count{0};
  Bytes got;
  std::thread reader([&] {
    while (!((host.Status() & (kPodMemoryFull | kPodNoData)) == (kPodMemoryFull | kPodNoData))) {
      if (host.Status() & kPodNoData) continue;
      got.push_back(host.TraceByte());
      ++count;
    }
  });
  while (count < 5000) (void)pod.Snapshot();
  pod.FillMemory();
  reader.join();
  EXPECT_EQ(got, Prefix(Reference(LoadedBus400kScenario(), true, got.size()), got.size()));
  EXPECT_EQ(pod.Snapshot().bytesRead, pod.Snapshot().bytesRecorded);
}

}  // namespace
}  // namespace vantrel
