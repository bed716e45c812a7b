// The one way the core reaches the main window: reports and questions, the
// trace display, the controls that trace start and halt touch, the menu check
// marks the pipeline reads, timers, and running a call on the main thread.
// The desktop program implements it with its window; the headless tool and the
// tests with plain code. Every call is made on the main thread unless it says
// otherwise.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/DisplayLines.h"

namespace vantrel {

class MainWindowSeam {
 public:
  virtual ~MainWindowSeam() = default;

  // A modal report with an OK button. Also called on the parser thread (log
  // reads and writes): the implementation carries it to the main thread.
  virtual void ShowMessage(std::string_view text, std::string_view title) = 0;
  // OK/Cancel question; true for OK.
  virtual bool AskOkCancel(std::string_view text, std::string_view title) = 0;
  // Caption of the User menu: written after ";By: " in every file header.
  virtual std::string UserName() = 0;
  virtual void Beep() = 0;

  // Trace display.
  virtual void AppendDisplayLine(std::string_view line) = 0;
  // Appends the lines as one update and scrolls to the last one.
  virtual void AppendDisplayLines(const DisplayLines& lines) = 0;
  virtual void ClearDisplay() = 0;
  virtual std::size_t DisplayLineCount() = 0;
  virtual void DeleteFirstDisplayLines(std::size_t count) = 0;

  // Controls.
  virtual void SetTraceButton(std::string_view caption, std::string_view hint, bool enabled, bool focus) = 0;
  virtual std::string TraceButtonCaption() = 0;
  virtual void SetHaltButton(bool enabled, bool focus) = 0;
  // The Setup menu and the "Bus Status Viewer..." item.
  virtual void SetSetupMenuEnabled(bool enabled) = 0;
  // The display's context menu and its two items.
  virtual void SetDisplayContextMenu(bool enabled) = 0;
  virtual void SetBandwidth(int percent, std::string_view label) = 0;
  virtual void SetLogWriteMenuEnabled(bool enabled) = 0;
  // The log-read selection was cleared: restore its menu item.
  virtual void LogReadSelectionCleared() = 0;
  // Opens the pod initialization window modally.
  virtual void RunInitializePodCommand() = 0;
  virtual void TraceStatusStarted() = 0;   // trace start initializes the window
  virtual void TraceStatusRefresh() = 0;

  // Menu check marks.
  virtual bool EnableTraceDisplayChecked() = 0;
  virtual bool LogReadAutoPauseChecked() = 0;
  virtual bool EnableBitTimingChecked() = 0;

  // Timers: the 10 ms display loop and the 100 ms one-shot trace restart.
  virtual void SetDisplayTimerEnabled(bool enabled) = 0;
  virtual void StartTraceClickTimer() = 0;
  // The main thread's own pauses (the lost-pod retry waits 1 s).
  virtual void WaitMilliseconds(int ms) = 0;

  // Called on the parser thread: queues fn to run on the main thread after
  // the calls queued before it, and returns at once. fn checks for itself
  // whether it is still wanted when it runs.
  virtual void PostToMainThread(std::function<void()> fn) = 0;
  // Called on the parser thread after it queued lines or an end code; the
  // display loop may run early. Must not block.
  virtual void DisplayWork() = 0;
};

// A seam that does nothing: answers OK, names "<User Unknown>", runs calls
// in place. A base for seams that need only a few of the calls.
class NullMainWindow : public MainWindowSeam {
 public:
  void ShowMessage(std::string_view, std::string_view) override {}
  bool AskOkCancel(std::string_view, std::string_view) override { return true; }
  std::string UserName() override { return "<User Unknown>"; }
  void Beep() override {}
  void AppendDisplayLine(std::string_view) override {}
  void AppendDisplayLines(const DisplayLines&) override {}
  void ClearDisplay() override {}
  std::size_t DisplayLineCount() override { return 0; }
  void DeleteFirstDisplayLines(std::size_t) override {}
  void SetTraceButton(std::string_view, std::string_view, bool, bool) override {}
  std::string TraceButtonCaption() override { return "Trace"; }
  void SetHaltButton(bool, bool) override {}
  void SetSetupMenuEnabled(bool) override {}
  void SetDisplayContextMenu(bool) override {}
  void SetBandwidth(int, std::string_view) override {}
  void SetLogWriteMenuEnabled(bool) override {}
  void LogReadSelectionCleared() override {}
  void RunInitializePodCommand() override {}
  void TraceStatusStarted() override {}
  void TraceStatusRefresh() override {}
  bool EnableTraceDisplayChecked() override { return true; }
  bool LogReadAutoPauseChecked() override { return false; }
  bool EnableBitTimingChecked() override { return false; }
  void SetDisplayTimerEnabled(bool) override {}
  void StartTraceClickTimer() override {}
  void WaitMilliseconds(int) override {}
  void PostToMainThread(std::function<void()> fn) override { fn(); }
  void DisplayWork() override {}
};

// Never null: a NullMainWindow until one is set.
MainWindowSeam& MainWindow();
// Not owned; nullptr restores the silent seam.
void SetMainWindow(MainWindowSeam* seam);

}  // namespace vantrel
