// The settings file as users meet it: every option survives Save then Load,
// Load's rules for hand-edited files, the read-error rule and the messages,
// Restore Default with the pod released.
#include <gtest/gtest.h>

#include <random>

#include "FilterTestSupport.h"
#include "analysis/Revisions.h"
#include "decode/DisplayOptions.h"
#include "filters/AddressFilter.h"
#include "filters/AliasFile.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pod/PodInterface.h"
#include "settings/Settings.h"

namespace vantrel::test {
namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetReports(&window_);
    ConnectDecoder();
    InstallDefaultPodInterface();
    RestoreDefaultSettings();
    SetAliasFileName("");
  }
  void TearDown() override {
    RestoreDefaultSettings();
    SetReports(nullptr);
  }
  // Loads a file whose lines follow the header.
  bool Load(const std::string& lines) {
    return LoadSettingsFile(dir_.Write("Vantrel.vps", std::string(";Orbisan Corporation\r\n;Vantrel Setup File\r\n") + lines));
  }

  RecordingWindow window_;
  ScratchDir dir_;
};

// Every option the file holds, set at random.
void RandomOptions(std::mt19937& rng, const std::string& aliasFile) {
  auto pick = [&](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };
  auto coin = [&] { return pick(2) == 1; };
  gPodSelection.InterfaceType = static_cast<InterfaceKind>(pick(4));
  gPodSelection.ULBoardNum = gPodSelection.InterfaceType == InterfaceKind::Usb ? static_cast<std::int32_t>(pick(100000000))
                             : gPodSelection.InterfaceType == InterfaceKind::Board ? static_cast<std::int32_t>(pick(10))
                                                                                   : 0;
  gPodOptions.Threshold = 50 + pick(201);
  gPodOptions.ExtTrigger = coin();
  gPodOptions.TrigCode = pick(1000);
  for (auto* m : {&gTriggerOut.PatternMem, &gTriggerOut.DontCareMem, &gTriggerOut.TrigPosMem}) {
    for (auto& b : *m) b = static_cast<std::uint8_t>(pick(256));
  }
  gTraceOptions.EnableBitTiming = coin();
  const DataProtocol formats[] = {DataProtocol::BIN, DataProtocol::ASCII, DataProtocol::HEX,
                                  DataProtocol::SBS, DataProtocol::CD,    DataProtocol::Raw};
  gDisplay.Protocol = formats[pick(6)];
  gWindowOptions.ShowHints = coin();
  gTraceOptions.LogReadAutoPause = coin();
  gTraceOptions.KeepWholeTrace = coin();
  gWindowOptions.CharPerLine = 40 + pick(211);
  for (bool* b : {&gDisplay.DisplayStart, &gDisplay.DisplayStop, &gDisplay.DisplayRW, &gDisplay.DisplayAck,
                  &gDisplay.DisplayNack, &gDisplay.DisplayStartTime, &gDisplay.DisplayByteTime, &gDisplay.ByteTimeEnabled,
                  &gDisplay.DisplayAbsTime, &gDisplay.DisplayFilter, &gDisplay.DisplayBitRate, &gDisplay.PECChecked,
                  &gDisplay.PECEnabled, &gDataFilter.ProtocolErrorDetect})
    *b = coin();
  for (std::uint32_t* r : {&gRevisions.SMBusRev, &gRevisions.SBDataRev, &gRevisions.SBChargerRev, &gRevisions.SBSelectorRev})
    *r = pick(1000);
  std::string map;
  for (int a = 0; a < 128; ++a) map += "0123456789ABCDEF"[pick(16)];
  SetAddrMapString(map);
  std::string match;
  for (int c = 0; c < 64; ++c) {
    switch (pick(3)) {
      case 0: match += "XX"; break;
      case 1: match += {"0123456789ABCDEF"[pick(16)], "0123456789ABCDEF"[pick(16)]}; break;
      default: match += {'\'', static_cast<char>('a' + pick(26))}; break;
    }
  }
  ASSERT_TRUE(SetMatchDataString(match));
  std::string conditions;
  for (int c = 0; c < 8; ++c) conditions += coin() ? 'Y' : 'N';
  ASSERT_TRUE(SetMatchConditionString(conditions));
  // Restore Default keeps the remembered alias file; a round without one forgets it.
  SetAliasFileName("");
  if (coin()) {
    LoadAliasFileByName(aliasFile);
    ASSERT_EQ(AliasFileName(), aliasFile);
  }
  gSpoolChoice = {static_cast<int>(pick(2)), static_cast<int>(pick(4)), static_cast<int>(pick(4))};
}

