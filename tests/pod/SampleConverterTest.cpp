// Logic analyser samples into pod words: drawn SCL/SDA waveforms against the
// words a pod records for the same bus events.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pod/LogicCapture.h"
#include "pod/SampleConverter.h"

namespace vantrel {
namespace {

struct Timed {
  TraceWord word;
  std::uint64_t us;
  bool operator==(const Timed&) const = default;
};

// A bus drawn sample by sample at 1 MHz, 100 kHz clock (10 samples a bit),
// with the words a pod records for it (stamps in µs = sample index).
class Wave {
 public:
  std::vector<std::pair<bool, bool>> samples;
  std::vector<Timed> expected;
  bool bitTiming = false;

  void Hold(std::size_t n) { samples.insert(samples.end(), n, {scl_, sda_}); }
  void Start() {  // from an idle bus, or SCL low for a repeated start
    if (!scl_) {
      Set(false, true, 3);
      Set(true, true, 3);
    }
    Set(true, false, 0);
    Event(kStartFlag);
    Hold(5);
    Set(false, false, 0);
  }
  void Byte(std::uint8_t b, bool ack) {
    for (int i = 7; i >= 0; --i) Bit(((b >> i) & 1) != 0);
    Bit(!ack);
    expected.push_back({kByteFlag | (ack ? 0u : kNackFlag) | b | Stamp(last_), last_});
  }
  void Stop() {
    Set(false, false, 5);
    Set(true, false, 5);
    Set(true, true, 0);
    Event(kStopFlag);
    Hold(20);
  }
  void Feed(SampleConverter& c) const {
    for (auto [scl, sda] : samples) c.Push(scl, sda);
  }

