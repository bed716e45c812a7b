// The export file as the decoder feeds it: blocks byte for byte, the packets of
// unusual messages, and the file's failures.
#include "pipeline/PcapngFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DecoderFixture.h"
#include "FileTestSupport.h"
#include "analysis/AddressStats.h"
#include "filters/AddressFilter.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceState.h"
#include "settings/Settings.h"

namespace vantrel::testing {
namespace {

namespace PF = vantrel::PcapngFile;
using test::Byte;
using test::Start;
using test::Stop;
using test::Wrapped;
using Messages = std::vector<Message>;

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s;
  for (const char c : bytes) {
    s += kDigits[static_cast<std::uint8_t>(c) >> 4];
    s += kDigits[static_cast<std::uint8_t>(c) & 15];
  }
  return s;
}

// Expected blocks are written as hex with spaces for reading.
std::string Squeeze(std::string hex) {
  std::erase(hex, ' ');
  return hex;
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b.at(at + static_cast<std::size_t>(i)));
  return v;
}

// Splits the file into blocks, checking that each block's length stands at
// both ends and keeps the next block on 32 bits.
std::vector<std::string> Blocks(const std::string& file) {
  std::vector<std::string> blocks;
  std::size_t at = 0;
  while (at < file.size()) {
    const std::uint32_t length = Le32(file, at + 4);
    EXPECT_EQ(length % 4, 0u) << "block " << blocks.size();
    EXPECT_LE(at + length, file.size()) << "block " << blocks.size();
    if (length < 12 || at + length > file.size()) break;
    EXPECT_EQ(Le32(file, at + length - 4), length) << "block " << blocks.size();
    blocks.push_back(file.substr(at, length));
    at += length;
  }
  return blocks;
}

struct Packet {
  std::uint64_t micros;
  std::uint32_t captured, original;
  std::string data;  // pseudo-header and bytes
  std::string comment;
};

Packet Read(const std::string& epb) {
  EXPECT_EQ(Le32(epb, 0), 6u);
  Packet p{std::uint64_t{Le32(epb, 12)} << 32 | Le32(epb, 16), Le32(epb, 20), Le32(epb, 24), {}, {}};
  p.data = epb.substr(28, p.captured);
  const std::size_t option = 28 + (p.captured + 3) / 4 * 4;
  EXPECT_EQ(Le32(epb, option) & 0xFFFF, 1u);  // the comment
  p.comment = epb.substr(option + 4, Le32(epb, option) >> 16);
  return p;
}

class PcapngFileTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    ConnectDecoder();
    RestoreDefaultSettings();
    ResetDecoder();
    ResetStatistics();
    ClearMessageTables();
    BeginTraceState();
  }
  void TearDown() override {
    PF::Close();
    EndTraceState();
    FileTest::TearDown();
  }
  std::vector<std::string> Feed(const std::vector<TraceWord>& words) {
    std::vector<std::string> lines;
    for (const TraceWord w : words) {
      const std::string& line = DecodeTraceWord(w);
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  std::vector<Packet> Export(const std::vector<TraceWord>& words) {
    const std::string name = Path("e.pcapng");
    EXPECT_TRUE(PF::Create(name, 1));
    Feed(words);
    PF::Close();
    const std::vector<std::string> blocks = Blocks(ReadAll(name));
    std::vector<Packet> packets;
    for (std::size_t i = 2; i < blocks.size(); ++i) packets.push_back(Read(blocks[i]));
    return packets;
  }
};

constexpr TraceWord kWrapRecord70000 = kWrapFlag | 70000;  // 70,000 x 65,536 us: over 76 minutes

TEST_F(PcapngFileTest, BlocksOfATinyTraceByteForByte) {
  const std::string name = Path("tiny.pcapng");
  ASSERT_TRUE(PF::Create(name, 1));
  EXPECT_TRUE(PF::PcapngFileOpen);
  const std::vector<std::string> lines = Feed({
      // 1: a write at time zero.
      Start(0), Byte(0xA0, 90), Byte(0x00, 180), Byte(0x12, 270), Stop(280),
      // 2: write 05, repeated START, read 33 that the master NACKs.
      Start(1000), Byte(0xA0, 1090), Byte(0x05, 1180), Start(1190), Byte(0xA1, 1280), Byte(0x33, 1370, true),
      Stop(1380),
      // 3: nobody answers the address.
      Start(2000), Byte(0xA2, 2090, true), Stop(2100),
      // 4: the counter wraps between the START and the repeated START.
      Start(0xFF00), Byte(0xA4, 0xFF5A), Wrapped(Byte(0x07, 0x0010)), Start(0x0050), Byte(0xA5, 0x00AA),
      Byte(0x99, 0x0104, true), Stop(0x010E),
      // 5: after 70,000 wraps more: 70,001 x 65,536 + 4,096 us, past 2^32 us.
      kWrapRecord70000, Start(0x1000), Byte(0xA6, 0x105A), Stop(0x1064),
  });
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[4], "Msg     5 [Start]#A6[W] [Stop]");
  PF::Close();
  EXPECT_FALSE(PF::PcapngFileOpen);

  const std::vector<std::string> blocks = Blocks(ReadAll(name));
  const std::vector<std::string> expected = {
      // Section header: byte-order magic, version 1.0, no section length, the writer's name.
      "0a0d0d0a 2c000000 4d3c2b1a 0100 0000 ffffffff ffffffff 0400 0700" + Hex("Vantrel") + "00 00000000 2c000000",
      // Interface: link type 209, snap length 5 + 999, time in 10^-6 s.
      "01000000 20000000 d100 0000 ec030000 0900 0100 06000000 00000000 20000000",
      // Packets: interface 0, time high and low, lengths, pseudo-header (bus 0,
      // flags big-endian), bytes, padding, comment, end of options.
      "06000000 38000000 00000000 00000000 00000000 08000000 08000000 00 00000000 a00012"
      " 0100 0500" + Hex("Msg 1") + "000000 00000000 38000000",
      "06000000 38000000 00000000 00000000 e8030000 07000000 07000000 00 00000000 a005 00"
      " 0100 0500" + Hex("Msg 2") + "000000 00000000 38000000",
      "06000000 48000000 00000000 00000000 a6040000 07000000 07000000 00 00000001 a133 00"
      " 0100 1500" + Hex("Msg 2, NACK at byte 2") + "000000 00000000 48000000",
      "06000000 48000000 00000000 00000000 d0070000 06000000 06000000 00 00000000 a2 0000"
      " 0100 1500" + Hex("Msg 3, NACK at byte 1") + "000000 00000000 48000000",
      "06000000 38000000 00000000 00000000 00ff0000 07000000 07000000 00 00000000 a407 00"
      " 0100 0500" + Hex("Msg 4") + "000000 00000000 38000000",
      "06000000 48000000 00000000 00000000 50000100 07000000 07000000 00 00000001 a599 00"
      " 0100 1500" + Hex("Msg 4, NACK at byte 2") + "000000 00000000 48000000",
      "06000000 38000000 00000000 01000000 00107111 06000000 06000000 00 00000000 a6 0000"
      " 0100 0500" + Hex("Msg 5") + "000000 00000000 38000000",
  };
  ASSERT_EQ(blocks.size(), expected.size());
  for (std::size_t i = 0; i < blocks.size(); ++i) EXPECT_EQ(Hex(blocks[i]), Squeeze(expected[i])) << "block " << i;
}

