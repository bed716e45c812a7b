// The alias, address map and data match files: round trips, hostile input
// and every report.
#include <gtest/gtest.h>

#include <string>

#include "FilterTestSupport.h"
#include "filters/AddrMapFile.h"
#include "filters/AddressFilter.h"
#include "filters/AliasFile.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"
#include "filters/MatchFile.h"
#include "settings/Settings.h"

namespace vantrel::test {
namespace {

class FilterFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetReports(&window_);
    RestoreDefaultSettings();
    SetAliasFileName("");
  }
  void TearDown() override { SetReports(nullptr); }
  std::vector<std::string>& Messages() { return window_.messages; }

  RecordingWindow window_;
  ScratchDir dir_;
};

std::string Lines(int count, const std::string& prefix) {
  std::string s;
  for (int i = 0; i < count; ++i) s += prefix + std::to_string(i) + "\r\n";
  return s;
}

// --- Alias file ------------------------------------------------------------

TEST_F(FilterFileTest, AliasFileRoundTrip) {
  AliasGrid grid = AliasTableCopy();
  grid[0] = "General Call";
  grid[0x0B] = "Battery";
  grid[0x28] = "";  // an empty alias survives as an empty line
  const std::string name = dir_.Path("a.als");
  ASSERT_EQ(WriteAliasFile(name, grid), FileResult::Done);
  const std::string text = ScratchDir::Read(name);
  EXPECT_EQ(text.rfind(";Orbisan Corporation\r\n;Vantrel Alias File\r\n;Ver 01.00\r\n;Created: ", 0), 0u);
  EXPECT_NE(text.find("\r\n;By: Tester\r\nGeneral Call\r\n#02\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 5), "#FE\r\n");

  AliasGrid back;
  back.fill("stale");
  ASSERT_EQ(ReadAliasFile(name, back), FileResult::Done);
  EXPECT_EQ(back, grid);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(FilterFileTest, AliasFileSkipsCommentsAndLeavesMissingRowsEmpty) {
  const std::string name =
      dir_.Write("short.als", Header("Alias") + "zero\r\n;note\r\none ; two\r\none\r\n" + Lines(8, "x") + "\n");
  AliasGrid grid = AliasTableCopy();
  ASSERT_EQ(ReadAliasFile(name, grid), FileResult::Done);
  EXPECT_EQ(grid[0], "zero");
  EXPECT_EQ(grid[1], "one");
  EXPECT_EQ(grid[9], "x7");
  EXPECT_EQ(grid[10], "");  // the bare LF gives an empty line, the end of the file the rest
  EXPECT_EQ(grid[127], "");
  AcceptAliasGrid(grid, name);
  EXPECT_EQ(AliasText(50), "");
  EXPECT_EQ(AliasFileName(), name);
}

TEST_F(FilterFileTest, AliasFileKeepsLinesTo255Characters) {
  const std::string name =
      dir_.Write("long.als", Header("Alias") + std::string(100000, 'L') + "\r\n" + std::string(300, 'm') + ";\r\nnext\r\n");
  AliasGrid grid;
  ASSERT_EQ(ReadAliasFile(name, grid), FileResult::Done);
  EXPECT_EQ(grid[0], std::string(255, 'L'));
  EXPECT_EQ(grid[1], "next");  // a ';' beyond the kept part still makes a comment
}

TEST_F(FilterFileTest, AliasFileFailuresAreReported) {
  AliasGrid grid = AliasTableCopy();
  const AliasGrid before = grid;
  EXPECT_EQ(ReadAliasFile(dir_.Path("missing.als"), grid), FileResult::CannotOpen);
  const std::string bad[] = {
      "",                                                                // empty
      ";Orbisan Corporation \r\n;Vantrel Alias File\r\nA\r\n",          // trailing space
      ";Orbisan Corporation\r\n;Vantrel Address Map File\r\nA\r\n",     // another kind
      ";Orbisan Corporation\r\n",                                        // one line
      std::string("\x00\xff\x01;Orbisan\r\n\x7f", 14),                   // junk
  };
  for (const std::string& body : bad) EXPECT_EQ(ReadAliasFile(dir_.Write("bad.als", body), grid), FileResult::Invalid);
  EXPECT_EQ(ReadAliasFile(dir_.Path(""), grid), FileResult::ReadFailed);  // a folder
  EXPECT_EQ(grid, before);
  EXPECT_EQ(WriteAliasFile(dir_.Path("no/such/dir.als"), grid), FileResult::CannotCreate);
  EXPECT_EQ(WriteAliasFile("/dev/full", grid), FileResult::WriteFailed);
  std::vector<std::string> expected = {"Alias File Error: Cannot Open Alias File"};
  for (int i = 0; i < 5; ++i) expected.push_back("Alias File Error: Invalid Alias File!");
  expected.push_back("Alias File Error: Cannot Read from Alias File!");
  expected.push_back("Alias Error: Cannot Create Alias File");
  expected.push_back("Alias Error: Cannot Write to Alias File");
  EXPECT_EQ(Messages(), expected);
}

TEST_F(FilterFileTest, SettingsLoadAppliesTheNamedAliasFile) {
  AliasGrid grid = AliasTableCopy();
  grid[0x0B] = "Battery";
  const std::string name = dir_.Path("set.als");
  ASSERT_EQ(WriteAliasFile(name, grid), FileResult::Done);
  static int changes = 0;
  changes = 0;
  AliasTableChanged = [] { ++changes; };
  ASSERT_TRUE(ApplySettingsLine("AliasFileName=" + name));
  EXPECT_EQ(AliasText(0x0B), "Battery");
  EXPECT_EQ(AliasFileName(), name);
  EXPECT_EQ(changes, 1);

  // A file that cannot be read is reported and changes nothing; the load goes on.
  EXPECT_TRUE(ApplySettingsLine("AliasFileName=" + dir_.Path("gone.als")));
  EXPECT_TRUE(ApplySettingsLine("AliasFileName=" + dir_.Write("x.als", "junk\r\n")));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Alias File Error: Cannot Open Alias File",
                                                  "Alias File Error: Invalid Alias File!"}));
  EXPECT_EQ(AliasText(0x0B), "Battery");
  EXPECT_EQ(AliasFileName(), name);
  EXPECT_TRUE(ApplySettingsLine("AliasFileName="));  // empty: nothing to load
  EXPECT_EQ(changes, 1);
  AliasTableChanged = nullptr;

  // Restore Default resets the texts but remembers the name.
  RestoreDefaultSettings();
  EXPECT_EQ(AliasText(0x0B), "#16");
  EXPECT_EQ(AliasFileName(), name);
}