TEST_F(SettingsFileTest, EveryOptionSurvivesSaveThenLoad) {
  AliasGrid aliases;
  for (int a = 0; a < 128; ++a) aliases[a] = "dev" + std::to_string(a);
  const std::string aliasFile = dir_.Path("mine.als");
  ASSERT_EQ(WriteAliasFile(aliasFile, aliases), FileResult::Done);
  const std::string path = dir_.Path("Vantrel.vps");
  std::mt19937 rng(20261207);
  for (int round = 0; round < 200; ++round) {
    RestoreDefaultSettings();
    RandomOptions(rng, aliasFile);
    const std::vector<std::string> saved = SettingsLines();
    const DisplayOptions display = gDisplay;
    const SpoolChoice spool = gSpoolChoice;
    const std::string alias5 = AliasText(5);
    ASSERT_TRUE(SaveSettingsFile(path));
    RestoreDefaultSettings();
    ASSERT_TRUE(LoadSettingsFile(path)) << "round " << round;
    EXPECT_EQ(SettingsLines(), saved) << "round " << round;
    // The options behind the lines, for the ones a line could hide.
    EXPECT_EQ(gDisplay.Protocol, display.Protocol) << "round " << round;
    EXPECT_EQ(gDisplay.ByteTimeEnabled, display.ByteTimeEnabled);
    EXPECT_EQ(gDisplay.PECEnabled, display.PECEnabled);
    EXPECT_EQ(gSpoolChoice.deviceItem, spool.deviceItem);
    EXPECT_EQ(spool.deviceItem == 1 ? gSpoolChoice.fileSizeItem : gSpoolChoice.bufferSizeItem,
              spool.deviceItem == 1 ? spool.fileSizeItem : spool.bufferSizeItem);
    EXPECT_EQ(AliasText(5), alias5);
  }
  EXPECT_TRUE(window_.messages.empty());
}