 private:
  static TraceWord Stamp(std::uint64_t us) { return static_cast<TraceWord>((us % 65536) << 8); }
  void Set(bool scl, bool sda, std::size_t hold) {
    scl_ = scl;
    sda_ = sda;
    Hold(hold);
  }
  void Event(TraceWord flags) { expected.push_back({flags | Stamp(samples.size()), samples.size()}); }
  void Bit(bool v) {
    Set(false, v, 5);
    last_ = samples.size();  // SCL rises here
    if (bitTiming) expected.push_back({kBitFlag | (v ? kBitValue : 0u) | Stamp(last_), last_});
    Set(true, v, 5);
    Set(false, v, 0);
  }
  bool scl_ = true, sda_ = true;
  std::uint64_t last_ = 0;
};

std::vector<Timed> Convert(const Wave& w, SampleConverterOptions o = {}) {
  std::vector<Timed> out;
  SampleConverter c(o, [&](TraceWord word, std::uint64_t us) { out.push_back({word, us}); });
  w.Feed(c);
  c.Finish();
  return out;
}

Wave SmartBatteryRead(bool bitTiming) {
  Wave w;
  w.bitTiming = bitTiming;
  w.Hold(30);
  w.Start();
  w.Byte(0x16, true);
  w.Byte(0x0D, true);
  w.Start();  // repeated
  w.Byte(0x17, true);
  w.Byte(0x4F, true);
  w.Byte(0x00, false);  // the master NACKs the last byte
  w.Stop();
  w.Hold(50);
  w.Start();
  w.Byte(0xA0, false);  // nobody there
  w.Stop();
  return w;
}

TEST(SampleConverter, RecordsMessagesAsThePodDoes) {
  for (bool bitTiming : {false, true}) {
    const Wave w = SmartBatteryRead(bitTiming);
    SampleConverterOptions o;
    o.bitTiming = bitTiming;
    EXPECT_EQ(Convert(w, o), w.expected) << "bit timing " << bitTiming;
  }
}

TEST(SampleConverter, StampsAtOtherSampleRates) {
  // The same bus at 4 MHz: every sample four times, stamps still in µs.
  const Wave w = SmartBatteryRead(false);
  std::vector<Timed> out;
  SampleConverterOptions o;
  o.sampleRateHz = 4'000'000;
  SampleConverter c(o, [&](TraceWord word, std::uint64_t us) { out.push_back({word, us}); });
  for (auto [scl, sda] : w.samples)
    for (int i = 0; i < 4; ++i) c.Push(scl, sda);
  c.Finish();
  EXPECT_EQ(out, w.expected);
  EXPECT_NEAR(c.ClockPeriodSamples(), 40.0, 0.5);
}

TEST(SampleConverter, QuietBusWrapsAndAWrapInsideAMessage) {
  Wave w;
  w.Hold(65536 * 2 + 100);  // two wraps of a quiet bus
  w.Start();
  w.Byte(0x16, true);
  // A clock held low across the third wrap, inside the message.
  w.Hold(65536 * 3 - w.samples.size() + 7);
  w.Byte(0x09, true);
  w.Stop();
  const std::vector<Timed> out = Convert(w);
  ASSERT_EQ(out.size(), 2 + w.expected.size());
  EXPECT_EQ(out[0], (Timed{kWrapFlag, 65536}));
  EXPECT_EQ(out[1], (Timed{kWrapFlag, 131072}));
  EXPECT_EQ(out[2], w.expected[0]);  // START
  EXPECT_EQ(out[3], w.expected[1]);  // the address byte
  // The next event carries the wrap, at the wrap, with the full stamp.
  EXPECT_EQ(out[4].word, kWrapFlag | kStampMask | kByteFlag | 0x09u);
  EXPECT_EQ(out[4].us, 196608u);
  EXPECT_EQ(out[5], w.expected[3]);  // STOP, stamped after the wrap
}

TEST(SampleConverter, GlitchesShorterThanTheSetFractionAreIgnored) {
  const Wave clean = SmartBatteryRead(false);
  Wave glitchy = clean;
  // One-sample spikes: on SDA while SCL is high (a false STOP then START),
  // and on SCL while it is low (a false bit).
  auto& s = glitchy.samples;
  std::size_t sclHigh = 0, sclLow = 0;
  // Each in the middle of a steady stretch: a spike right beside an edge
  // could as well be the edge's own bounce.
  const auto steady = [&](std::size_t i) {
    for (std::size_t k = i - 2; k <= i + 2; ++k)
      if (s[k] != s[i]) return false;
    return true;
  };
  for (std::size_t i = 200; i + 2 < s.size() && (sclHigh == 0 || sclLow == 0); ++i) {
    if (!steady(i)) continue;
    if (s[i].first && !s[i].second && sclHigh == 0) sclHigh = i;
    if (!s[i].first && sclLow == 0) sclLow = i;
  }
  ASSERT_NE(sclHigh, 0u);
  ASSERT_NE(sclLow, 0u);
  s[sclHigh].second = true;
  s[sclLow].first = true;
  EXPECT_NE(Convert(glitchy), clean.expected);  // unfiltered, the spikes count
  SampleConverterOptions o;
  o.glitchFraction = 0.2;  // 2 samples of a 10-sample clock
  const std::vector<Timed> out = Convert(glitchy, o);
  // The filter learns the clock from the first rising edges; everything from
  // then on comes out exactly as on a clean bus.
  EXPECT_EQ(out, clean.expected);
}

TEST(SampleConverter, WideSamplesAndAnyStart) {
  // Two-byte samples with SCL on channel 9 and SDA on channel 3; the capture
  // begins inside a message (SDA held low), which then ends.
  const Wave w = SmartBatteryRead(false);
  std::vector<std::uint8_t> data;
  for (int i = 0; i < 40; ++i) data.insert(data.end(), {0x00, 0x02});
  for (auto [scl, sda] : w.samples)
    data.insert(data.end(), {static_cast<std::uint8_t>(sda ? 0x08 : 0x00), static_cast<std::uint8_t>(scl ? 0x02 : 0x00)});
  std::vector<Timed> out;
  SampleConverter c({}, [&](TraceWord word, std::uint64_t us) { out.push_back({word, us}); });
  c.PushLogic(data.data(), data.size() / 2, 2, 9, 3);
  c.Finish();
  ASSERT_FALSE(out.empty());
  // SDA rising while SCL is high is a STOP, recorded as the pod records it.
  EXPECT_EQ(out.front(), (Timed{kStopFlag | (40u << 8), 40}));
  std::vector<Timed> rest(out.begin() + 1, out.end());
  for (Timed& t : rest) {
    t.us -= 40;
    if ((t.word & kStampMask) != kStampMask) t.word = (t.word & ~kStampMask) | static_cast<TraceWord>((t.us % 65536) << 8);
  }
  EXPECT_EQ(rest, w.expected);
  // Channels beyond the sample's width read nothing.
  SampleConverter none({}, [&](TraceWord, std::uint64_t) { ADD_FAILURE(); });
  none.PushLogic(data.data(), data.size() / 2, 2, 16, 3);
  EXPECT_EQ(none.Samples(), 0u);
}

TEST(LogicCapture, ChannelsByNameOrIndex) {
  const std::vector<std::string> channels = {"D0", "scl", "SDA", ""};
  EXPECT_EQ(FindChannel(channels, "SCL"), 1);
  EXPECT_EQ(FindChannel(channels, "sda"), 2);
  EXPECT_EQ(FindChannel(channels, "0"), 0);
  EXPECT_EQ(FindChannel(channels, "3"), 3);
  EXPECT_EQ(FindChannel(channels, "4"), -1);
  EXPECT_EQ(FindChannel(channels, "-1"), -1);
  EXPECT_EQ(FindChannel(channels, "1x"), -1);
  EXPECT_EQ(FindChannel(channels, ""), -1);
}

TEST(LogicCapture, ImportsAValueChangeDumpThroughTheLibrary) {
  // The drawn bus as a value change dump, read by the library's input module.
  const Wave w = SmartBatteryRead(false);
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "vantrel-capture-test.vcd";
  {
    std::ofstream vcd(file);
    vcd << "$timescale 1 us $end\n$scope module bus $end\n$var wire 1 ! SCL $end\n$var wire 1 \" SDA $end\n"
           "$upscope $end\n$enddefinitions $end\n";
    std::pair<bool, bool> last{!w.samples[0].first, !w.samples[0].second};
    for (std::size_t i = 0; i < w.samples.size(); ++i) {
      const auto [scl, sda] = w.samples[i];
      if (std::make_pair(scl, sda) == last) continue;
      vcd << '#' << i << ' ' << (scl ? '1' : '0') << "! " << (sda ? '1' : '0') << "\"\n";
      last = {scl, sda};
    }
    vcd << '#' << w.samples.size() << '\n';
  }
  std::vector<TraceWord> words;
  const LogicImportResult r = ImportLogicCapture(file.string(), {}, [&](TraceWord t) { words.push_back(t); });
  LogicImportOptions wrong;
  wrong.scl = "CLK";
  const LogicImportResult noClock = ImportLogicCapture(file.string(), wrong, [](TraceWord) { ADD_FAILURE(); });
  std::filesystem::remove(file);
  EXPECT_FALSE(noClock.ok);
  EXPECT_EQ(noClock.error, "No channel CLK in the capture");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.sampleRateHz, 1'000'000u);
  std::vector<TraceWord> expected;
  for (const Timed& t : w.expected) expected.push_back(t.word);
  EXPECT_EQ(words, expected);
  EXPECT_FALSE(ImportLogicCapture("/nonexistent.vcd", {}, [](TraceWord) {}).ok);
}

}  // namespace
}  // namespace vantrel