TEST_F(FilterFileTest, DevicesThatNeverEndALineAreInvalidAtOnce) {
  AliasGrid aliases = AliasTableCopy();
  MatchGrid match = AppliedMatchGrid();
  EXPECT_EQ(ReadAliasFile("/dev/zero", aliases), FileResult::Invalid);
  EXPECT_EQ(ReadAddrMapFile("/dev/zero"), FileResult::Invalid);
  EXPECT_EQ(ReadMatchFile("/dev/zero", match), FileResult::Invalid);
  EXPECT_TRUE(ApplySettingsLine("AliasFileName=/dev/zero"));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Alias File Error: Invalid Alias File!", "Map File Error: Invalid Map File!",
                                                  "Match File Error: Invalid Data Match File!",
                                                  "Alias File Error: Invalid Alias File!"}));
  // Lone CR line ends read as any other.
  const std::string name = dir_.Write("cr.als", ";Orbisan Corporation\r;Vantrel Alias File\r;c\rBattery\rCharger\r");
  ASSERT_EQ(ReadAliasFile(name, aliases), FileResult::Done);
  EXPECT_EQ(aliases[0], "Battery");
  EXPECT_EQ(aliases[1], "Charger");
}

// --- Address map file --------------------------------------------------------

TEST_F(FilterFileTest, MapFileRoundTripInGridOrder) {
  SetAddressState(0, DSEL);     // row 1, column 1
  SetAddressState(1, RX_AX);    // row 2, column 1
  SetAddressState(8, XW_XN);    // row 1, column 2
  SetAddressState(127, 0xC);    // row 8, column 16: an unknown code is kept
  const std::string name = dir_.Path("a.map");
  ASSERT_EQ(WriteAddrMapFile(name), FileResult::Done);
  const std::string text = ScratchDir::Read(name);
  EXPECT_NE(text.find(";Vantrel Address Map File\r\n;Ver 01.00\r\n"), std::string::npos);
  EXPECT_NE(text.find(";By: Tester\r\n0511111111111111\r\n9111111111111111\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 18), "111111111111111C\r\n");

  const std::string saved = GetAddrMapString();
  ResetAddressFilter();
  gAddrFilter.marks[5] = ActivityMark::Acked;
  ASSERT_EQ(ReadAddrMapFile(name), FileResult::Done);
  EXPECT_EQ(GetAddrMapString(), saved);
  EXPECT_EQ(gAddrFilter.marks[5], ActivityMark::None);  // the map was refreshed
}

TEST_F(FilterFileTest, MapFileShortAndJunkRowsGiveDsel) {
  const std::string name = dir_.Write(
      "short.map", Header("Address Map") + "12\r\n;comment\r\n9g9G999999999999999999\r\n" + std::string(500, '3') + "\r\n");
  ASSERT_EQ(ReadAddrMapFile(name), FileResult::Done);
  EXPECT_EQ(gAddrFilter.AddrMap[0], RW_AN);
  EXPECT_EQ(gAddrFilter.AddrMap[8], RW_XN);
  EXPECT_EQ(gAddrFilter.AddrMap[16], DSEL);  // row 1 column 3: missing
  EXPECT_EQ(gAddrFilter.AddrMap[1], RX_AX);
  EXPECT_EQ(gAddrFilter.AddrMap[9], DSEL);  // 'g'
  EXPECT_EQ(gAddrFilter.AddrMap[25], DSEL);  // 'G'
  EXPECT_EQ(gAddrFilter.AddrMap[127 - 5], RW_AX);  // row 3, column 16
  EXPECT_EQ(gAddrFilter.AddrMap[127], DSEL);  // rows 4..8 at the end of the file
}

TEST_F(FilterFileTest, MapFileFailuresLeaveTheMapAlone) {
  SetAddressState(3, RX_AN);
  const std::string before = GetAddrMapString();
  EXPECT_EQ(ReadAddrMapFile(dir_.Path("none.map")), FileResult::CannotOpen);
  EXPECT_EQ(ReadAddrMapFile(dir_.Write("x.map", Header("Alias") + std::string(16, '0') + "\r\n")), FileResult::Invalid);
  EXPECT_EQ(ReadAddrMapFile(dir_.Path("")), FileResult::ReadFailed);
  EXPECT_EQ(GetAddrMapString(), before);
  EXPECT_EQ(WriteAddrMapFile(dir_.Path("no/dir.map")), FileResult::CannotCreate);
  EXPECT_EQ(WriteAddrMapFile("/dev/full"), FileResult::WriteFailed);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Map File Error: Cannot Open Map File", "Map File Error: Invalid Map File!",
                                                  "Map File Error: Cannot Read from Map File!",
                                                  "Map File Error: Cannot Create Map File",
                                                  "Map File Error: Cannot Write to Map File"}));
}

