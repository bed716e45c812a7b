// The trace pipeline end to end: trace start, the parser thread, the display
// loop and halt, driven by a headless main window on the test's thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "FakePod.h"
#include "GoldenDiff.h"
#include "FileTestSupport.h"
#include "decode/ParseAH.h"
#include "settings/Settings.h"
#include "pipeline/DisplayFile.h"
#include "pipeline/DisplayLoop.h"
#include "app/HeadlessMainWindow.h"
#include "pipeline/LogFile.h"
#include "pipeline/Replay.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pipeline/WholeTrace.h"
#include "analysis/MessageViews.h"
#include "pod/PodStatus.h"
#include "pod/TraceWordAssembler.h"
#include "tracegen/TraceGen.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

class Collect final : public LineSink {
 public:
  bool Line(std::string_view line) override {
    lines.emplace_back(line);
    return true;
  }
  std::vector<std::string> lines;
};

class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vantrel-pipe-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    window_.realWaits = false;
    window_.onMessage = [this](std::string_view text, std::string_view title) {
      messages_.push_back({std::string(text), std::string(title)});
    };
    window_.onDisplayLine = [this](std::string_view text, bool message) {
      (message ? shown_ : everything_).emplace_back(text);
    };
    CreatePodStatusMutex();
    ConnectDecoder();
    gTraceOptions = {};
    FakePod::Reset();
    InstallDefaultPodInterface();
    PodInitialized = false;
    RestoreDefaultSettings();
    gTraceFiles = {};
    gSpoolChoice = {};
  }
  void TearDown() override {
    HaltButtonClick();
    gTraceOptions.KeepWholeTrace = false;
    ClearDisplayButtonClick();
    fs::remove_all(dir_);
  }

  // Messages of n write messages to 0x50, with two data bytes each.
  std::string MakeLog(const std::string& name, int n, const std::vector<std::string>& extraComments = {}) {
    const std::string path = (dir_ / name).string();
    LogWriter log(path, "06-Dec-2026 at 09:00", "Test");
    TraceBuilder bus({}, [&](TraceWord w) { log.Write(w); });
    for (int i = 0; i < n; ++i) {
      bus.Write(0x50, {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8)});
      bus.Gap(100);
    }
    log.Close("06-Dec-2026 at 09:01");
    (void)extraComments;
    return path;
  }
  std::vector<std::string> Direct(const std::string& log) {
    Collect c;
    ReplayCounts counts;
    EXPECT_TRUE(ReplayLogDirect(log, c, counts));
    return c.lines;
  }
  void Replay(const std::string& log) {
    gTraceFiles.logReadName = log;
    TraceButtonClick();
    window_.Run();
  }

  TraceControls Controls() const { return TraceControlsOf(window_.mode); }

  fs::path dir_;
  HeadlessMainWindow window_;
  std::vector<Message> messages_;
  std::vector<std::string> shown_, everything_;  // message lines / other lines, in order
};

TEST_F(PipelineTest, ReplayGivesTheDirectDecodeAndEndsCleanly) {
  for (const char* example : {"smart-battery.log", "eeprom.log"}) {
    SCOPED_TRACE(example);
    const std::string log = (fs::path(VANTREL_EXAMPLES) / example).string();
    const std::vector<std::string> direct = Direct(log);
    shown_.clear();
    everything_.clear();
    window_.display.clear();
    Replay(log);
    EXPECT_TRUE(vantrel::test::LinesMatch(direct, shown_, "direct decode", "pipeline"));
    ASSERT_GE(everything_.size(), 6u);
    EXPECT_EQ(everything_.front(), ";Orbisan Corporation");
    EXPECT_EQ(everything_[4].rfind(";By: ", 0), 0u);
    EXPECT_EQ(everything_.back(), "Log File Exhausted, Trace Terminated.");
    EXPECT_EQ(window_.display.back(), "Log File Exhausted, Trace Terminated.");
    EXPECT_EQ(std::string(Controls().traceCaption), "Trace");
    EXPECT_FALSE(Controls().haltEnabled);
    EXPECT_TRUE(gTraceFiles.logReadName.empty());
    EXPECT_FALSE(gTrace.TraceRunning);
    EXPECT_FALSE(gTrace.MsgTrackingMutex || gTrace.DisplayQueueMutex || ByteFifo.Exists());
    EXPECT_FALSE(LogFile::LogReadOpen);
    EXPECT_EQ(gDisplayedLines.units, direct.size());
  }
  EXPECT_TRUE(messages_.empty());
}

