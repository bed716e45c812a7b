#include "pipeline/DisplayFile.h"

#include <gtest/gtest.h>

#include <regex>

#include "FileTestSupport.h"

namespace vantrel::testing {
namespace {

namespace DF = vantrel::DisplayFile;
using Messages = std::vector<Message>;

class DisplayFileTest : public FileTest {
 protected:
  void TearDown() override {
    DF::Close();
    FileTest::TearDown();
  }
};

TEST_F(DisplayFileTest, WritesLinesBetweenHeaderAndClosedLine) {
  const std::string name = Path("trace.txt");
  ASSERT_TRUE(DF::Create(name, 1));
  EXPECT_TRUE(DF::DisplayFileOpen);
  EXPECT_EQ(DF::WrittenSizeKB(), 0u);
  EXPECT_TRUE(DF::WriteLine("S 50 W A 00 A P"));
  EXPECT_TRUE(DF::WriteLine(""));
  DF::Close();
  EXPECT_FALSE(DF::DisplayFileOpen);
  EXPECT_FALSE(DF::WriteLine("after the close"));

  const std::string bytes = ReadAll(name);
  EXPECT_TRUE(std::regex_match(bytes, std::regex(";Orbisan Corporation\r\n;Vantrel Display File\r\n;Ver 01\\.00\r\n"
                                                 ";Created: " + kStamp + "\r\n;By: Bench User\r\n"
                                                 "S 50 W A 00 A P\r\n\r\n;Closed: " + kStamp + "\r\n")))
      << bytes;
  EXPECT_TRUE(seam_.messages.empty());
}

TEST_F(DisplayFileTest, ReplaceOnlyAfterOkOrOnRetry) {
  const std::string name = Path("old.txt");
  WriteAll(name, "old display\r\n");
  seam_.answers = {false, false};
  EXPECT_FALSE(DF::Create(name, 1));
  EXPECT_FALSE(DF::DisplayFileOpen);
  EXPECT_EQ(ReadAll(name), "old display\r\n");
  EXPECT_EQ(seam_.questions,
            (Messages{{"Display File:\r\n\r\n[" + name + "]\r\n\r\nAlready Exists, Replace?", "Display File Warning"}}));

  ASSERT_TRUE(DF::Create(name, 2));
  DF::Close();
  EXPECT_EQ(seam_.questions.size(), 1u);
  EXPECT_EQ(ReadAll(name).rfind(";Orbisan Corporation\r\n", 0), 0u);
}

TEST_F(DisplayFileTest, Failures) {
  EXPECT_FALSE(DF::Create(Path("no/such/dir/x.txt"), 1));
  EXPECT_EQ(seam_.messages, (Messages{{"Cannot Create File", "Display File Error"}}));

  seam_.messages.clear();
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(DF::Create("/dev/full", 2));
    EXPECT_FALSE(DF::DisplayFileOpen);
    EXPECT_EQ(seam_.messages, (Messages{{"Cannot Write to File", "Display File Error"}}));
  }

  // A failed line is only returned; the caller reports it and halts. The file
  // is closed then, so the halt neither reports again nor adds ";Closed:".
  seam_.messages.clear();
  ASSERT_TRUE(DF::Create(Path("full.txt"), 1));
  FileSizeLimit limit(64 * 1024);
  if (!limit.ok()) GTEST_SKIP() << "cannot limit the file size";
  bool ok = true;
  for (int i = 0; i < 2000 && ok; ++i) ok = DF::WriteLine(std::string(1000, 'd'));
  EXPECT_FALSE(ok);
  EXPECT_TRUE(seam_.messages.empty());
  EXPECT_FALSE(DF::DisplayFileOpen);
  DF::Close();
  EXPECT_TRUE(seam_.messages.empty());
  EXPECT_EQ(ReadAll(Path("full.txt")).find(";Closed:"), std::string::npos);
}

}  // namespace
}  // namespace vantrel::testing