// --- Data match file ---------------------------------------------------------

TEST_F(FilterFileTest, MatchValidationRewritesAndFindsTheBadCell) {
  MatchGrid g = ClearedMatchGrid();
  g.cells[0][0] = "f";
  g.cells[0][1] = "0ff";
  g.cells[0][2] = "x";
  g.cells[0][3] = "xx";
  g.cells[0][4] = "'a";
  g.cells[0][5] = "00000A";
  EXPECT_EQ(ValidateMatchGrid(g), -1);
  EXPECT_EQ(g.cells[0][0], "0F");
  EXPECT_EQ(g.cells[0][1], "FF");
  EXPECT_EQ(g.cells[0][2], "XX");
  EXPECT_EQ(g.cells[0][3], "XX");
  EXPECT_EQ(g.cells[0][4], "'a");
  EXPECT_EQ(g.cells[0][5], "0A");
  for (const char* bad : {"1FF", "", "'", "-1", " 1", "+1", "xX", "'ab", "G"}) {
    MatchGrid b = ClearedMatchGrid();
    b.cells[2][5] = bad;
    b.cells[3][0] = "1FF";
    EXPECT_EQ(ValidateMatchGrid(b), 2 * 8 + 5) << bad;
  }
}

TEST_F(FilterFileTest, MatchGridAppliesInStorageOrder) {
  MatchGrid g = ClearedMatchGrid();
  g.cells[1][2] = "'A";  // byte 2, alternative 3
  g.cells[0][0] = "10";
  g.conditions[1] = "N";
  g.protocolErrorDetect = true;
  ASSERT_EQ(ValidateMatchGrid(g), -1);
  ApplyMatchGrid(g);
  EXPECT_EQ(gDataFilter.MatchValues[2 * 8 + 1], 'A');
  EXPECT_EQ(GetMatchDataString().substr(0, 4), "10XX");
  EXPECT_EQ(GetMatchDataString().substr(32, 4), "XX'A");
  EXPECT_EQ(GetMatchConditionString(), "YNYYYYYY");
  EXPECT_TRUE(gDataFilter.ProtocolErrorDetect);
  EXPECT_FALSE(CheckDataFilter("1041"));
  EXPECT_TRUE(CheckDataFilter("1042"));
  // The settings value written from the window reads back to the same grid.
  const std::string value = GetMatchDataString();
  ResetDataFilter();
  ASSERT_TRUE(SetMatchDataString(value));
  EXPECT_EQ(AppliedMatchGrid().cells, g.cells);
}