// Each hand-off of lines and of the end code is seen by a display tick of its
// own: an end code handed over before the lines of its batch would end the
// replay without them.
TEST_F(PipelineTest, LinesReachTheDisplayBeforeTheirEndCode) {
  window_.tickAfterEachHandOff = true;
  const std::string log = (fs::path(VANTREL_EXAMPLES) / "eeprom.log").string();
  const std::vector<std::string> direct = Direct(log);
  Replay(log);
  EXPECT_TRUE(vantrel::test::LinesMatch(direct, shown_, "direct decode", "pipeline"));
  ASSERT_FALSE(everything_.empty());
  EXPECT_EQ(everything_.back(), "Log File Exhausted, Trace Terminated.");
  EXPECT_EQ(window_.display.back(), "Log File Exhausted, Trace Terminated.");
}

TEST_F(PipelineTest, CommentLinesKeepTheirPlace) {
  const std::string log = (dir_ / "c.log").string();
  WriteAll(log,
           ";Orbisan Corporation\r\n;Vantrel Log File\r\n;Ver 01.01\r\n04000000\r\n10005AA0\r\n08006400\r\n"
           ";between\r\n04010000\r\n10015AA2\r\n08016400\r\n;before the end\r\n;Closed\r\n");
  std::vector<std::string> order;
  window_.onDisplayLine = [&](std::string_view text, bool) { order.emplace_back(text); };
  Replay(log);
  EXPECT_EQ(order, (std::vector<std::string>{";Orbisan Corporation", ";Vantrel Log File", ";Ver 01.01",
                                             "Msg     1 [Start]#A0[W] [Stop]", ";between",
                                             "Msg     2 [Start]#A2[W] [Stop]", ";before the end",
                                             "Log File Exhausted, Trace Terminated."}));
}

TEST_F(PipelineTest, DisplayOffStillShowsNotesAndComments) {
  gTraceOptions.EnableTraceDisplay = false;
  Replay(MakeLog("a.log", 20));
  EXPECT_TRUE(shown_.empty());
  ASSERT_GE(window_.display.size(), 16u);
  EXPECT_EQ(window_.display[0], "Trace Display Disabled:");
  EXPECT_EQ(window_.display[2], "Log File for Write Disabled");
  EXPECT_EQ(window_.display[15], "See Menu|Setup|Open Log File for Read");
  EXPECT_EQ(window_.display[16], ";Orbisan Corporation");
  EXPECT_EQ(window_.display.back(), "Log File Exhausted, Trace Terminated.");
}

TEST_F(PipelineTest, TrimmingKeepsTheRecordsInStepWithTheLines) {
  const std::string log = MakeLog("big.log", 12345);
  gTraceFiles.displayFileName = (dir_ / "display.txt").string();
  Replay(log);
  EXPECT_EQ(shown_.size(), 12345u);
  EXPECT_LE(window_.display.size(), kLineLimit + 1000);
  // Every message line still shown has its record, in display order.
  std::vector<std::uint32_t> numbers;
  const std::regex msg(R"(^Msg +([0-9,]+) )");
  for (const std::string& line : window_.display) {
    std::smatch m;
    if (!std::regex_search(line, m, msg)) continue;
    std::string digits = m[1];
    std::erase(digits, ',');
    numbers.push_back(static_cast<std::uint32_t>(std::stoul(digits)));
  }
  ASSERT_EQ(numbers.size() + 1, gMsgTables.recordNext);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const MessageRecord& r = gMsgTables.records[i + 1];
    ASSERT_EQ(r.msgNumberLow, numbers[i]);
    // The copied words run from the idle words after the previous STOP to this STOP.
    ASSERT_LE(r.startIndex, r.stopIndex);
    ASSERT_EQ(gMsgTables.words[r.stopIndex] & kStopFlag, kStopFlag);
  }
  // The display file holds every message line, trimmed or not.
  const std::string file = ReadAll(gTraceFiles.displayFileName);
  std::string expected;
  for (const std::string& line : shown_) expected += line + "\r\n";
  EXPECT_NE(file.find(expected), std::string::npos);
  EXPECT_EQ(file.find(";Orbisan Corporation\r\n;Vantrel Display File"), 0u);
  EXPECT_EQ(file.find(";between"), std::string::npos);
}

