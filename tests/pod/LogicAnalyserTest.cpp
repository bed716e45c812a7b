// A logic analyser as the pod, with the library's own session-file playback
// standing in for the device: Select Pod Interface lists it, the settings
// file chooses it, and a live trace from it shows the same lines as the
// capture imported and replayed.
#include <gtest/gtest.h>

#include <algorithm>

#include "LiveTraceSupport.h"
#include "pod/InterfaceSelection.h"
#include "pod/LogicAnalyser.h"
#include "pod/LogicCapture.h"

namespace vantrel::test {
namespace {

const std::string kCapture = VANTREL_CAPTURES "/samsung_syncmaster203b.sr";
// Channels named SCL and SDA, 8th and 7th of eight; a few hundred messages.
const std::string kExpander = VANTREL_CAPTURES "/mcp23017_counter_init_ab_write_read.sr";

// The message lines of the capture as vantrel-import and a replay give them.
std::vector<std::string> ImportedLines() {
  std::vector<TraceWord> words;
  EXPECT_TRUE(ImportLogicCapture(kExpander, {}, [&](TraceWord w) { words.push_back(w); }).ok);
  return DecodedLines(words);
}

class LogicAnalyserTest : public LiveTest {
 protected:
  void SetUp() override {
    LiveTest::SetUp();
    HaltWhen([this] { return shown_.size() >= wanted_; });
    StartProgram();
  }
  void TearDown() override {
    LiveTest::TearDown();
    gLogicAnalyser = {};
  }

  std::size_t wanted_ = 0;
};

TEST_F(LogicAnalyserTest, ChosenInTheSettingsFileAndListed) {
  const std::string vps = WriteScratch("analyser.vps", ";Orbisan Corporation\r\n;Vantrel Setup File\r\nInterfaceType=iLA\r\n"
                                                      "LogicAnalyserDevice=" + kCapture +
                                                      "\r\nLogicAnalyserSCL=scl\r\nLogicAnalyserSDA=sda\r\n"
                                                      "LogicAnalyserRate=1000000\r\n");
  ASSERT_TRUE(LoadSettingsFile(vps));
  EXPECT_EQ(gPodSelection.InterfaceType, InterfaceKind::LogicAnalyser);
  EXPECT_EQ(gLogicAnalyser.device, kCapture);
  EXPECT_EQ(gLogicAnalyser.scl, "scl");
  EXPECT_EQ(gLogicAnalyser.sampleRateHz, 1'000'000u);
  // Saved and loaded back the same.
  const std::string saved = (dir_ / "saved.vps").string();
  ASSERT_TRUE(SaveSettingsFile(saved));
  RestoreDefaultSettings();
  EXPECT_EQ(gLogicAnalyser.device, "fx2lafw");
  ASSERT_TRUE(LoadSettingsFile(saved));
  EXPECT_EQ(gLogicAnalyser.device, kCapture);
  EXPECT_EQ(gLogicAnalyser.sda, "sda");
  EXPECT_EQ(InterfaceText(), "Logic Analyser");

  const PortselState shown = PortselShow([] {});
  EXPECT_NE(std::find(shown.entries.begin(), shown.entries.end(), "Logic Analyser"), shown.entries.end());
  EXPECT_EQ(shown.entries[static_cast<std::size_t>(shown.selected)], "Logic Analyser");
  // A device the library cannot find is not offered.
  gLogicAnalyser.device = "no-such-driver";
  const PortselState without = PortselShow([] {});
  EXPECT_EQ(std::find(without.entries.begin(), without.entries.end(), "Logic Analyser"), without.entries.end());
  std::vector<std::string> lines;
  EXPECT_FALSE(ListLogicAnalyser(lines));
}

TEST_F(LogicAnalyserTest, ALiveTraceShowsWhatTheImportShows) {
  const std::vector<std::string> expected = ImportedLines();
  ASSERT_GT(expected.size(), 100u);
  gLogicAnalyser.device = kExpander;
  gLogicAnalyser.scl = "scl";  // names in any case
  gLogicAnalyser.sda = "Sda";
  gPodSelection.InterfaceType = InterfaceKind::LogicAnalyser;
  KindOps(InterfaceKind::LogicAnalyser)->Install();
  PodInitialized = gPod.InitializePod("");
  ASSERT_TRUE(PodInitialized);
  wanted_ = expected.size();
  TraceButtonClick();
  EXPECT_EQ(CurrentTraceMode(), TraceMode::Live);
  window_->Run();
  EXPECT_EQ(shown_, expected);
  EXPECT_EQ(CurrentTraceMode(), TraceMode::Idle);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
}

TEST_F(LogicAnalyserTest, AMissingChannelIsReportedAndTheTraceHalts) {
  gLogicAnalyser.device = kCapture;
  gLogicAnalyser.scl = "CLK";
  KindOps(InterfaceKind::LogicAnalyser)->Install();
  PodInitialized = gPod.InitializePod("");
  ASSERT_TRUE(PodInitialized);
  wanted_ = 1;
  window_->onMessage = [this](std::string_view text, std::string_view title) {
    reports_.push_back(std::string(title) + ": " + std::string(text));
    window_->PostToMainThread([] { HaltButtonClick(); });
  };
  TraceButtonClick();
  window_->Run();
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0], "Pod Interface Report: Logic Analyser Has No Channel CLK");
  EXPECT_TRUE(shown_.empty());
}

}  // namespace
}  // namespace vantrel::test