TEST_F(FilterFileTest, MatchFileRoundTrip) {
  MatchGrid g = ClearedMatchGrid();
  g.cells[0][0] = "A5";
  g.cells[7][7] = "'z";
  ASSERT_TRUE(SetMatchConditionString("NYYYYYYN"));
  SetProtocolErrorDetect(true);
  const std::string name = dir_.Path("a.dmf");
  ASSERT_EQ(WriteMatchFile(name, g), FileResult::Done);
  const std::string text = ScratchDir::Read(name);
  EXPECT_NE(text.find(";Vantrel Data Match File\r\n;Ver 01.00\r\n"), std::string::npos);
  EXPECT_NE(text.find(";By: Tester\r\nA5XXXXXXXXXXXXXX\r\n"), std::string::npos);
  EXPECT_NE(text.find("XXXXXXXXXXXXXX'z\r\nMatchCondition=NYYYYYYN\r\nProtocolErrorDetect=True\r\n"), std::string::npos);

  ResetDataFilter();
  MatchGrid back = ClearedMatchGrid();
  ASSERT_EQ(ReadMatchFile(name, back), FileResult::Done);
  EXPECT_EQ(back.cells, g.cells);
  // Conditions and the flag take effect at once; the cells only on Accept.
  EXPECT_EQ(GetMatchConditionString(), "NYYYYYYN");
  EXPECT_TRUE(gDataFilter.ProtocolErrorDetect);
  EXPECT_EQ(back.conditions[0], "N");
  EXPECT_TRUE(back.protocolErrorDetect);
  EXPECT_EQ(GetMatchDataString(), std::string(128, 'X'));
  EXPECT_TRUE(LoadAndAcceptMatchFile(name));
  EXPECT_EQ(GetMatchDataString().substr(0, 2), "A5");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(FilterFileTest, MatchFileShortRowsAndBadValues) {
  // A short row leaves empty cells: validation then finds them.
  const std::string name = dir_.Write("short.dmf", Header("Data Match") + "10'A\r\n;c\r\n" + std::string(8, '\n'));
  MatchGrid g = ClearedMatchGrid();
  ASSERT_EQ(ReadMatchFile(name, g), FileResult::Done);
  EXPECT_EQ(g.cells[0][0], "10");
  EXPECT_EQ(g.cells[0][1], "'A");
  EXPECT_EQ(g.cells[0][2], "");
  EXPECT_EQ(ValidateMatchGrid(g), 2);
  EXPECT_FALSE(LoadAndAcceptMatchFile(name));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Message Data Filter Error: Invalid Match Data"});
  EXPECT_EQ(GetMatchDataString(), std::string(128, 'X'));

  // A short MatchCondition value is a read error; what came before stays.
  Messages().clear();
  std::string rows;
  for (int i = 0; i < 8; ++i) rows += "01XXXXXXXXXXXXXX\r\n";
  const std::string cond =
      dir_.Write("cond.dmf", Header("Data Match") + rows + "ProtocolErrorDetect=True\r\nMatchCondition=NNN\r\n");
  g = ClearedMatchGrid();
  EXPECT_EQ(ReadMatchFile(cond, g), FileResult::ReadFailed);
  EXPECT_EQ(g.cells[7][0], "01");
  EXPECT_TRUE(gDataFilter.ProtocolErrorDetect);
  EXPECT_EQ(GetMatchConditionString(), "YYYYYYYY");
  EXPECT_EQ(Messages(), std::vector<std::string>{"Match File Error: Cannot Read from Data Match File!"});
}

TEST_F(FilterFileTest, MatchFileFailuresAreReported) {
  MatchGrid g = ClearedMatchGrid();
  g.conditions[0] = "N";  // a pending edit that a failed load must keep
  EXPECT_EQ(ReadMatchFile(dir_.Path("none.dmf"), g), FileResult::CannotOpen);
  EXPECT_EQ(ReadMatchFile(dir_.Write("x.dmf", Header("Data match")), g), FileResult::Invalid);
  EXPECT_EQ(ReadMatchFile(dir_.Write("y.dmf", std::string(200000, '\0')), g), FileResult::Invalid);
  EXPECT_EQ(ReadMatchFile(dir_.Path(""), g), FileResult::ReadFailed);
  EXPECT_EQ(g.conditions[0], "N");
  EXPECT_EQ(WriteMatchFile(dir_.Path("no/x.dmf"), g), FileResult::CannotCreate);
  EXPECT_EQ(WriteMatchFile("/dev/full", g), FileResult::WriteFailed);
  EXPECT_FALSE(LoadAndAcceptMatchFile(dir_.Path("none.dmf")));
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "Match File Error: Cannot Open Data Match File", "Match File Error: Invalid Data Match File!",
                            "Match File Error: Invalid Data Match File!",
                            "Match File Error: Cannot Read from Data Match File!",
                            "Message Data Filter Error: Cannot Create Data Match File",
                            "Message Data Filter Error: Cannot Write to Data Match File",
                            "Match File Error: Cannot Open Data Match File"}));
}

}  // namespace
}  // namespace vantrel::test
