// The pod's options as the user sets them: the threshold window's rules, the
// trigger out grids and file, and what a trace start then sends to the pod.
#include <gtest/gtest.h>

#include "PodTestSupport.h"
#include "app/HeadlessMainWindow.h"
#include "common/Reports.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pod/PodStatus.h"
#include "pod/Threshold.h"
#include "pod/TriggerOut.h"
#include "settings/Settings.h"

namespace vantrel::test {
namespace {

using Choice = ThresholdWindow::Choice;

TEST(ThresholdWindowTest, PresetsSpinAndOk) {
  gPodOptions.Threshold = 250;
  ThresholdWindow w = ThresholdShow();
  EXPECT_EQ(w.choice, Choice::Ttl5V);
  EXPECT_EQ(w.text, "2.50");
  EXPECT_FALSE(w.spinVisible);
  ThresholdChoose(w, Choice::Custom);
  EXPECT_TRUE(w.spinVisible);
  ThresholdSpin(w, true);
  EXPECT_EQ(w.text, "2.50");  // at most 2.5 V
  for (int i = 0; i < 21; ++i) ThresholdSpin(w, false);
  EXPECT_EQ(w.text, "0.50");  // at least 0.5 V
  for (int i = 0; i < 17; ++i) ThresholdSpin(w, true);
  EXPECT_EQ(w.text, "2.20");
  // A preset does not reset the working value.
  ThresholdChoose(w, Choice::Logic33V);
  EXPECT_EQ(w.text, "1.50");
  ThresholdChoose(w, Choice::Custom);
  EXPECT_EQ(w.text, "1.50");
  ThresholdSpin(w, false);
  EXPECT_EQ(w.text, "2.10");
  ThresholdOk(w);
  EXPECT_EQ(gPodOptions.Threshold, 210u);
  ThresholdChoose(w, Choice::Logic33V);
  ThresholdOk(w);
  EXPECT_EQ(gPodOptions.Threshold, 150u);
  w = ThresholdShow();
  EXPECT_EQ(w.choice, Choice::Logic33V);
  gPodOptions.Threshold = 120;
  w = ThresholdShow();
  EXPECT_EQ(w.choice, Choice::Custom);
  EXPECT_EQ(w.text, "1.20");
  EXPECT_TRUE(w.spinVisible);
  gPodOptions.Threshold = 250;
}

class Recorder : public ReportSeam {
 public:
  void ShowMessage(std::string_view text, std::string_view title) override {
    messages.push_back(std::string(title) + ": " + std::string(text));
  }
  bool AskOkCancel(std::string_view, std::string_view) override { return true; }
  std::string UserName() override { return "Tester"; }
  void Beep() override {}
  std::vector<std::string> messages;
};

class TriggerOutTest : public PodTest {
 protected:
  void SetUp() override {
    PodTest::SetUp();
    SetReports(&recorder_);
    RestoreDefaultTriggerOut();
  }
  void TearDown() override {
    SetReports(nullptr);
    RestoreDefaultTriggerOut();
    PodTest::TearDown();
  }
  static std::string File(const std::string& body) {
    return ";Orbisan Corporation\r\n;Vantrel Trigger Out File\r\n;Ver 01.00\r\n;Created: x\r\n;By: y\r\n" + body;
  }
  Recorder recorder_;
};

TEST_F(TriggerOutTest, GridsShowAndTakeTheValues) {
  TriggerOutGrid g = ShowTriggerOut();
  EXPECT_EQ(g.code, 0);
  for (const auto& row : g.bits) EXPECT_EQ(std::string(row.begin(), row.end()), "XXXXXXXX");
  EXPECT_TRUE(g.position[0]);
  EXPECT_FALSE(g.position[1]);
  // Address 0x16, write: bits 7..1 given, bit 0 (R/W) '0'; the next byte don't care.
  const std::string address = "00010110";
  std::copy(address.begin(), address.end(), g.bits[0].begin());
  g.bits[1][0] = NextBitCell(g.bits[1][0]);  // X -> 0
  g.bits[1][1] = NextBitCell(NextBitCell(g.bits[1][1]));  // X -> 0 -> 1
  g.position = {};
  g.position[1] = true;
  g.code = 5;
  TakeTriggerOut(g);
  EXPECT_EQ(gTriggerOut.PatternMem[0], 0x16);
  EXPECT_EQ(gTriggerOut.DontCareMem[0], 0x00);
  EXPECT_EQ(gTriggerOut.PatternMem[1], 0x40);
  EXPECT_EQ(gTriggerOut.DontCareMem[1], 0x3F);
  EXPECT_EQ(gTriggerOut.TrigPosMem[0], 0);
  EXPECT_EQ(gTriggerOut.TrigPosMem[1], 1);
  EXPECT_EQ(gPodOptions.TrigCode, 5u);
  // Don't-care wins over a pattern bit; codes beyond 5 select no button.
  gTriggerOut.PatternMem[2] = 0x80;
  gTriggerOut.DontCareMem[2] = 0x80;
  gPodOptions.TrigCode = 9;
  g = ShowTriggerOut();
  EXPECT_EQ(g.bits[2][0], 'X');
  EXPECT_EQ(g.code, -1);
  TakeTriggerOut(g);
  EXPECT_EQ(gPodOptions.TrigCode, 9u);
  EXPECT_EQ(NextBitCell('1'), 'X');
}

TEST_F(TriggerOutTest, TheTriggerFileRoundTripsAndIsReadWithCare) {
  TriggerOutGrid g = ShowTriggerOut();
  g.code = 3;
  g.bits[4] = {'1', '0', 'X', '1', '0', 'X', '1', '0'};
  g.position = {};
  g.position[15] = true;
  const std::string path = WriteScratch("Vantrel.trg", "");
  ASSERT_EQ(WriteTriggerFile(path, g), FileResult::Done);
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.rfind(";Orbisan Corporation\r\n;Vantrel Trigger Out File\r\n;Ver 01.00\r\n;Created: ", 0), 0u);
  EXPECT_NE(text.find("\r\n;By: Tester\r\n3\r\nXXXXXXXX\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n10X10X10\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 18), "0000000000000001\r\n");
  TriggerOutGrid back = ShowTriggerOut();
  ASSERT_EQ(ReadTriggerFile(path, back), FileResult::Done);
  EXPECT_EQ(back.bits, g.bits);
  EXPECT_EQ(back.position, g.position);
  EXPECT_EQ(back.code, 3);
  EXPECT_EQ(gPodOptions.TrigCode, 0u);  // the values change at OK or Accept only

  // Comment lines between the rows; a code out of range loads as None.
  std::string rows;
  for (int r = 0; r < 16; ++r) rows += ";row\r\n" + std::string(r == 4 ? "10X10X10" : "XXXXXXXX") + "\r\n";
  const std::string commented = WriteScratch("c.trg", File("; code\r\n7\r\n" + rows + "0000000000000001\r\n"));
  ASSERT_EQ(ReadTriggerFile(commented, back), FileResult::Done);
  EXPECT_EQ(back.bits, g.bits);
  EXPECT_EQ(back.code, 0);
  EXPECT_TRUE(recorder_.messages.empty());

  // Short files and lines; other files; no file.
  TriggerOutGrid damaged = ShowTriggerOut();
  EXPECT_EQ(ReadTriggerFile(WriteScratch("s.trg", File("1\r\n10X1\r\n")), damaged), FileResult::ReadFailed);
  EXPECT_EQ(ReadTriggerFile(WriteScratch("e.trg", File("1\r\n" + rows)), damaged), FileResult::ReadFailed);
  EXPECT_EQ(ReadTriggerFile(WriteScratch("a.trg", ";Orbisan Corporation\r\n;Vantrel Alias File\r\n"), damaged),
            FileResult::Invalid);
  EXPECT_EQ(ReadTriggerFile(WriteScratch("b.trg", std::string("\0\xff\x01", 3)), damaged), FileResult::Invalid);
  EXPECT_EQ(ReadTriggerFile((dir_ / "none.trg").string(), damaged), FileResult::CannotOpen);
  EXPECT_EQ(WriteTriggerFile((dir_ / "no" / "x.trg").string(), g), FileResult::CannotCreate);
  EXPECT_EQ(WriteTriggerFile("/dev/full", g), FileResult::WriteFailed);
  const std::string t = "Trigger Out Setup Error: ";
  EXPECT_EQ(recorder_.messages,
            (std::vector<std::string>{t + "Cannot Read from Trigger Out Setup File!",
                                      t + "Cannot Read from Trigger Out Setup File!", t + "Invalid Trigger Out Setup File!",
                                      t + "Invalid Trigger Out Setup File!", t + "Cannot Open Trigger Out File",
                                      t + "Cannot Create Trigger Out File", t + "Cannot Write to Trigger Out File"}));
}

// What the windows set reaches the pod when Trace is pressed.
TEST_F(TriggerOutTest, TraceStartSendsTheOptionsTheWindowsSet) {
  HeadlessMainWindow window;
  window.realWaits = false;
  CreatePodStatusMutex();
  ConnectDecoder();
  RestoreDefaultSettings();
  gTraceFiles = {};
  Connect(Transport::Board);
  gPodSelection.configPath = ShippedImage();
  PodInitialized = gPod.InitializePod(ShippedImage());
  ASSERT_TRUE(PodInitialized);

  TriggerOutGrid g = ShowTriggerOut();
  g.code = 1;
  g.bits[0] = {'1', '0', '1', '0', '0', '0', '0', 'X'};
  TakeTriggerOut(g);
  ThresholdWindow w = ThresholdShow();
  ThresholdChoose(w, Choice::Logic33V);
  ThresholdOk(w);
  gPodOptions.ExtTrigger = true;  // Trace Control: "Trigger In"
  gTraceOptions.EnableBitTiming = true;

  TraceButtonClick();
  const SoftwarePod::State s = pod_->Snapshot();
  HaltButtonClick();
  EXPECT_EQ(s.pattern[0], 0xA0);
  EXPECT_EQ(s.dontCare[0], 0x01);
  EXPECT_EQ(s.dontCare[1], 0xFF);
  EXPECT_EQ(s.position[0], 1);
  EXPECT_EQ(s.trigCode, 0x08);  // starts
  EXPECT_EQ(s.threshold, 150);
  EXPECT_TRUE(s.bitTiming);
  EXPECT_TRUE(s.armedForTrigger);
  EXPECT_FALSE(s.recording);  // waits for Trigger In
  RestoreDefaultSettings();
}

}  // namespace
}  // namespace vantrel::test