TEST_F(SettingsFileTest, DefaultsAreWrittenInTheFileLayout) {
  ASSERT_TRUE(SaveSettingsFile(dir_.Path("Vantrel.vps")));
  const std::string file = ScratchDir::Read(dir_.Path("Vantrel.vps"));
  const std::string head = ";Orbisan Corporation\r\n;Vantrel Setup File\r\n;Ver 01.00\r\n;Created: ";
  ASSERT_EQ(file.rfind(head, 0), 0u);
  const std::size_t by = file.find("\r\n;By: Tester\r\n");
  ASSERT_NE(by, std::string::npos);
  EXPECT_EQ(by, head.size() + std::string("05-Dec-2026 at 15:34").size());
  EXPECT_EQ(file.substr(by + 15),
            "InterfaceType=iNone\r\nULBoardNum=0\r\nThreshold=250\r\nExtTrigger=False\r\nTrigCode=0\r\n"
            "PatternMem=00000000000000000000000000000000\r\nDontCareMem=FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\r\n"
            "TrigPosMem=01000000000000000000000000000000\r\nMenuSetupEnableBitTiming=False\r\n"
            "DisplayASCII=False\r\nDisplayHEX=True\r\nDisplaySBS=False\r\nDisplayCD=False\r\nDisplayRaw=False\r\n"
            "ShowHints=True\r\nLogFileReadAutopause=False\r\nCharPerLine=250\r\nDisplayStart=True\r\n"
            "DisplayStop=True\r\nDisplayRW=True\r\nDisplayAck=False\r\nDisplayNack=True\r\nDisplayStartTime=False\r\n"
            "DisplayByteTime=False\r\nByteTimeEnabled=True\r\nDisplayAbsTime=True\r\nDisplayFilter=True\r\n"
            "DisplayBitRate=False\r\nPECChecked=False\r\nPECEnabled=False\r\nSMBusRev=0\r\nSBDataRev=0\r\n"
            "SBChargerRev=0\r\nSBSelectorRev=0\r\nAddrMap=" + std::string(128, '1') + "\r\nMatchData=" +
                std::string(128, 'X') + "\r\nMatchCondition=YYYYYYYY\r\nProtocolErrorDetect=False\r\n"
                "AliasFileName=\r\nSpoolType=RAM,    100KB\r\n");
  // The simulator and a disk spool have their lines too.
  gPodSelection.InterfaceType = InterfaceKind::Simulator;
  gSpoolChoice = {1, 0, 3};
  const std::vector<std::string> lines = SettingsLines();
  EXPECT_EQ(lines.front(), "InterfaceType=iSIM");
  EXPECT_EQ(lines.back(), "SpoolType=DISK,    1GB");
  // Keep Whole Trace is written only while on; a file without it means off.
  gTraceOptions.KeepWholeTrace = true;
  EXPECT_EQ(SettingsLines().back(), "KeepWholeTrace=True");
  ASSERT_TRUE(LoadSettingsFile(dir_.Path("Vantrel.vps")));
  EXPECT_FALSE(gTraceOptions.KeepWholeTrace);
}

TEST_F(SettingsFileTest, HandEditedFilesFollowTheLoadRules) {
  // Only some keys, in any order, anything after the value, comments anywhere.
  ASSERT_TRUE(Load("DisplayAck=it is True\r\n;DisplayStop=False\r\nThreshold=150\r\nDisplayStartTime=True\r\n"));
  EXPECT_TRUE(gDisplay.DisplayAck);
  EXPECT_TRUE(gDisplay.DisplayStop);
  EXPECT_TRUE(gDisplay.DisplayStartTime);
  EXPECT_TRUE(gDisplay.DisplayStart);  // untouched: the StartTime line never sets Start
  EXPECT_EQ(gPodOptions.Threshold, 150u);
  ASSERT_TRUE(Load("DisplayStartTime=False\r\n"));
  EXPECT_TRUE(gDisplay.DisplayStart);
  // Ranges: the last value in range wins.
  ASSERT_TRUE(Load("Threshold=49\r\nThreshold=251\r\nCharPerLine=39\r\nCharPerLine=40\r\nThreshold=x\r\n"));
  EXPECT_EQ(gPodOptions.Threshold, 150u);
  EXPECT_EQ(gWindowOptions.CharPerLine, 40u);
  // Board numbers 0..9 of three characters at most.
  ASSERT_TRUE(Load("InterfaceType=iCBW\r\nULBoardNum=7\r\nULBoardNum=12\r\nULBoardNum=1234\r\n"));
  EXPECT_EQ(gPodSelection.InterfaceType, InterfaceKind::Board);
  EXPECT_EQ(gPodSelection.ULBoardNum, 7);
  ASSERT_TRUE(Load("InterfaceType=nothing known\r\nInterfaceType=iSIM\r\n"));
  EXPECT_EQ(gPodSelection.InterfaceType, InterfaceKind::Simulator);
  // Address maps of the wrong length change nothing.
  ASSERT_TRUE(Load("AddrMap=" + std::string(127, '0') + "\r\nAddrMap=" + std::string(129, '0') + "\r\n"));
  EXPECT_EQ(gAddrFilter.AddrMap[0], RW_AN);
  // Spool sizes: the last one found wins; "10MB" is not in "100MB".
  ASSERT_TRUE(Load("SpoolType=RAM,    1MB\r\n"));
  EXPECT_EQ(gSpoolChoice.deviceItem, 0);
  EXPECT_EQ(gSpoolChoice.bufferSizeItem, 3);
  ASSERT_TRUE(Load("SpoolType=DISK,    100MB\r\n"));
  EXPECT_EQ(gSpoolChoice.deviceItem, 1);
  EXPECT_EQ(gSpoolChoice.fileSizeItem, 1);
  ASSERT_TRUE(Load("TrigPosMem=0G05\r\nExtTrigger=True\r\nMenuSetupEnableBitTiming=True\r\nTrigCode=999\r\n"));
  EXPECT_EQ(gTriggerOut.TrigPosMem[0], 0);  // not hex
  EXPECT_EQ(gTriggerOut.TrigPosMem[1], 5);
  EXPECT_EQ(gTriggerOut.TrigPosMem[2], 0);  // missing
  EXPECT_TRUE(gPodOptions.ExtTrigger);
  EXPECT_TRUE(gTraceOptions.EnableBitTiming);
  EXPECT_EQ(gPodOptions.TrigCode, 999u);
  EXPECT_TRUE(window_.messages.empty());
}