TEST_F(PipelineTest, AutoPausePagesTheReplay) {
  gTraceOptions.LogReadAutoPause = true;
  const std::string log = MakeLog("big.log", 25000);
  gTraceFiles.logReadName = log;
  TraceButtonClick();
  EXPECT_EQ(std::string(Controls().traceCaption), "Pause!");
  int pauses = 0;
  for (window_.Run(); window_.mode == TraceMode::Paused; window_.Run()) {
    ++pauses;
    EXPECT_GT(window_.display.size(), kLineLimit);
    EXPECT_TRUE(gTrace.TraceRunning);
    EXPECT_FALSE(window_.displayTimerEnabled);
    TraceButtonClick();  // More!
    ASSERT_LT(pauses, 10);
  }
  EXPECT_GE(pauses, 2);
  EXPECT_EQ(std::string(Controls().traceCaption), "Trace");
  EXPECT_TRUE(vantrel::test::LinesMatch(Direct(log), shown_, "direct decode", "pipeline"));
}

// The message numbers of the display lines that are messages.
// The whole trace's message lines.
std::vector<std::string> WholeMessageLines() {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < gWholeTrace.LineCount(); ++i) {
    if (gWholeTrace.MessageOfLine(i)) lines.emplace_back(gWholeTrace.Line(i));
  }
  return lines;
}

std::vector<MessageNumber> NumbersOf(const std::vector<std::string>& lines) {
  std::vector<MessageNumber> numbers;
  for (const std::string& line : lines) {
    if (const auto n = MessageNumberOfLine(line)) numbers.push_back(*n);
  }
  return numbers;
}

TEST_F(PipelineTest, KeepWholeTraceKeepsEveryLineWithItsMessage) {
  const std::string log = MakeLog("big.log", 23456);
  const std::vector<std::string> direct = Direct(log);
  // The trimmed display first: its last messages' views are the reference.
  Replay(log);

  std::vector<std::vector<std::string>> reference;
  const std::vector<MessageNumber> last = NumbersOf({window_.display.end() - 50, window_.display.end()});
  std::vector<std::vector<std::string>> timing;
  for (const MessageNumber& n : last) {
    reference.push_back(MessageDiagnosticsLines(n, MessageTablesNow()));
    timing.push_back(MessageTimingLines(n, MessageTablesNow(), true));
  }
  ASSERT_FALSE(reference.front().empty());

  gTraceOptions.KeepWholeTrace = true;
  window_.display.clear();
  shown_.clear();
  everything_.clear();
  gTraceFiles.displayFileName = (dir_ / "display.txt").string();
  Replay(log);
  EXPECT_TRUE(gWholeTrace.Active());
  EXPECT_TRUE(window_.display.empty());  // nothing went to the text display
  EXPECT_EQ(gMsgTables.recordNext, 1u);
  EXPECT_TRUE(window_.contextMenu);
  // The log's header comments, every message line, the end note.
  ASSERT_EQ(gWholeTrace.LineCount(), 5 + direct.size() + 1);
  EXPECT_EQ(gWholeTrace.Line(0), ";Orbisan Corporation");
  EXPECT_EQ(gWholeTrace.Line(gWholeTrace.LineCount() - 1), "Log File Exhausted, Trace Terminated.");
  EXPECT_EQ(WholeMessageLines(), direct);
  // Every line picks its own message, with every word up to its STOP.
  ASSERT_EQ(gWholeTrace.MessageCount(), direct.size());
  for (std::size_t i = 0; i < gWholeTrace.LineCount(); i += 97) {
    const auto k = gWholeTrace.MessageOfLine(i);
    if (!k) continue;
    const WholeTrace::OneMessage one = gWholeTrace.Message(*k);
    const MessageTablesView v = one.View();
    ASSERT_EQ(v.records[1].msgNumberLow, MessageNumberOfLine(gWholeTrace.Line(i))->low) << i;
    ASSERT_EQ(v.words[v.wordCount - v.wordBase] & kStopFlag, kStopFlag) << i;
  }
  // The same views as the trimmed display's, but for the word indices,
  // which count from the trace's start instead of from the last trim.
  const auto noIndex = [](std::vector<std::string> lines) {
    std::erase_if(lines, [](const std::string& l) { return l.find(" Index: ") != std::string::npos; });
    return lines;
  };
  for (std::size_t k = 0; k < last.size(); ++k) {
    const std::size_t line = gWholeTrace.LineCount() - 1 - last.size() + k;
    const WholeTrace::OneMessage one = gWholeTrace.Message(*gWholeTrace.MessageOfLine(line));
    EXPECT_EQ(noIndex(MessageDiagnosticsLines(last[k], one.View())), noIndex(reference[k]));
    EXPECT_EQ(MessageTimingLines(last[k], one.View(), true), timing[k]);
  }
  const WholeTrace::OneMessage lastOne = gWholeTrace.Message(gWholeTrace.MessageCount() - 1);
  EXPECT_EQ(lastOne.View().records[1].stopIndex, gWholeTrace.MemoryUse().words);
  // The display file is as it always was.
  std::string expected;
  for (const std::string& line : direct) expected += line + "\r\n";
  EXPECT_NE(ReadAll(gTraceFiles.displayFileName).find(expected), std::string::npos);

  // Turned off, it stays until the display is emptied.
  gTraceOptions.KeepWholeTrace = false;
  EXPECT_TRUE(gWholeTrace.Active());
  ClearDisplayButtonClick();
  EXPECT_FALSE(gWholeTrace.Active());
  EXPECT_EQ(gWholeTrace.LineCount(), 0u);
  EXPECT_EQ(gWholeTrace.MessageCount(), 0u);
  EXPECT_FALSE(window_.contextMenu);
}

