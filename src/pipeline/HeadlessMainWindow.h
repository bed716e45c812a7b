// The main window without a window: the pipeline's seam for vantrel-decode
// and the tests. The thread that calls Run() is the main thread: it runs the
// parser thread's decode calls and the display loop's ticks.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "pipeline/MainWindowSeam.h"

namespace vantrel {

class HeadlessMainWindow : public MainWindowSeam {
 public:
  // Called for every line the trace display receives, in order.
  std::function<void(std::string_view text, bool message)> onDisplayLine;
  // Called for every report; by default "Title: text" on stderr.
  std::function<void(std::string_view text, std::string_view title)> onMessage;
  bool answerOk = true;
  std::string userName = "<User Unknown>";
  bool enableTraceDisplay = true;
  bool logReadAutoPause = false;
  bool enableBitTiming = false;
  bool realWaits = true;  // WaitMilliseconds sleeps; tests turn it off
  bool keepDisplay = true;  // false: only count the lines (onDisplayLine still sees them)

  // Runs decode calls, display ticks (every 10 ms, and early when the parser
  // thread has queued work) and the restart timer until there is nothing left
  // to run: no trace, or a paused display, and no timer pending.
  void Run();

  // What the window shows, for tests.
  std::deque<std::string> display;
  std::string traceCaption = "Trace", traceHint = "start Trace";
  bool traceEnabled = true, haltEnabled = false, setupMenuEnabled = true;
  bool contextMenu = false, logWriteMenuEnabled = true;
  int bandwidth = 0;
  std::string bandwidthLabel = "0%";
  int beeps = 0, reports = 0, logReadCleared = 0, initializePodRuns = 0, statusStarts = 0, statusRefreshes = 0;
  std::vector<int> waits;
  bool displayTimerEnabled = false, traceClickPending = false;

  void ShowMessage(std::string_view text, std::string_view title) override;
  bool AskOkCancel(std::string_view text, std::string_view title) override;
  std::string UserName() override { return userName; }
  void Beep() override { ++beeps; }
  void AppendDisplayLine(std::string_view line) override;
  void AppendDisplayLines(const DisplayLines& lines) override;
  void ClearDisplay() override {
    display.clear();
    lineCount_ = 0;
  }
  std::size_t DisplayLineCount() override { return lineCount_; }
  void DeleteFirstDisplayLines(std::size_t count) override;
  void SetTraceButton(std::string_view caption, std::string_view hint, bool enabled, bool focus) override;
  std::string TraceButtonCaption() override { return traceCaption; }
  void SetHaltButton(bool enabled, bool) override { haltEnabled = enabled; }
  void SetSetupMenuEnabled(bool enabled) override { setupMenuEnabled = enabled; }
  void SetDisplayContextMenu(bool enabled) override { contextMenu = enabled; }
  void SetBandwidth(int percent, std::string_view label) override;
  void SetLogWriteMenuEnabled(bool enabled) override { logWriteMenuEnabled = enabled; }
  void LogReadSelectionCleared() override { ++logReadCleared; }
  void RunInitializePodCommand() override;
  void TraceStatusStarted() override { ++statusStarts; }
  void TraceStatusRefresh() override { ++statusRefreshes; }
  bool EnableTraceDisplayChecked() override { return enableTraceDisplay; }
  bool LogReadAutoPauseChecked() override { return logReadAutoPause; }
  bool EnableBitTimingChecked() override { return enableBitTiming; }
  void SetDisplayTimerEnabled(bool enabled) override { displayTimerEnabled = enabled; }
  void StartTraceClickTimer() override;
  void WaitMilliseconds(int ms) override;
  void PostToMainThread(std::function<void()> fn) override;
  void DisplayWork() override;

  // Called by RunInitializePodCommand (the pod initialization window).
  std::function<void()> onInitializePod;

 private:
  using Clock = std::chrono::steady_clock;

  std::mutex mutex_;  // guards posted_ and work_
  std::condition_variable wake_;
  std::deque<std::function<void()>> posted_;
  bool work_ = false;
  std::mutex reportMutex_;  // reports can come from the parser thread
  Clock::time_point traceClickDue_{};
  std::size_t lineCount_ = 0;
};

}  // namespace vantrel