TEST_F(PcapngFileTest, UnusualMessages) {
  std::vector<TraceWord> words = {Start(0), Byte(0xA8, 10)};
  for (int i = 1; i < 1100; ++i) words.push_back(Byte(static_cast<std::uint8_t>(i), static_cast<std::uint32_t>(10 + i)));
  words.push_back(Stop(1200));
  words.insert(words.end(), {
                                // Bytes after a STOP without a START: the decoder's line carries them too.
                                Byte(0x55, 2000), Byte(0x66, 2010, true), Stop(2020),
                                // A START with no byte, and a repeated START with none.
                                Start(3000), Stop(3010), Start(4000), Byte(0xAA, 4010), Start(4020), Stop(4030),
                                // A general call.
                                Start(5000), Byte(0x00, 5010), Byte(0x06, 5020), Stop(5030),
                                // Hidden by the address filter, exported all the same.
                                Start(6000), Byte(0xA2, 6010), Stop(6020),
                            });
  SetAddressState(0x51, DSEL);
  const std::vector<Packet> packets = Export(words);
  ASSERT_EQ(packets.size(), 5u);

  // The decoder hands on the START and 998 bytes: the original length counts
  // all 1,100.
  EXPECT_EQ(packets[0].captured, 5u + 998u);
  EXPECT_EQ(packets[0].original, 5u + 1100u);
  EXPECT_EQ(Hex(packets[0].data.substr(0, 9)), "0000000000a8010203");
  EXPECT_EQ(packets[0].comment, "Msg 1");

  EXPECT_EQ(packets[1].micros, 2000u);
  EXPECT_EQ(Hex(packets[1].data), "00000040005566");
  EXPECT_EQ(packets[1].comment, "Msg 1, NACK at byte 2, no START");

  EXPECT_EQ(packets[2].micros, 4000u);
  EXPECT_EQ(Hex(packets[2].data), "0000000000aa");
  EXPECT_EQ(packets[2].comment, "Msg 3");

  EXPECT_EQ(packets[3].micros, 5000u);
  EXPECT_EQ(Hex(packets[3].data), "00000000000006");
  EXPECT_EQ(packets[3].comment, "Msg 4");

  EXPECT_EQ(Hex(packets[4].data), "0000000000a2");
  EXPECT_EQ(packets[4].comment, "Msg 5");
}

// A write failing part way, through the pipeline: DecodeAppTest's ExportFailures.
TEST_F(PcapngFileTest, ReplaceQuestionAndCreateFailures) {
  const std::string name = Path("old.pcapng");
  WriteAll(name, "old export");
  seam_.answers = {false};
  EXPECT_FALSE(PF::Create(name, 1));
  EXPECT_FALSE(PF::PcapngFileOpen);
  EXPECT_EQ(ReadAll(name), "old export");
  EXPECT_EQ(seam_.questions,
            (Messages{{"Export File:\r\n\r\n[" + name + "]\r\n\r\nAlready Exists, Replace?", "Export File Warning"}}));
  ASSERT_TRUE(PF::Create(name, 2));  // a retry replaces without asking
  PF::Close();
  EXPECT_EQ(seam_.questions.size(), 1u);
  EXPECT_EQ(ReadAll(name).size(), 44u + 32u);
  EXPECT_TRUE(seam_.messages.empty());

  EXPECT_FALSE(PF::Create(Path("no/such/dir/x.pcapng"), 1));
  EXPECT_FALSE(PF::Create("/dev/full", 2));
  EXPECT_FALSE(PF::PcapngFileOpen);
  EXPECT_EQ(seam_.messages, (Messages{{"Cannot Create Export File", "Export Error"},
                                      {"Cannot Write to Export File", "Export Error"}}));
}

}  // namespace
}  // namespace vantrel::testing