TEST_F(PipelineTest, KeepWholeTraceEndsTheTraceWhenItsMemoryIsFull) {
  const std::size_t ceiling = gWholeTrace.Ceiling();
  EXPECT_GT(ceiling, std::size_t{100} << 20);  // half the machine's memory
  gWholeTrace.SetCeiling(std::size_t{1} << 20);
  gTraceOptions.KeepWholeTrace = true;
  const std::string log = MakeLog("big.log", 50000);
  gTraceFiles.displayFileName = (dir_ / "display.txt").string();
  Replay(log);
  gWholeTrace.SetCeiling(ceiling);
  EXPECT_FALSE(gTrace.TraceRunning);
  EXPECT_EQ(window_.beeps, 1);
  EXPECT_EQ(gWholeTrace.Line(gWholeTrace.LineCount() - 1), "Keep Whole Trace Memory Full, Trace Terminated.");
  EXPECT_GT(gWholeTrace.Bytes(), std::size_t{1} << 20);
  EXPECT_LT(gWholeTrace.Bytes(), std::size_t{2} << 20);
  // What was kept is whole and in step, and the display file has it too.
  const std::vector<std::string> kept = WholeMessageLines();
  const std::vector<std::string> direct = Direct(log);
  ASSERT_LT(kept.size(), direct.size());
  EXPECT_TRUE(std::equal(kept.begin(), kept.end(), direct.begin()));
  EXPECT_GE(gWholeTrace.MessageCount(), kept.size());
  EXPECT_NE(ReadAll(gTraceFiles.displayFileName).find(kept.back() + "\r\n"), std::string::npos);
  // Emptied, the count goes back to nothing.
  ClearDisplayButtonClick();
  EXPECT_EQ(gWholeTrace.Bytes(), 0u);
}

