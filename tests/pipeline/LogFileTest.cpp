#include "pipeline/LogFile.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "FileTestSupport.h"

namespace vantrel::testing {
namespace {

namespace LF = vantrel::LogFile;
using Words = std::vector<std::uint32_t>;
using Messages = std::vector<Message>;

const std::string kHeader =
    ";Orbisan Corporation\r\n;Vantrel Log File\r\n;Ver 01.01\r\n;Created: 05-Dec-2026 at 15:34\r\n;By: Bench User\r\n";
const Message kReadError{"Cannot Read from Log File", "Log File Error"};
const Message kInvalid{"Invalid Log File!", "Log File Error"};
const Message kWriteError{"Cannot Write to Log File", "Log File Error"};

class LogFileTest : public FileTest {
 protected:
  void TearDown() override {
    LF::CloseForWrite();
    LF::CloseForRead();
    FileTest::TearDown();
  }
  // Replays the file to its end: the words it gave.
  Words Replay(const std::string& name) {
    Words words;
    if (!LF::OpenForRead(name)) return words;
    while (words.size() < 100)
      if (const std::uint32_t w = LF::ReadWord()) words.push_back(w); else break;
    EXPECT_FALSE(LF::LogReadOpen);
    return words;
  }
  Words ReplayBody(const std::string& body) {
    WriteAll(Path("replay.log"), kHeader + body);
    return Replay(Path("replay.log"));
  }
};

TEST_F(LogFileTest, RoundTrip) {
  const std::string name = Path("trace.log");
  ASSERT_TRUE(LF::CreateForWrite(name, 1));
  EXPECT_TRUE(LF::LogWriteOpen);
  for (std::uint32_t w : {0x01000065u, 0x1A123456u, 0x02FF0000u}) LF::WriteWord(w);
  LF::CloseForWrite();
  EXPECT_FALSE(LF::LogWriteOpen);
  LF::WriteWord(0x01000066u);  // after the close: nothing

  const std::string bytes = ReadAll(name);
  EXPECT_TRUE(std::regex_match(bytes, std::regex(";Orbisan Corporation\r\n;Vantrel Log File\r\n;Ver 01\\.01\r\n"
                                                 ";Created: " + kStamp + "\r\n;By: Bench User\r\n"
                                                 "01000065\r\n1A123456\r\n02FF0000\r\n;Closed: " + kStamp + "\r\n")))
      << bytes;

  EXPECT_EQ(Replay(name), (Words{0x01000065u, 0x1A123456u, 0x02FF0000u}));
  ASSERT_EQ(seam_.display.size(), 5u);  // the header, but not ";Closed:"
  EXPECT_EQ(seam_.display[0], ";Orbisan Corporation");
  EXPECT_EQ(seam_.display[4], ";By: Bench User");
  EXPECT_TRUE(seam_.messages.empty());
  EXPECT_TRUE(seam_.questions.empty());
}

TEST_F(LogFileTest, ReplaceOnlyAfterOkOrOnRetry) {
  const std::string name = Path("old.log");
  const std::string old("keep me\0\r\n", 10);
  WriteAll(name, old);
  seam_.answers = {false, true, false};
  EXPECT_FALSE(LF::CreateForWrite(name, 1));
  EXPECT_FALSE(LF::LogWriteOpen);
  EXPECT_EQ(ReadAll(name), old);
  ASSERT_EQ(seam_.questions.size(), 1u);
  EXPECT_EQ(seam_.questions[0],
            (Message{"Log File:\r\n\r\n[" + name + "]\r\n\r\nAlready Exists, Replace?", "Log File Warning"}));

  ASSERT_TRUE(LF::CreateForWrite(name, 1));
  LF::CloseForWrite();
  ASSERT_TRUE(LF::CreateForWrite(name, 2));  // the Cancel left in the script is not asked for
  LF::CloseForWrite();
  EXPECT_EQ(seam_.questions.size(), 2u);
  EXPECT_EQ(ReadAll(name).rfind(";Orbisan Corporation\r\n", 0), 0u);
  EXPECT_TRUE(seam_.messages.empty());
}

TEST_F(LogFileTest, WriteFailures) {
  EXPECT_FALSE(LF::CreateForWrite(Path("no/such/dir/x.log"), 1));
  EXPECT_EQ(seam_.messages, (Messages{{"Cannot Create Log File", "Log File Error"}}));

  seam_.messages.clear();
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(LF::CreateForWrite("/dev/full", 2));  // the header does not fit
    EXPECT_FALSE(LF::LogWriteOpen);
    EXPECT_EQ(seam_.messages, (Messages{kWriteError}));
  }

