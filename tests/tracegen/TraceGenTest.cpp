#include "tracegen/TraceGen.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "decode/CRC8.h"

namespace vantrel {
namespace {

using Words = std::vector<TraceWord>;

constexpr TraceWord kData = 0x10123456;

Words Repeat(TraceWord w, std::size_t n) { return Words(n, w); }

// The decoder's time base, restated independently: event times in µs of every
// word that is not a wrap record.
std::vector<std::uint64_t> EventTimes(const Words& folded) {
  std::vector<std::uint64_t> times;
  std::uint64_t wraps = 0;
  for (TraceWord w : folded) {
    if (IsWrapRecord(w)) {
      wraps += WrapCount(w);
    } else if (HasWrap(w)) {
      ++wraps;
      times.push_back(wraps * kWrapMicroseconds);
    } else {
      times.push_back(wraps * kWrapMicroseconds + TimeStamp(w));
    }
  }
  return times;
}

std::vector<std::uint64_t> BuilderTimes(const TraceBuilder& b) {
  std::vector<std::uint64_t> times;
  for (const BusEvent& e : b.Events()) times.push_back(e.timeUs);
  return times;
}

std::size_t CountIf(const Words& words, bool (*pred)(TraceWord)) {
  std::size_t n = 0;
  for (TraceWord w : words) n += pred(w) ? 1 : 0;
  return n;
}

// ---- idle folding -----------------------------------------------------------

TEST(Folder, IdleRunsBecomeCountsOfAtMost101) {
  Words in = Repeat(kPodIdleWord, 250);
  in.push_back(kData);
  EXPECT_EQ(Fold(in), (Words{0x01000065, 0x01000065, 0x01000030, kData}));

  EXPECT_EQ(Fold({kPodIdleWord, kData}), (Words{0x01000001, kData}));

  in = Repeat(kPodIdleWord, 101);
  in.push_back(kData);
  EXPECT_EQ(Fold(in), (Words{0x01000065, kData})) << "a full count leaves nothing pending";

  EXPECT_EQ(Fold({kData, 0x0C001200}), (Words{kData, 0x0C001200})) << "no idle, no count";
}

TEST(Folder, WrapInstantStampIsClearedOnEventsOnly) {
  EXPECT_EQ(Fold({0x03FFFF12}), (Words{0x03000012}));
  EXPECT_EQ(Fold({0x91FFFF34}), (Words{0x91000034}));
  EXPECT_EQ(Fold({0x02FFFF12}), (Words{0x02FFFF12})) << "no wrap flag";
  EXPECT_EQ(Fold({0x03FFFE12}), (Words{0x03FFFE12})) << "not the wrap-instant stamp";
}

TEST(Folder, PendingCountAtEndIsNotEmitted) {
  Words out;
  Folder folder([&out](TraceWord w) { out.push_back(w); });
  for (TraceWord w : Words{kData, kPodIdleWord, kPodIdleWord}) folder.Push(w);
  EXPECT_EQ(out, (Words{kData}));
  EXPECT_EQ(folder.Pending(), 2u);
}

// ---- time base --------------------------------------------------------------

TEST(TimeBase, MessageAcrossWrapFlagsOneEventAtTheWrapInstant) {
  TraceBuilder b;
  b.Gap(kWrapMicroseconds - 300);
  b.ReadWord(0x0B, 0x09, 0x2EE0);  // ~600 µs at 100 kHz: crosses the wrap

  const Words& pod = b.PodWords();
  EXPECT_EQ(CountIf(pod, IsWrapRecord), 0u) << "no idle word inside a message";
  std::size_t flagged = 0;
  for (const BusEvent& e : b.Events()) {
    if (!HasWrap(e.word)) continue;
    ++flagged;
    EXPECT_EQ(TimeStamp(e.word), 0xFFFFu);
    EXPECT_EQ(e.timeUs, kWrapMicroseconds);
  }
  EXPECT_EQ(flagged, 1u);
  EXPECT_EQ(EventTimes(b.FoldedWords()), BuilderTimes(b));
}

TEST(TimeBase, LongIdlesStretchesAndBothBusSpeedsDecodeToTheBuilderClock) {
  TraceBuilder b;
  b.WriteWord(0x09, 0x14, 2000);
  b.Idle(10'000'000);  // 152 wraps: more than one folded count
  b.ReadWord(0x0B, 0x0D, 80, {.pec = true});
  b.IdleUntil(3 * kWrapMicroseconds - 40);
  b.SetTiming({.bitRateHz = 400000, .bitTiming = true});
  b.Read(0x50, {0x00, 0x40}, std::vector<std::uint8_t>(16, 0xA5));  // crosses a wrap mid-byte
  b.Idle(1000);
  // A slave holding the clock for three wraps inside a message.
  b.Start();
  b.Address(0x68, false);
  b.Gap(200'000);
  b.Byte(0x00);
  b.Stop();
  b.Idle(5 * kWrapMicroseconds);

  const Words folded = b.FoldedWords();
  EXPECT_EQ(EventTimes(folded), BuilderTimes(b));

  // Every wrap up to the last event is accounted for exactly once.
  std::uint64_t wraps = 0;
  for (TraceWord w : folded) wraps += IsWrapRecord(w) ? WrapCount(w) : (HasWrap(w) ? 1 : 0);
  EXPECT_EQ(wraps, b.Events().back().timeUs / kWrapMicroseconds);
}

TEST(TimeBase, StreamedOutputEqualsKeptOutput) {
  auto script = [](TraceBuilder& b) {
    for (int i = 0; i < 40; ++i) {
      b.ReadWord(0x0B, static_cast<std::uint8_t>(i), static_cast<std::uint16_t>(i * 977));
      b.Idle(250'000);
    }
    b.Idle(300'000);  // trailing idles stay pending
  };
  TraceBuilder kept;
  script(kept);

  Words streamed;
  Folder folder([&streamed](TraceWord w) { streamed.push_back(w); });
  TraceBuilder stream({}, [&folder](TraceWord w) { folder.Push(w); });
  script(stream);

  EXPECT_EQ(streamed, kept.FoldedWords());
  EXPECT_EQ(stream.WordCount(), kept.PodWords().size());
  EXPECT_TRUE(stream.PodWords().empty());
  EXPECT_GT(folder.Pending(), 0u);
}

TEST(TimeBase, ByteTimingAndBitRecords) {
  TraceBuilder b({.bitRateHz = 100000, .bitTiming = true});
  b.Start();
  b.Byte(0xA6, false);
  const auto& ev = b.Events();
  ASSERT_EQ(ev.size(), 11u);  // START, 9 bits, byte
  EXPECT_TRUE(HasStart(ev[0].word));
  const std::uint8_t expectBits[9] = {1, 0, 1, 0, 0, 1, 1, 0, 1};  // 0xA6 then NACK high
  for (int i = 0; i < 9; ++i) {
    const BusEvent& e = ev[static_cast<std::size_t>(i) + 1];
    EXPECT_TRUE(HasBit(e.word) && !HasByte(e.word)) << i;
    EXPECT_EQ(BitValue(e.word), expectBits[i] != 0) << i;
    EXPECT_EQ(e.timeUs, 5u + 10u * static_cast<unsigned>(i) + 5u) << "rising edge mid-bit " << i;
  }
  EXPECT_TRUE(HasByte(ev[10].word) && HasNack(ev[10].word));
  EXPECT_EQ(DataByte(ev[10].word), 0xA6);
  EXPECT_EQ(ev[10].timeUs, 95u) << "end of the ack bit";

  TraceBuilder fast({.bitRateHz = 400000});
  fast.Start();
  for (int i = 0; i < 4; ++i) fast.Byte(0x55);
  EXPECT_EQ(fast.Events().back().timeUs, 1u + 90u) << "9 bits of 2.5 µs stay exact over 4 bytes";
}

// ---- messages ---------------------------------------------------------------

TEST(Messages, PecCoversAddressBytesAcrossTheRepeatedStart) {
  TraceBuilder b;
  b.ReadWord(0x0B, 0x09, 0x2EE0, {.pec = true});
  b.WriteWord(0x09, 0x15, 12600, {.pec = true, .pecError = 0x5A});
  std::vector<TraceWord> bytes;
  for (const BusEvent& e : b.Events())
    if (HasByte(e.word)) bytes.push_back(e.word);
  ASSERT_EQ(bytes.size(), 6u + 5u);

  const std::uint8_t read[] = {0x16, 0x09, 0x17, 0xE0, 0x2E};
  EXPECT_EQ(DataByte(bytes[5]), Crc8(read, sizeof read));
  EXPECT_TRUE(HasNack(bytes[5])) << "the master NACKs the PEC, the last byte it reads";
  EXPECT_FALSE(HasNack(bytes[4]));

  const std::uint8_t write[] = {0x12, 0x15, 0x38, 0x31};
  EXPECT_EQ(DataByte(bytes[10]), Crc8(write, sizeof write) ^ 0x5A) << "PEC restarts with each message";
  EXPECT_FALSE(HasNack(bytes[10]));
}

TEST(Messages, NackEndsTheMessageAndReadsEndWithMasterNack) {
  auto kinds = [](const TraceBuilder& b) {
    std::string s;
    for (const BusEvent& e : b.Events())
      s += HasStart(e.word) ? 'S' : HasStop(e.word) ? 'P' : HasByte(e.word) ? (HasNack(e.word) ? 'n' : 'a') : '?';
    return s;
  };
  TraceBuilder nackAddr;
  nackAddr.AddressNack(0x09);
  EXPECT_EQ(kinds(nackAddr), "SnP");

  TraceBuilder nackData;
  nackData.Write(0x50, {1, 2, 3, 4}, {.nackAt = {2}});
  EXPECT_EQ(kinds(nackData), "SaanP");

  TraceBuilder read;
  read.Read(0x50, {0x00, 0x10}, {1, 2, 3});
  EXPECT_EQ(kinds(read), "SaaaSaaanP");

  TraceBuilder ara;
  ara.ReadOnly(0x0C, {0x16});
  EXPECT_EQ(kinds(ara), "SanP");
  EXPECT_EQ(DataByte(ara.Events()[1].word), 0x19);
}

// ---- pod bytes and log file -------------------------------------------------

TEST(PodBytes, WordLengthsFollowTheFirstByte) {
  EXPECT_EQ(EncodePodBytes({0x42001200, 0x05FFFF00, 0x91FFFF16}),  // bit record, START and NACKed byte at a wrap
            (std::vector<std::uint8_t>{0x42, 0x00, 0x12, 0x05, 0xFF, 0xFF, 0x91, 0xFF, 0xFF, 0x16}));
  EXPECT_EQ(EncodePodBytes({0x10123456, 0x04ABCD00, kPodIdleWord}),
            (std::vector<std::uint8_t>{0x10, 0x12, 0x34, 0x56, 0x04, 0xAB, 0xCD, 0x01}));
}

TEST(LogFile, HeaderWordsAndClosingLine) {
  const auto path = std::filesystem::temp_directory_path() / "vantrel-tracegen-logfile-test.log";
  {
    LogWriter log(path.string(), "06-Dec-2026 at 09:00", "Vantrel Tests");
    log.Write(0x01000065);
    log.Write(0x9100ab0f);
    log.Write(0x00000003);
    EXPECT_EQ(log.Count(), 3u);
    log.Close("06-Dec-2026 at 09:03");
  }
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(ss.str(),
            ";Orbisan Corporation\r\n;Vantrel Log File\r\n;Ver 01.01\r\n;Created: 06-Dec-2026 at 09:00\r\n"
            ";By: Vantrel Tests\r\n01000065\r\n9100AB0F\r\n00000003\r\n;Closed: 06-Dec-2026 at 09:03\r\n");
  in.close();
  std::filesystem::remove(path);

  EXPECT_THROW(LogWriter("/nonexistent-dir/x.log", "s", "u"), std::runtime_error);
}

}  // namespace
}  // namespace vantrel