TEST_F(PipelineTest, KeepWholeTracePagesAReplayWhereTheDisplayDid) {
  // The trimmed display pauses over 10,000 lines and keeps 5,000 of them:
  // the whole trace pauses at the same steps.
  gTraceOptions.LogReadAutoPause = true;
  gTraceOptions.KeepWholeTrace = true;
  const std::string log = MakeLog("big.log", 25000);
  std::vector<std::size_t> pauses;
  gTraceFiles.logReadName = log;
  TraceButtonClick();
  for (window_.Run(); window_.mode == TraceMode::Paused; window_.Run()) {
    pauses.push_back(gWholeTrace.LineCount());
    TraceButtonClick();  // More!
    ASSERT_LT(pauses.size(), 10u);
  }
  ASSERT_GE(pauses.size(), 3u);
  EXPECT_GT(pauses[0], kLineLimit);
  for (std::size_t i = 1; i < pauses.size(); ++i) EXPECT_GT(pauses[i] - pauses[i - 1], kLineLimit / 2);
  EXPECT_TRUE(vantrel::test::LinesMatch(Direct(log), WholeMessageLines(), "direct decode", "whole trace"));
}

TEST_F(PipelineTest, PauseStopsTheDisplayAndTheParserWithoutLosingLines) {
  const std::string log = MakeLog("big.log", 5000);
  gTraceFiles.logReadName = log;
  TraceButtonClick();
  TraceButtonClick();  // Pause! before any tick
  EXPECT_EQ(std::string(Controls().traceCaption), "More!");
  EXPECT_EQ(std::string(Controls().traceHint), "resume message display");
  window_.Run();  // decodes until the display queue is full, then stops
  EXPECT_TRUE(gTrace.TraceRunning);
  EXPECT_TRUE(shown_.empty());
  TraceButtonClick();  // More!
  window_.Run();
  EXPECT_TRUE(vantrel::test::LinesMatch(Direct(log), shown_, "direct decode", "pipeline"));
}

TEST_F(PipelineTest, ClearDisplay) {
  Replay(MakeLog("a.log", 3));
  EXPECT_GT(gMsgTables.recordNext, 1u);
  EXPECT_TRUE(window_.contextMenu);
  ClearDisplayButtonClick();
  EXPECT_TRUE(window_.display.empty());
  EXPECT_EQ(gMsgTables.recordNext, 1u);
  EXPECT_EQ(gMsgTables.wordNext, 1u);
}

TEST_F(PipelineTest, StartUpFailuresLeaveEverythingAsItWas) {
  // No pod and no log: the initialization window opens and nothing starts.
  TraceButtonClick();
  EXPECT_EQ(window_.initializePodRuns, 1);
  EXPECT_FALSE(gTrace.TraceRunning);
  EXPECT_TRUE(Controls().traceEnabled);
  EXPECT_EQ(std::string(Controls().traceCaption), "Trace");

  // A log that cannot be opened: its report only.
  gTraceFiles.logReadName = (dir_ / "missing.log").string();
  TraceButtonClick();
  EXPECT_FALSE(gTrace.TraceRunning);
  EXPECT_EQ(messages_, (std::vector<Message>{{"Cannot Open Log File for Read!", "Log File Warning"}}));

  // Cancel on an existing log-write file: the pod trace is not started.
  FakePod::Install();
  PodInitialized = true;
  gTraceFiles = {};
  gTraceFiles.logWriteName = (dir_ / "old.log").string();
  WriteAll(gTraceFiles.logWriteName, "keep me");
  window_.answerOk = false;
  TraceButtonClick();
  EXPECT_FALSE(gTrace.TraceRunning);
  EXPECT_EQ(FakePod::starts, 0);
  EXPECT_EQ(ReadAll(gTraceFiles.logWriteName), "keep me");
}

TEST_F(PipelineTest, DisplayFileFailureHaltsALiveStart) {
  FakePod::Install();
  PodInitialized = true;
  FakePod::scripts.push_back({});
  gTraceFiles.logWriteName = (dir_ / "live.log").string();
  gTraceFiles.displayFileName = (dir_ / "no-such-dir" / "display.txt").string();
  TraceButtonClick();
  EXPECT_FALSE(gTrace.TraceRunning);
  EXPECT_EQ(messages_, (std::vector<Message>{{"Cannot Create File", "Display File Error"}}));
  EXPECT_EQ(FakePod::starts, 1);
  EXPECT_EQ(FakePod::stops, 1);
  EXPECT_NE(ReadAll(gTraceFiles.logWriteName).find(";Closed: "), std::string::npos);
  EXPECT_FALSE(LogFile::LogWriteOpen);
  EXPECT_EQ(FakePod::initializes, 1);  // every halt probes the pod again
}

