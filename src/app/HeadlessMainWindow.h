// The main window without a window, for vantrel-decode and the tests. The
// thread that calls Run() is the main thread: it runs the decode batches the
// parser thread posts, the display loop's ticks and the restart timer.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/Reports.h"
#include "pipeline/MainWindowSeam.h"

namespace vantrel {

class HeadlessMainWindow : public MainWindowSeam, public ReportSeam {
 public:
  // Becomes the main window and the report seam until destroyed.
  HeadlessMainWindow();
  ~HeadlessMainWindow() override;
  HeadlessMainWindow(const HeadlessMainWindow&) = delete;
  HeadlessMainWindow& operator=(const HeadlessMainWindow&) = delete;

  // Called for every line the trace display receives, in order.
  std::function<void(std::string_view text, bool message)> onDisplayLine;
  // Called for every report; by default "Title: text" on stderr.
  std::function<void(std::string_view text, std::string_view title)> onMessage;
  // Called by RunInitializePodCommand (the pod initialization window).
  std::function<void()> onInitializePod;
  bool answerOk = true;
  std::string userName = "<User Unknown>";
  bool realWaits = true;    // WaitMilliseconds sleeps; tests turn it off
  bool keepDisplay = true;  // false: only count the lines (onDisplayLine still sees them)
  // Tests: every hand-off of lines or of an end code waits until a display
  // tick has run after it, so that a tick sees each hand-off on its own.
  bool tickAfterEachHandOff = false;

  // Runs posted calls, display ticks (every 10 ms, and early when the parser
  // thread has handed something over) and the restart timer until there is
  // nothing left to run: no trace, or a paused display, and no timer pending.
  void Run();

  // What the window shows, for tests.
  std::deque<std::string> display;
  TraceMode mode = TraceMode::Idle;
  bool contextMenu = false, logWriteMenuEnabled = true;
  int bandwidth = 0;
  std::string bandwidthLabel = "0%";
  int beeps = 0, reports = 0, logReadCleared = 0, initializePodRuns = 0, statusStarts = 0, statusRefreshes = 0;
  std::vector<int> waits;
  bool displayTimerEnabled = false, traceClickPending = false;

  // ReportSeam
  void ShowMessage(std::string_view text, std::string_view title) override;
  bool AskOkCancel(std::string_view, std::string_view) override { return answerOk; }
  std::string UserName() override { return userName; }
  void Beep() override { ++beeps; }

  // MainWindowSeam
  void AppendDisplayLine(std::string_view line) override;
  void AppendDisplayLines(const DisplayLines& lines) override;
  void ClearDisplay() override;
  std::size_t DisplayLineCount() override { return lineCount_; }
  void DeleteFirstDisplayLines(std::size_t count) override;
  void ShowTraceMode(TraceMode m) override { mode = m; }
  void SetDisplayContextMenu(bool enabled) override { contextMenu = enabled; }
  void SetBandwidth(int percent, std::string_view label) override;
  void SetLogWriteMenuEnabled(bool enabled) override { logWriteMenuEnabled = enabled; }
  void LogReadSelectionCleared() override { ++logReadCleared; }
  void RunInitializePodCommand() override;
  void TraceStatusStarted() override { ++statusStarts; }
  void TraceStatusRefresh() override { ++statusRefreshes; }
  void TraceStatusFinished() override { ++statusRefreshes; }
  void StatisticsStarted() override {}
  void StatisticsStopped() override {}
  void SetDisplayTimerEnabled(bool enabled) override { displayTimerEnabled = enabled; }
  void StartTraceClickTimer() override;
  void WaitMilliseconds(int ms) override;
  void PostToMainThread(std::function<void()> fn) override;
  void DisplayWork() override;

 private:
  using Clock = std::chrono::steady_clock;

  std::mutex mutex_;  // guards posted_, work_, handOffs_ and ticked_
  std::condition_variable wake_;    // the main thread waits for work
  std::condition_variable ticked_;  // hand-offs wait for their tick
  std::deque<std::function<void()>> posted_;
  bool work_ = false;
  std::uint64_t handOffs_ = 0;  // DisplayWork calls so far
  std::uint64_t served_ = 0;    // hand-offs a finished tick has seen
  std::mutex reportMutex_;      // reports can come from the parser thread
  Clock::time_point traceClickDue_{};
  std::size_t lineCount_ = 0;
};

}  // namespace vantrel