TEST_F(SettingsFileTest, ChoicesThatWereLostAreTakenBack) {
  // BIN has no key of its own: a file saved with it names no format.
  SelectDataProtocol(DataProtocol::BIN);
  gDisplay.ByteTimeEnabled = false;
  ASSERT_TRUE(SaveSettingsFile(dir_.Path("bin.vps")));
  RestoreDefaultSettings();
  ASSERT_TRUE(LoadSettingsFile(dir_.Path("bin.vps")));
  EXPECT_EQ(gDisplay.Protocol, DataProtocol::BIN);
  EXPECT_FALSE(gDisplay.ByteTimeEnabled);  // as saved, not as a click would leave it
  // A USB adapter's serial is a number of any length.
  ASSERT_TRUE(Load("InterfaceType=iVNTUA\r\nULBoardNum=12345678\r\n"));
  EXPECT_EQ(gPodSelection.InterfaceType, InterfaceKind::Usb);
  EXPECT_EQ(gPodSelection.ULBoardNum, 12345678);
  ASSERT_TRUE(Load("ULBoardNum=-5\r\nULBoardNum=x\r\n"));
  EXPECT_EQ(gPodSelection.ULBoardNum, 12345678);
  // Another interface named after the serial takes no serial for its board.
  ASSERT_TRUE(Load("InterfaceType=iCBW\r\n"));
  EXPECT_EQ(gPodSelection.ULBoardNum, 0);
  ASSERT_TRUE(Load("InterfaceType=iVNTUA\r\nULBoardNum=1234\r\nInterfaceType=iSIM\r\nULBoardNum=7\r\n"));
  EXPECT_EQ(gPodSelection.ULBoardNum, 7);
}

TEST_F(SettingsFileTest, AReadErrorKeepsWhatWasAppliedAndStops) {
  EXPECT_FALSE(Load("DisplayAck=True\r\nMatchCondition=YYY\r\nDisplayNack=False\r\n"));
  EXPECT_TRUE(gDisplay.DisplayAck);
  EXPECT_TRUE(gDisplay.DisplayNack);
  EXPECT_FALSE(Load("DisplayBitRate=True\r\nTrigCode=-1\r\nDisplayRW=False\r\n"));
  EXPECT_TRUE(gDisplay.DisplayBitRate);
  EXPECT_TRUE(gDisplay.DisplayRW);
  EXPECT_FALSE(Load("MatchData=" + std::string(100, 'X') + "\r\n"));
  EXPECT_EQ(window_.messages, std::vector<std::string>(3, "Setup File Error: Cannot Read from Setup File Vantrel.vps!"));
  // An alias file that cannot be read is reported by the alias file; Load goes on.
  window_.messages.clear();
  EXPECT_TRUE(Load("AliasFileName=" + dir_.Path("missing.als") + "\r\nDisplayAck=False\r\n"));
  EXPECT_FALSE(gDisplay.DisplayAck);
  EXPECT_EQ(window_.messages, std::vector<std::string>{"Alias File Error: Cannot Open Alias File"});
}

