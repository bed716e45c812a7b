// vantrel-decode --alias, --map and --match as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "FilterTestSupport.h"

namespace vantrel::test {
namespace {

struct Outcome {
  int status = -1;
  std::string out, err;
};

class DecodeOptions : public ::testing::Test {
 protected:
  Outcome Decode(const std::string& args) {
    Outcome r;
    const std::string out = dir_.Path("stdout"), err = dir_.Path("stderr");
    const std::string cmd = std::string(VANTREL_DECODE) + " " + args + " >" + out + " 2>" + err;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ScratchDir::Read(out);
    r.err = ScratchDir::Read(err);
    return r;
  }
  std::string Log() {
    // Write of 00 12 to A0; a read from A1 that the slave NACKs; a write of 09 to 16.
    return dir_.Write("a.log",
                      ";Orbisan Corporation\r\n;Vantrel Log File\r\n;Ver 01.01\r\n;Created: 06-Dec-2026 at 09:00\r\n"
                      ";By: Test\r\n04000000\r\n10005AA0\r\n1000B400\r\n10010E12\r\n08011800\r\n"
                      "04020000\r\n90025AA1\r\n08026400\r\n04030000\r\n10035A16\r\n1003B409\r\n08040E00\r\n"
                      ";Closed: 06-Dec-2026 at 09:01\r\n");
  }
  ScratchDir dir_;
};

std::string Rows(const std::string& first) {
  std::string s = first + "\r\n";
  for (int i = 1; i < 8; ++i) s += std::string(16, i == 7 ? 'X' : '1') + "\r\n";
  return s;
}

TEST_F(DecodeOptions, FilesApplyAsLoadAndAccept) {
  const std::string log = Log();
  std::string aliases;
  for (int a = 0; a < 128; ++a) aliases += a == 0x50 ? "EEPROM\r\n" : (a == 0x0B ? "Battery\r\n" : "-\r\n");
  const std::string als = dir_.Write("a.als", Header("Alias") + aliases);
  Outcome r = Decode("--alias " + als + " " + log);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "Msg     1 [Start]EEPROM[W] 00 12 [Stop]\nMsg     2 [Start]EEPROM[R][N][Stop]\n"
                   "Msg     3 [Start]Battery[W] 09 [Stop]\n");
  r = Decode("--protocol SBS --alias " + als + " " + log);
  EXPECT_NE(r.out.find("Msg     3 [Start]Battery [W]"), std::string::npos) << r.out;

  // Address byte A0 is row 1 of column 11: reads only.
  std::string row1 = std::string(16, '1');
  row1[10] = '7';
  const std::string map = dir_.Write("a.map", Header("Address Map") + Rows(row1));
  r = Decode("--map " + map + " " + log);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Msg     2 [Start]#A0[R][N][Stop]\nMsg     3 [Start]#16[W] 09 [Stop]\n");
  r = Decode("--map " + map + " --set DisplayFilter=False " + log);
  EXPECT_EQ(r.out.substr(0, 10), "Msg     1 ");
}

TEST_F(DecodeOptions, MatchFileCellsNeedValidData) {
  const std::string log = Log();
  std::string rows = "09XXXXXXXXXXXXXX\r\n12XXXXXXXXXXXXXX\r\n";
  for (int i = 0; i < 6; ++i) rows += std::string(16, 'X') + "\r\n";
  // Byte 1 must not be 09; byte 2 must be 12.
  const std::string good = dir_.Write("g.dmf", Header("Data Match") + rows + "MatchCondition=NYYYYYYY\r\n");
  Outcome r = Decode("--match " + good + " " + log);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Msg     1 [Start]#A0[W] 00 12 [Stop]\nMsg     2 [Start]#A0[R][N][Stop]\n");

  const std::string bad = dir_.Write("b.dmf", Header("Data Match") + "1FF\r\n" + rows);
  r = Decode("--match " + bad + " " + log);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Message Data Filter Error: Invalid Match Data\n");
  EXPECT_EQ(r.out, "Msg     1 [Start]#A0[W] 00 12 [Stop]\nMsg     2 [Start]#A0[R][N][Stop]\n"
                   "Msg     3 [Start]#16[W] 09 [Stop]\n");
}

TEST_F(DecodeOptions, BadFilesAreReported) {
  const std::string log = Log();
  const std::string junk = dir_.Write("junk", std::string("\x01\x02\xff;\n\n", 6));
  struct Case {
    const char* option;
    std::string file, err;
  };
  const Case cases[] = {
      {"--alias", dir_.Path("none.als"), "Alias File Error: Cannot Open Alias File\n"},
      {"--alias", junk, "Alias File Error: Invalid Alias File!\n"},
      {"--map", dir_.Path("none.map"), "Map File Error: Cannot Open Map File\n"},
      {"--map", junk, "Map File Error: Invalid Map File!\n"},
      {"--match", dir_.Path("none.dmf"), "Match File Error: Cannot Open Data Match File\n"},
      {"--match", junk, "Match File Error: Invalid Data Match File!\n"},
  };
  for (const Case& c : cases) {
    const Outcome r = Decode(std::string(c.option) + " " + c.file + " " + log);
    EXPECT_EQ(r.status, 1) << c.option;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out.substr(0, 10), "Msg     1 ");  // the replay still runs, unfiltered
  }
  EXPECT_EQ(Decode("--alias").status, 2);
  EXPECT_EQ(Decode("--match").status, 2);
  const Outcome help = Decode("--help");
  EXPECT_NE(help.out.find("--map FILE"), std::string::npos);
}

}  // namespace
}  // namespace vantrel::test
