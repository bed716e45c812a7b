// vantrel-decode as a user runs it: output, reports and exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

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

TEST_F(DecodeApp, ExportFailures) {
  const std::string log = Write("a.log", Log(kWords));
  // The export cannot be made: the trace does not start.
  Outcome r = Decode("--pcapng " + (dir_ / "no" / "x.pcapng").string() + " " + log);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Export Error: Cannot Create Export File\n");
  EXPECT_EQ(Decode("--direct --pcapng x.pcapng " + log).status, 2);

  // A write fails part way (files are held to 128 blocks, 64 or 128 KB as the
  // shell counts them; the lines go through a pipe): one report, and every
  // line still comes.
  const std::string example = (fs::path(VANTREL_EXAMPLES) / "smart-battery.log").string();
  const std::string script = Write("limited.sh", "trap '' XFSZ\nulimit -f 128\n{ " + std::string(VANTREL_DECODE) +
                                                     " --pcapng x.pcapng " + example +
                                                     " 2>err; echo $? >status; } | wc -l >count\n");
  ASSERT_EQ(std::system(("cd " + dir_.string() + " && sh " + script).c_str()), 0);
  EXPECT_EQ(Slurp(dir_ / "status"), "1\n");
  EXPECT_EQ(Slurp(dir_ / "err"), "Export Error: Cannot Write to Export File\n");
  EXPECT_EQ(std::stoi(Slurp(dir_ / "count")), 3680);
  EXPECT_LE(fs::file_size(dir_ / "x.pcapng"), 128u * 1024u);
}

TEST_F(DecodeApp, AnOutputFileNeverReplacesTheLogBeingRead) {
  const std::string log = Write("a.log", Log(kWords));
  const std::string before = Slurp(log);
  for (const char* option : {"--display-file", "--pcapng"}) {
    // The same file by another name, too.
    for (const std::string& output : {log, (dir_ / "." / "a.log").string()}) {
      const Outcome r = Decode(std::string(option) + " " + output + " " + log);
      EXPECT_EQ(r.status, 1) << option;
      EXPECT_EQ(r.out, "");
      EXPECT_NE(r.err.find(": Cannot Write to the Log File Being Read\n"), std::string::npos) << r.err;
      EXPECT_EQ(Slurp(log), before) << option;
    }
  }
}

// What the network analyser reads from the export of the Smart Battery
// example, against the decoded lines with their start and byte times: one
// packet per START and repeated START, its time, address, direction, bytes
// and acknowledges.
TEST_F(DecodeApp, ExportReadsBackInTheNetworkAnalyser) {
  if (std::system("command -v tshark >/dev/null") != 0) {
    FAIL() << "tshark is not installed (scripts/lib/setup.sh installs it)";
  }
  const std::string example = (fs::path(VANTREL_EXAMPLES) / "smart-battery.log").string();
  const fs::path pcapng = dir_ / "sb.pcapng";
  const Outcome r = Decode("--set DisplayStartTime=True --set DisplayByteTime=True --pcapng " + pcapng.string() +
                           " " + example);
  ASSERT_EQ(r.status, 0) << r.err;

  struct Packet {
    std::uint64_t micros = 0;
    std::string bytes;
    std::vector<std::size_t> nacks;
  };
  // "2M:59,761,011" or "190": hours, minutes and us.
  auto micros = [](const std::string& text) {
    std::uint64_t total = 0, part = 0;
    for (const char c : text) {
      if (c >= '0' && c <= '9') part = part * 10 + static_cast<std::uint64_t>(c - '0');
      if (c == 'H' || c == 'M') {
        total += part * (c == 'H' ? 3'600'000'000u : 60'000'000u);
        part = 0;
      }
    }
    return total + part;
  };
  const std::regex token(R"(\[(Rpt)?Start\]|\[([0-9,HM:]+)uS\]|#([0-9A-F]{2})\[([WR])\]|\[N\]|([0-9A-F]{2}))");
  std::vector<std::string> expected;
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t open = line.find('[');
    std::string number;
    for (const char c : line.substr(0, open)) {
      if (c >= '0' && c <= '9') number += c;
    }
    std::vector<Packet> packets;
    std::uint64_t start = 0;
    enum { None, AtStart, AtRptStart } timeFor = None;
    for (std::sregex_iterator m(line.begin() + static_cast<std::ptrdiff_t>(open), line.end(), token), end; m != end;
         ++m) {
      const std::string t = m->str();
      if (t == "[Start]" || t == "[RptStart]") {
        packets.emplace_back();
        timeFor = t == "[Start]" ? AtStart : AtRptStart;
      } else if ((*m)[2].matched) {
        // Start times are absolute, a repeated START's counts from the START.
        if (timeFor == AtStart) start = micros((*m)[2]);
        if (timeFor != None) packets.back().micros = start + (timeFor == AtRptStart ? micros((*m)[2]) : 0);
        timeFor = None;
      } else if (packets.empty()) {
        ADD_FAILURE() << "no START before " << t << " in " << line;
      } else if ((*m)[3].matched) {
        packets.back().bytes += static_cast<char>(std::stoi((*m)[3], nullptr, 16) | ((*m)[4] == "R" ? 1 : 0));
      } else if (t == "[N]") {
        packets.back().nacks.push_back(packets.back().bytes.size());
      } else {
        packets.back().bytes += static_cast<char>(std::stoi(t, nullptr, 16));
      }
    }
    for (const Packet& p : packets) {
      char head[64];
      std::snprintf(head, sizeof head, "%llu.%06llu000\t0x%02x\t0x%08x\tMsg ",
                    static_cast<unsigned long long>(p.micros / 1'000'000),
                    static_cast<unsigned long long>(p.micros % 1'000'000), static_cast<std::uint8_t>(p.bytes[0]) >> 1,
                    static_cast<std::uint8_t>(p.bytes[0]) & 1);
      std::string row = head + number;
      for (std::size_t i = 0; i < p.nacks.size(); ++i)
        row += (i > 0 ? ", " : p.nacks.size() == 1 ? ", NACK at byte " : ", NACK at bytes ") + std::to_string(p.nacks[i]);
      row += '\t';
      for (const char c : p.bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<std::uint8_t>(c));
        row += hex;
      }
      expected.push_back(row);
    }
  }

  const fs::path fields = dir_ / "fields";
  const std::string tshark = "tshark -r " + pcapng.string() +
                             " -T fields -e frame.time_relative -e i2c.addr -e i2c.flags -e frame.comment"
                             " -e data.data >" + fields.string() + " 2>/dev/null";
  ASSERT_EQ(std::system(tshark.c_str()), 0);
  std::vector<std::string> read;
  std::istringstream rows(Slurp(fields));
  for (std::string row; std::getline(rows, row);) read.push_back(row);

  EXPECT_EQ(expected.size(), 7284u);  // 3,680 messages, most of them a write and a read
  ASSERT_EQ(read.size(), expected.size());
  for (std::size_t i = 0; i < read.size(); ++i) ASSERT_EQ(read[i], expected[i]) << "packet " << i + 1;
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