// Found by fuzzing: a NUL in a file name named the file before it, and the
// rest of the name came back as settings text at the next load.
TEST_F(SettingsFileTest, ANameWithANulNamesNoFile) {
  AliasGrid aliases;
  aliases.fill("dev");
  ASSERT_EQ(WriteAliasFile(dir_.Path("a.als"), aliases), FileResult::Done);
  EXPECT_TRUE(Load("AliasFileName=" + dir_.Path("a.als") + std::string(1, '\0') + " DisplayStart=False\r\n"));
  EXPECT_EQ(AliasFileName(), "");
  EXPECT_EQ(AliasText(1), DefaultAliasText(1));
  EXPECT_EQ(window_.messages, std::vector<std::string>{"Alias File Error: Cannot Open Alias File"});
  EXPECT_FALSE(SaveSettingsFile(dir_.Path("x.vps") + std::string(1, '\0') + "y"));
}

TEST_F(SettingsFileTest, FilesThatCannotBeOpenedOrWritten) {
  // No file in the data folder nor in the current one: nothing, silently.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_.Path(""));
  LoadSettings(dir_.Path("nowhere/"));
  EXPECT_TRUE(window_.messages.empty());
  // The current folder's file when the data folder has none.
  dir_.Write("Vantrel.vps", "DisplayAck=True\r\n");
  LoadSettings(dir_.Path("nowhere/"));
  EXPECT_TRUE(gDisplay.DisplayAck);
  std::filesystem::current_path(cwd);

  EXPECT_FALSE(LoadSettingsFile(dir_.Path("")));  // a folder
  EXPECT_FALSE(SaveSettingsFile(dir_.Path("nowhere/Vantrel.vps")));
  EXPECT_FALSE(SaveSettingsFile("/dev/full"));
  const std::string folder = std::filesystem::path(dir_.Path("")).filename().string();
  EXPECT_EQ(window_.messages, (std::vector<std::string>{"Setup File Error: Cannot Read from Setup File " + folder + "!",
                                                        "Setup File Error: Cannot Create Setup File",
                                                        "Setup File Error: Cannot Write to Setup File"}));
}

int gStops = 0, gReleases = 0;

TEST_F(SettingsFileTest, RestoreDefaultReleasesThePodAndResetsEveryOption) {
  gPod.StopPodTrace = [] { ++gStops; };
  gPod.ReleaseInterface = [] { ++gReleases; };
  PodInitialized = true;
  gTraceOptions.EnableBitTiming = gTraceOptions.LogReadAutoPause = true;
  gWindowOptions.ShowHints = false;
  gPodSelection = {InterfaceKind::Usb, 1234, ""};
  gPodOptions = {true, 5, 150};
  SelectDataProtocol(DataProtocol::SBS);
  gDisplay.PECChecked = true;
  RestoreDefaultSettings();
  EXPECT_EQ(gStops, 1);
  EXPECT_EQ(gReleases, 1);
  EXPECT_FALSE(PodInitialized);
  EXPECT_FALSE(gTraceOptions.EnableBitTiming || gTraceOptions.LogReadAutoPause);
  EXPECT_TRUE(gWindowOptions.ShowHints);
  EXPECT_EQ(gPodSelection.InterfaceType, InterfaceKind::None);
  EXPECT_EQ(gPodSelection.ULBoardNum, 0);
  EXPECT_EQ(gDisplay.Protocol, DataProtocol::HEX);
  EXPECT_FALSE(gDisplay.PECChecked || gDisplay.PECEnabled);
  // Load releases it too, whether or not a file is there.
  PodInitialized = true;
  LoadSettings(dir_.Path("nowhere/"));
  EXPECT_EQ(gReleases, 2);
  EXPECT_FALSE(PodInitialized);
  InstallDefaultPodInterface();
}

}  // namespace
}  // namespace vantrel::test