  // Disk full part-way: reported once, the log is closed, the text that did
  // not fit is not tried again by the close.
  seam_.messages.clear();
  ASSERT_TRUE(LF::CreateForWrite(Path("full.log"), 1));
  {
    FileSizeLimit limit(64 * 1024);
    if (!limit.ok()) GTEST_SKIP() << "cannot limit the file size";
    for (std::uint32_t i = 0; i < 200000 && LF::LogWriteOpen; ++i) LF::WriteWord(0x01000000u + i);
    EXPECT_FALSE(LF::LogWriteOpen);
    LF::CloseForWrite();
  }
  EXPECT_EQ(seam_.messages, (Messages{kWriteError}));
}

TEST_F(LogFileTest, WrittenSizeCountsOnlyWhatIsOnDisk) {
  EXPECT_EQ(LF::WrittenSizeKB(), 0u);
  const std::string name = Path("size.log");
  ASSERT_TRUE(LF::CreateForWrite(name, 1));
  EXPECT_EQ(LF::WrittenSizeKB(), 0u);
  for (std::uint32_t i = 0; i < 100000; ++i) LF::WriteWord(0x01000000u + i);  // about 1 MB
  EXPECT_EQ(LF::WrittenSizeKB(), std::filesystem::file_size(name) / 1024);
  EXPECT_GT(LF::WrittenSizeKB(), 500u);
  EXPECT_LT(LF::WrittenSizeKB(), 1000u);
  LF::CloseForWrite();
  EXPECT_EQ(LF::WrittenSizeKB(), 0u);
}

TEST_F(LogFileTest, ReplayEndings) {
  struct Case {
    std::string body;
    Words words;
    Messages messages;
  };
  std::mt19937 rng(20260512);
  std::string junk(256 * 1024, '\0');
  for (char& c : junk) c = static_cast<char>(rng() & 0xFF);
  for (char& c : junk)
    if (c == ';') c = '\0';
  junk[0] = '\0';
  const std::string tenMB(10 * 1024 * 1024, 'x');

  std::vector<Case> cases = {
      // Never closed: the last word is not lost.
      {"01000065\r\n1A123456", {0x01000065u, 0x1A123456u}, {}},
      {"01000065\r\n1A123456\r\n", {0x01000065u, 0x1A123456u}, {}},
      {"1a123456\nFFffFFff and more\r\n0000abcd\r\n;Closed\r\n", {0x1A123456u, 0xFFFFFFFFu, 0xABCDu}, {}},
      {"00000002", {}, {kInvalid}},
      {"01000065\r\n" + tenMB + "\r\n1A123456\r\n", {0x01000065u}, {kReadError}},
      {"1A123456" + std::string(10 * 1024 * 1024, '0'), {0x1A123456u}, {}},
      {junk, {}, {kReadError}},
  };
  for (const char* endCode : {"00000000", "00000001", "00000002"})
    cases.push_back({"01000065\r\n" + std::string(endCode) + "\r\n1A123456\r\n", {0x01000065u}, {kInvalid}});
  for (const char* bad : {"", " 1000065", "0100006", "0100006G", "01 00065", "0x010000", "\r0100065"})
    cases.push_back({"01000065\r\n" + std::string(bad) + "\r\n1A123456\r\n", {0x01000065u}, {kReadError}});
  cases.push_back({"01000065\r\n" + std::string("0100\0" "0651", 9) + "\r\n", {0x01000065u}, {kReadError}});

  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.body.substr(0, 40)));
    seam_.messages.clear();
    EXPECT_EQ(ReplayBody(c.body), c.words);
    EXPECT_EQ(seam_.messages, c.messages);
    EXPECT_EQ(LF::ReadWord(), 0u);
  }
}