// A live trace from pod bytes: folding, logging, decoding, and the full-memory end.
TEST_F(PipelineTest, LiveCaptureFoldsLogsAndEndsOnFullMemory) {
  FakePod::Install();
  PodInitialized = true;
  std::vector<TraceWord> pod = {0x04000000, 0x10005AA0};
  pod.insert(pod.end(), 250, kPodIdleWord);
  pod.push_back(0x11FFFF12);  // a byte on the wrap instant
  pod.push_back(0x02FFFF00);  // no wrap flag: passed on unchanged
  pod.push_back(0x08006400);
  FakePod::scripts.push_back({EncodePodBytes(pod), 0x07});
  FakePod::initializeAnswers = {true};
  gTraceFiles.logWriteName = (dir_ / "live.log").string();
  TraceButtonClick();
  EXPECT_FALSE(Controls().traceEnabled);
  EXPECT_TRUE(Controls().haltEnabled);
  window_.Run();
  EXPECT_EQ(shown_, (std::vector<std::string>{"Msg     1 [Start]#A0[W] 12 [Stop]"}));
  EXPECT_EQ(window_.display.back(), "Pod Recording Memory Full Detected, Trace Terminated.");
  EXPECT_EQ(std::count(window_.display.begin(), window_.display.end(),
                       "Pod Recording Memory Full Detected, Trace Terminated."),
            1);
  EXPECT_EQ(window_.beeps, 1);
  const std::string log = ReadAll(gTraceFiles.logWriteName);
  EXPECT_NE(log.find("\r\n04000000\r\n10005AA0\r\n01000065\r\n01000065\r\n01000030\r\n11000012\r\n02FFFF00\r\n08006400\r\n;Closed: "),
            std::string::npos);
  EXPECT_TRUE(PodInitialized);
}

TEST_F(PipelineTest, KeepWholeTraceKeepsALiveCapture) {
  FakePod::Install();
  PodInitialized = true;
  std::vector<TraceWord> pod;
  TraceBuilder bus({}, [&](TraceWord w) { pod.push_back(w); });
  for (int i = 0; i < 15000; ++i) {
    bus.Write(0x50, {static_cast<std::uint8_t>(i)});
    bus.Gap(100);
  }
  FakePod::scripts.push_back({EncodePodBytes(pod), 0x07});
  FakePod::initializeAnswers = {true};
  gTraceOptions.KeepWholeTrace = true;
  gTraceFiles.logWriteName = (dir_ / "live.log").string();
  TraceButtonClick();
  window_.Run();
  EXPECT_EQ(gWholeTrace.Line(gWholeTrace.LineCount() - 1), "Pod Recording Memory Full Detected, Trace Terminated.");
  const std::vector<std::string> lines = WholeMessageLines();
  EXPECT_EQ(lines.size(), 15000u);
  EXPECT_TRUE(vantrel::test::LinesMatch(Direct(gTraceFiles.logWriteName), lines, "log's decode", "whole trace"));
  EXPECT_EQ(gWholeTrace.MessageCount(), 15000u);
  const WholeTrace::OneMessage first = gWholeTrace.Message(0);
  EXPECT_EQ(first.View().records[1].msgNumberLow, 1u);
  EXPECT_EQ(first.View().records[1].byteCount, 2u);  // the address and its byte
}

TEST_F(PipelineTest, DisplayOffStillLogsALiveTrace) {
  FakePod::Install();
  PodInitialized = true;
  FakePod::scripts.push_back({EncodePodBytes({0x04000000, 0x10005AA0, 0x08006400}), 0x07});
  gTraceFiles.logWriteName = (dir_ / "live.log").string();
  gTraceOptions.EnableTraceDisplay = false;
  TraceButtonClick();
  window_.Run();
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(window_.display[2], "Log File for Write Enabled");
  EXPECT_NE(ReadAll(gTraceFiles.logWriteName).find("\r\n04000000\r\n10005AA0\r\n08006400\r\n;Closed: "),
            std::string::npos);
}

