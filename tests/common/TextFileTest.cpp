#include "common/TextFile.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel {
namespace {

struct Read {
  std::string line;
  bool semicolon, truncated, atEnd;
  bool operator==(const Read&) const = default;
};
void PrintTo(const Read& r, std::ostream* os) {
  *os << ::testing::PrintToString(r.line.substr(0, 20)) << " size " << r.line.size() << (r.semicolon ? " ;" : "")
      << (r.truncated ? " cut" : "") << (r.atEnd ? " end" : "");
}

std::vector<Read> ReadLines(const std::string& bytes, std::size_t keep = 65536) {
  std::FILE* f = std::tmpfile();
  if (!f) return {};
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  auto reader = std::make_unique<LineReader>(f, keep);
  std::vector<Read> out;
  std::string line;
  while (reader->Next(line)) {
    const bool end = reader->atEnd();
    out.push_back({line, reader->hasSemicolon(), reader->truncated(), end});
  }
  EXPECT_FALSE(reader->failed());
  std::fclose(f);
  return out;
}

using V = std::vector<Read>;

TEST(LineReaderTest, LineEnds) {
  EXPECT_EQ(ReadLines(""), V{});
  EXPECT_EQ(ReadLines("\r\n\n"), (V{{"", false, false, false}, {"", false, false, true}}));
  EXPECT_EQ(ReadLines("ab\ncd"), (V{{"ab", false, false, false}, {"cd", false, false, true}}));
  // A lone CR ends a line as CR LF and LF do.
  EXPECT_EQ(ReadLines("a\rb\r\r\nc\r"),
            (V{{"a", false, false, false}, {"b", false, false, false}, {"", false, false, false}, {"c", false, false, true}}));
  EXPECT_EQ(ReadLines("x\n\ry;\r\n"), (V{{"x", false, false, false}, {"", false, false, false}, {"y;", true, false, true}}));
}

TEST(LineReaderTest, ScanLimitForHeaderLines) {
  std::FILE* f = std::fopen("/dev/zero", "rb");
  ASSERT_NE(f, nullptr);
  LineReader zeros(f, 255);
  std::string line;
  ASSERT_TRUE(zeros.Next(line, LineReader::kHeaderScan));
  EXPECT_TRUE(zeros.unterminated());
  EXPECT_EQ(line.size(), 255u);
  std::fclose(f);

  f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  const std::string bytes = std::string(100, 'a') + "\r\nb";
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  LineReader reader(f);
  ASSERT_TRUE(reader.Next(line, 101));
  EXPECT_FALSE(reader.unterminated());
  EXPECT_TRUE(reader.Next(line, 1));
  EXPECT_EQ(line, "b");
  std::fclose(f);
}

TEST(LineReaderTest, KeptPart) {
  EXPECT_EQ(ReadLines("abcd\r\nabcde\r\nabcd\r\r\nab;\n", 4),
            (V{{"abcd", false, false, false},
               {"abcd", false, true, false},
               {"abcd", false, false, false},
               {"", false, false, false},
               {"ab;", true, false, true}}));
  EXPECT_EQ(ReadLines("abcdef;gh\r\nxy", 4), (V{{"abcd", true, true, false}, {"xy", false, false, true}}));
}

TEST(LineReaderTest, ChunkBoundaries) {
  const std::size_t chunk = 65536;  // the reader's read size
  // CR as the chunk's last byte, LF as the next chunk's first: one line end.
  const std::string crSplit = std::string(chunk - 1, 'a') + "\r\nxyz\n";
  EXPECT_EQ(ReadLines(crSplit, chunk - 1),
            (V{{std::string(chunk - 1, 'a'), false, false, false}, {"xyz", false, false, true}}));
  EXPECT_EQ(ReadLines(crSplit, chunk)[0].line, std::string(chunk - 1, 'a'));
  EXPECT_EQ(ReadLines(std::string(chunk - 1, 'a') + "\r\n").size(), 1u);
  EXPECT_TRUE(ReadLines(std::string(chunk - 1, 'a') + "\r\n")[0].atEnd);
  // A line end as the chunk's last byte is not the end of the file.
  EXPECT_EQ(ReadLines(std::string(chunk - 1, 'a') + "\nb").size(), 2u);
  // A line over several chunks with its ';' far past the kept part.
  std::string big(5 * chunk + 17, 'q');
  big[4 * chunk + 3] = ';';
  EXPECT_EQ(ReadLines(big + "\nend", 100), (V{{std::string(100, 'q'), true, true, false}, {"end", false, false, true}}));
}

TEST(FileStampTest, Format) {
  std::tm tm{};
  tm.tm_year = 2026 - 1900;
  tm.tm_mon = 11;
  tm.tm_mday = 5;
  tm.tm_hour = 15;
  tm.tm_min = 4;
  tm.tm_isdst = -1;
  EXPECT_EQ(FileStamp(std::mktime(&tm)), "05-Dec-2026 at 15:04");
  tm.tm_mon = 0;
  tm.tm_mday = 31;
  tm.tm_hour = 0;
  tm.tm_isdst = -1;
  EXPECT_EQ(FileStamp(std::mktime(&tm)), "31-Jan-2026 at 00:04");
}

}  // namespace
}  // namespace vantrel