TEST_F(LogFileTest, CommentsGoToTheDisplayInFileOrder) {
  std::string longComment(10 * 1024 * 1024, 'c');
  longComment.back() = ';';  // far past the part that is shown
  WriteAll(Path("c.log"), kHeader + "01000065\r\n0100;note\r\n" + longComment + "\r\n1A123456\r\n;Closed\r\n");
  ASSERT_TRUE(LF::OpenForRead(Path("c.log")));
  EXPECT_EQ(LF::ReadWord(), 0x01000065u);
  EXPECT_EQ(seam_.display.size(), 5u);
  EXPECT_EQ(LF::ReadWord(), 0x1A123456u);
  ASSERT_EQ(seam_.display.size(), 7u);
  EXPECT_EQ(seam_.display[5], "0100;note");
  EXPECT_EQ(seam_.display[6], std::string(65536, 'c'));
  EXPECT_EQ(LF::ReadWord(), 0u);
  EXPECT_EQ(seam_.display.size(), 7u);

  // A comment ending exactly where a read chunk ends is not the file's last line.
  std::string edge(65536 - kHeader.size() - 2, 'e');
  edge[0] = ';';
  EXPECT_EQ(ReplayBody(edge + "\r\n01000065\r\n"), (Words{0x01000065u}));
  EXPECT_EQ(seam_.display.back(), edge);
  EXPECT_TRUE(seam_.messages.empty());
}

TEST_F(LogFileTest, OpenChecks) {
  const std::pair<std::string, Message> cases[] = {
      {";Orbisan Corporation \r\n;Vantrel Log File\r\n01000065\r\n", kInvalid},
      {";Orbisan Corporation\r\n;vantrel log file\r\n01000065\r\n", kInvalid},
      {";Orbisan Corporation\r\n;Vantrel Display File\r\n01000065\r\n", kInvalid},
      {";Orbisan Corporation\r\n", kInvalid},
      {"", kInvalid},
      {std::string(70000, '\0'), kInvalid},
  };
  for (const auto& [bytes, expected] : cases) {
    SCOPED_TRACE(::testing::PrintToString(bytes.substr(0, 40)));
    seam_.messages.clear();
    WriteAll(Path("id.log"), bytes);
    EXPECT_FALSE(LF::OpenForRead(Path("id.log")));
    EXPECT_FALSE(LF::LogReadOpen);
    EXPECT_EQ(seam_.messages, (Messages{expected}));
  }

  seam_.messages.clear();
  EXPECT_FALSE(LF::OpenForRead(Path("missing.log")));
  EXPECT_EQ(seam_.messages, (Messages{{"Cannot Open Log File for Read!", "Log File Warning"}}));
#if defined(__linux__)
  seam_.messages.clear();
  std::filesystem::create_directory(Path("dir.log"));  // opens, but reads fail
  EXPECT_FALSE(LF::OpenForRead(Path("dir.log")));
  EXPECT_EQ(seam_.messages, (Messages{{"Cannot Read from Log File!", "Log File Error"}}));
#endif

  // A device that never ends a line fails the check at once.
  seam_.messages.clear();
  EXPECT_FALSE(LF::OpenForRead("/dev/zero"));
  EXPECT_EQ(seam_.messages, (Messages{kInvalid}));

  // Only the two identification lines are checked; every line end works.
  for (const char* end : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(::testing::PrintToString(end));
    seam_.messages.clear();
    const std::string e = end;
    WriteAll(Path("ends.log"), ";Orbisan Corporation" + e + ";Vantrel Log File" + e + "01000065" + e + "1A123456" +
                                   e + "08002C00" + e + ";Closed" + e);
    EXPECT_EQ(Replay(Path("ends.log")), (Words{0x01000065u, 0x1A123456u, 0x08002C00u}));
    EXPECT_TRUE(seam_.messages.empty());
  }
}

}  // namespace
}  // namespace vantrel::testing