TEST_F(PipelineTest, WordFifoOverflowEndsTheTrace) {
  FakePod::Install();
  PodInitialized = true;
  // One record of 512 one-byte words is more than the word FIFO holds.
  FakePod::scripts.push_back({std::vector<std::uint8_t>(512, 0x20), 0x03});
  TraceButtonClick();
  window_.Run();
  EXPECT_EQ(window_.display.back(), "Log File Exhausted, Trace Terminated.");
  EXPECT_FALSE(gTrace.TraceRunning);
}

TEST_F(PipelineTest, LostPodThatComesBackRestartsTheTrace) {
  FakePod::Install();
  PodInitialized = true;
  const std::vector<TraceWord> msg = {0x04000000, 0x10005AA0, 0x08006400};
  FakePod::scripts.push_back({EncodePodBytes(msg), 0x00});  // lost
  FakePod::scripts.push_back({EncodePodBytes(msg), 0x07});  // back, then full
  FakePod::initializeAnswers = {true, true};
  TraceButtonClick();
  window_.Run();
  EXPECT_EQ(FakePod::starts, 2);
  EXPECT_EQ(window_.display.back(), "Pod Recording Memory Full Detected, Trace Terminated.");
  EXPECT_EQ(everything_.front(), "Pod Communication Lost, Attempting Retry (1) of (10).");
  EXPECT_EQ(window_.waits, (std::vector<int>{1000}));
  EXPECT_EQ(gRetryCounter, 1u);
  EXPECT_EQ(window_.beeps, 2);
}

TEST_F(PipelineTest, LostPodThatNeverComesBackGivesUp) {
  FakePod::Install();
  PodInitialized = true;
  FakePod::scripts.push_back({{}, 0x00});
  TraceButtonClick();
  window_.Run();
  ASSERT_EQ(everything_.size(), 11u);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(everything_[static_cast<std::size_t>(i)],
              "Pod Communication Lost, Attempting Retry (" + std::to_string(i + 1) + ") of (10).");
  EXPECT_EQ(everything_.back(), "External Pod Not Detected, Trace Terminated.");
  EXPECT_EQ(window_.waits.size(), 11u);
  EXPECT_EQ(FakePod::starts, 1);
  EXPECT_FALSE(PodInitialized);
  EXPECT_EQ(FakePod::releases, 2);  // once by the first halt, once after giving up
}

TEST(WordFifoTest, OverflowAndWrap) {
  WordFifo f;
  for (std::uint32_t i = 0; i < 255; ++i) f.Push(i + 3);
  EXPECT_FALSE(f.overflow);
  for (std::uint32_t i = 0; i < 200; ++i) ASSERT_EQ(f.Pop(), i + 3);
  for (std::uint32_t i = 0; i < 200; ++i) f.Push(i + 1000);  // wraps the 256 slots
  EXPECT_EQ(f.count, 255u);
  EXPECT_EQ(f.Pop(), 203u);
  f.Push(1);
  f.Push(2);  // the 256th word
  EXPECT_TRUE(f.overflow);
  EXPECT_EQ(f.Pop(), 0u);
  EXPECT_EQ(f.count, 255u);
}

TEST(AssemblerTest, WordsOfOneThreeAndFourBytes) {
  ASSERT_TRUE(ByteFifo.Create(1000, 1));
  const std::uint8_t bytes[] = {0x01, 0x04, 0x12, 0x34, 0x1C, 0xAB, 0xCD, 0xEF, 0x08, 0x00};
  ASSERT_TRUE(ByteFifo.Write(bytes, 1));
  EXPECT_EQ(AssembleTraceWord(), 0x01000000u);  // a lone idle byte is a whole word
  ASSERT_TRUE(ByteFifo.Write(bytes + 1, 2));
  EXPECT_EQ(AssembleTraceWord(), 0u);  // a START needs three bytes
  ASSERT_TRUE(ByteFifo.Write(bytes + 3, 7));
  EXPECT_EQ(AssembleTraceWord(), 0x04123400u);
  EXPECT_EQ(AssembleTraceWord(), 0x1CABCDEFu);
  EXPECT_EQ(AssembleTraceWord(), 0u);  // two bytes of a STOP so far
  EXPECT_EQ(ByteFifo.Count(), 2u);
  ByteFifo.Destroy();
}

}  // namespace
}  // namespace vantrel::testing
