// The way the trace pipeline reaches the main window: the trace display, the
// controls whose state follows the trace, the status views, timers and
// running work on the main thread. (Reports and questions go through
// common/Reports.h.) The desktop program implements it with its window; the
// headless front end and the tests with plain code. Every call is made on the
// main thread unless it says otherwise.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "pipeline/DisplayLines.h"

namespace vantrel {

// Idle: no trace. Live: a capture from the pod. Replay: a log replay showing
// lines; Paused: its display stopped ("More!"); Resumed: going again while
// the button still reads "More!" until the display next passes its limit.
enum class TraceMode : std::uint8_t { Idle, Live, Replay, Paused, Resumed };

// How the trace controls look in a mode: the Trace button's caption, hint and
// enabling, the Halt button, the Setup menu (with "Bus Status Viewer..."), and
// which button takes the focus (none while a replay pages).
struct TraceControls {
  const char* traceCaption;
  const char* traceHint;
  bool traceEnabled;
  bool haltEnabled;
  bool setupEnabled;
  enum Focus : std::uint8_t { None, Trace, Halt } focus;
};
TraceControls TraceControlsOf(TraceMode mode);

class MainWindowSeam {
 public:
  virtual ~MainWindowSeam() = default;

  // Trace display.
  virtual void AppendDisplayLine(std::string_view line) = 0;
  // Appends the lines as one update and scrolls to the last one.
  virtual void AppendDisplayLines(const DisplayLines& lines) = 0;
  virtual void ClearDisplay() = 0;
  virtual std::size_t DisplayLineCount() = 0;
  virtual void DeleteFirstDisplayLines(std::size_t count) = 0;
  // Keep Whole Trace: the display loop added lines to gWholeTrace instead.
  virtual void WholeTraceGrew() {}

  // The Trace and Halt buttons (captions, hints, enabling, focus), the Setup
  // menu and "Bus Status Viewer..." as the mode has them.
  virtual void ShowTraceMode(TraceMode mode) = 0;
  // The display's context menu and its two items.
  virtual void SetDisplayContextMenu(bool enabled) = 0;
  virtual void SetBandwidth(int percent, std::string_view label) = 0;
  virtual void SetLogWriteMenuEnabled(bool enabled) = 0;
  // The log-read selection was cleared: restore its menu item.
  virtual void LogReadSelectionCleared() = 0;
  // Opens the pod initialization window modally.
  virtual void RunInitializePodCommand() = 0;
  virtual void TraceStatusStarted() = 0;  // trace start initializes the window
  virtual void TraceStatusRefresh() = 0;
  // A halt: the window shows the trace's final state (counts, files) once more.
  virtual void TraceStatusFinished() = 0;
  // The statistics views: a trace start empties the activity chart and
  // starts both refresh timers; a halt stops them after a last refresh.
  virtual void StatisticsStarted() = 0;
  virtual void StatisticsStopped() = 0;

  // Timers: the 10 ms display loop and the 100 ms one-shot trace restart.
  virtual void SetDisplayTimerEnabled(bool enabled) = 0;
  virtual void StartTraceClickTimer() = 0;
  // The main thread's own pauses (the lost-pod retry waits 1 s).
  virtual void WaitMilliseconds(int ms) = 0;

  // Called on the parser thread: queues fn to run on the main thread after
  // the calls queued before it, and returns at once. fn checks for itself
  // whether it is still wanted when it runs.
  virtual void PostToMainThread(std::function<void()> fn) = 0;
  // Called on the parser thread after it queued lines or stored an end code;
  // the display loop may run early.
  virtual void DisplayWork() = 0;
};

// A window that shows nothing and runs posted calls in place.
class NullMainWindow : public MainWindowSeam {
 public:
  void AppendDisplayLine(std::string_view) override {}
  void AppendDisplayLines(const DisplayLines&) override {}
  void ClearDisplay() override {}
  std::size_t DisplayLineCount() override { return 0; }
  void DeleteFirstDisplayLines(std::size_t) override {}
  void ShowTraceMode(TraceMode) override {}
  void SetDisplayContextMenu(bool) override {}
  void SetBandwidth(int, std::string_view) override {}
  void SetLogWriteMenuEnabled(bool) override {}
  void LogReadSelectionCleared() override {}
  void RunInitializePodCommand() override {}
  void TraceStatusStarted() override {}
  void TraceStatusRefresh() override {}
  void TraceStatusFinished() override {}
  void StatisticsStarted() override {}
  void StatisticsStopped() override {}
  void SetDisplayTimerEnabled(bool) override {}
  void StartTraceClickTimer() override {}
  void WaitMilliseconds(int) override {}
  void PostToMainThread(std::function<void()> fn) override { fn(); }
  void DisplayWork() override {}
};

// Never null: a NullMainWindow until one is set.
MainWindowSeam& MainWindow();
// Not owned; nullptr restores the silent one.
void SetMainWindow(MainWindowSeam* seam);

}  // namespace vantrel
