// vantrel-decode as a user runs it: output, reports and exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "GoldenDiff.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

class DecodeApp : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vantrel-app-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& body) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << body;
    return p.string();
  }
  static std::string Log(const std::string& words) {
    return ";Orbisan Corporation\r\n;Vantrel Log File\r\n;Ver 01.01\r\n;Created: 06-Dec-2026 at 09:00\r\n"
           ";By: Test\r\n" + words + ";Closed: 06-Dec-2026 at 09:01\r\n";
  }
  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  Outcome Decode(const std::string& args) {
    Outcome r;
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    const std::string cmd = "USER=Tester " + std::string(VANTREL_DECODE) + " " + args + " >" + out.string() + " 2>" + err.string();
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
  }
  fs::path dir_;
};

// Write of 00, 12 to address byte A0, then a read from A1 that the slave NACKs.
const std::string kWords =
    "04000000\r\n10005AA0\r\n1000B400\r\n10010E12\r\n08011800\r\n"
    "04020000\r\n90025AA1\r\n08026400\r\n";

TEST_F(DecodeApp, PrintsTheLinesOfTheDefaultAndChosenOptions) {
  const std::string log = Write("a.log", Log(kWords));
  Outcome r = Decode(log);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "Msg     1 [Start]#A0[W] 00 12 [Stop]\nMsg     2 [Start]#A0[R][N][Stop]\n");

  r = Decode("--set DisplayAck=True " + log);
  EXPECT_EQ(r.out, "Msg     1 [Start]#A0[W][A]00[A]12[A][Stop]\nMsg     2 [Start]#A0[R][N][Stop]\n");

  r = Decode("--protocol CD --set DisplayByteTime=True " + log);
  EXPECT_EQ(r.out, "1,[Start],A0,[W],0, 0, 90,00,0, 0, 180,12,0, 0, 270,[Stop],0, 0, 280,\n"
                   "2,[Start],A0,[R],[N],0, 0, 90,[Stop],0, 0, 100,\n");

  // --protocol comes first wherever it stands; clearing HEX then leaves no
  // button selected, which decodes as BIN.
  r = Decode("--set DisplayHEX=False --protocol HEX " + log);
  EXPECT_EQ(r.out.substr(0, 33), "Msg     1 [Start]#A0[W] 0000.0000");
  r = Decode("--protocol HEX --set DisplayHEX=False " + log);
  EXPECT_EQ(r.out.substr(0, 33), "Msg     1 [Start]#A0[W] 0000.0000");
}

TEST_F(DecodeApp, DisplayModeShowsWhatTheTraceDisplayReceives) {
  const std::string log = Write("a.log", Log(kWords));
  const Outcome r = Decode("--display " + log);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            ";Orbisan Corporation\n;Vantrel Log File\n;Ver 01.01\n;Created: 06-Dec-2026 at 09:00\n;By: Test\n"
            "Msg     1 [Start]#A0[W] 00 12 [Stop]\nMsg     2 [Start]#A0[R][N][Stop]\n"
            "Log File Exhausted, Trace Terminated.\n");
}

TEST_F(DecodeApp, WritesADisplayFileWithTheSameLines) {
  const std::string log = Write("a.log", Log(kWords));
  const std::string display = Write("out.txt", "old contents");
  const Outcome r = Decode("--display-file " + display + " " + log);
  EXPECT_EQ(r.status, 0);
  const std::string file = Slurp(display);
  EXPECT_EQ(file.rfind(";Orbisan Corporation\r\n;Vantrel Display File\r\n;Ver 01.00\r\n;Created: ", 0), 0u);
  EXPECT_NE(file.find("\r\n;By: Tester\r\n"
                      "Msg     1 [Start]#A0[W] 00 12 [Stop]\r\nMsg     2 [Start]#A0[R][N][Stop]\r\n;Closed: "),
            std::string::npos);
}

TEST_F(DecodeApp, ReportsBadLogsAndUsage) {
  Outcome r = Decode(Write("junk.log", std::string("\x00\x01\xff\xfe junk\n", 9)));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Log File Error: Invalid Log File!\n");

  r = Decode((dir_ / "missing.log").string());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Log File Warning: Cannot Open Log File for Read!\n");

  // Lines decoded before the bad line are kept.
  r = Decode(Write("zero.log", Log("04000000\r\n10005AA0\r\n08006400\r\n00000000\r\n04010000\r\n")));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Msg     1 [Start]#A0[W] [Stop]\n");
  EXPECT_EQ(r.err, "Log File Error: Invalid Log File!\n");

  r = Decode(Write("endcode.log", Log("04000000\r\n00000002\r\n")));
  EXPECT_EQ(r.err, "Log File Error: Invalid Log File!\n");

  r = Decode(Write("text.log", Log("04000000\r\nhello\r\n")));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Log File Error: Cannot Read from Log File\n");

  EXPECT_EQ(Decode("").status, 2);
  EXPECT_EQ(Decode("--protocol FOO x.log").status, 2);
  EXPECT_EQ(Decode("--bogus x.log").status, 2);
  EXPECT_EQ(Decode("--help").status, 0);
}

TEST_F(DecodeApp, AnUnclosedLogKeepsItsLastWord) {
  const std::string body = Log(kWords);
  const std::string unclosed = body.substr(0, body.find(";Closed:"));
  const Outcome r = Decode(Write("unclosed.log", unclosed));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Msg     1 [Start]#A0[W] 00 12 [Stop]\nMsg     2 [Start]#A0[R][N][Stop]\n");
}

// The bundled examples decoded under the option sets listed in
// tests/data/golden/cases.txt, against their checked-in lines.
TEST_F(DecodeApp, ExamplesMatchTheirGoldenLines) {
  const fs::path golden = fs::path(VANTREL_TEST_DATA) / "golden";
  std::ifstream cases(golden / "cases.txt");
  std::string row;
  int checked = 0;
  while (std::getline(cases, row)) {
    if (row.empty() || row[0] == '#') continue;
    const auto bar1 = row.find('|'), bar2 = row.rfind('|');
    const std::string name = row.substr(0, bar1);
    const std::string options = row.substr(bar1 + 1, bar2 - bar1 - 1);
    const std::string log = (fs::path(VANTREL_EXAMPLES) / row.substr(bar2 + 1)).string();
    SCOPED_TRACE(name);
    const Outcome r = Decode(options + " " + log);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(vantrel::test::TextMatches(Slurp(golden / (name + ".txt")), r.out, name + ".txt",
                                           "vantrel-decode " + options));
    ++checked;
  }
  EXPECT_GE(checked, 9);
}

}  // namespace
