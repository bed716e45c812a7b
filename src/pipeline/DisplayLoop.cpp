#include "pipeline/DisplayLoop.h"

#include <chrono>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "common/Reports.h"
#include "decode/ParseAH.h"
#include "pipeline/DisplayFile.h"
#include "pipeline/MainWindowSeam.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceParserThread.h"
#include "pipeline/TraceState.h"
#include "pipeline/WholeTrace.h"
#include "pod/PodInterface.h"

namespace vantrel {

DisplayedLineCount gDisplayedLines;

namespace {

using namespace std::chrono_literals;

constexpr auto kLoopWait = 10ms;
constexpr std::uint32_t kMaxRetries = 10;

// Which display lines are not message lines (log comments, notes), counted
// from the display's first line ever: the displayed message tables hold one
// record per message line, so trimming the display moves the tables by the
// message lines it removes, not by every line.
std::deque<std::uint64_t> gNoteLines;
std::uint64_t gFirstLine = 0;  // of the lines still shown
std::uint64_t gNextLine = 0;
DisplayLines gBatch;
// The whole trace is never trimmed; a replay still pages it where the
// display would have been trimmed: the page starts here.
std::size_t gPageStart = 0;

// The lines a replay pages by.
std::size_t PageLines() {
  return gWholeTrace.Active() ? gWholeTrace.LineCount() - gPageStart : MainWindow().DisplayLineCount();
}

// Runs fn while holding the tracking mutex; false when the trace stopped or
// the mutex does not exist.
template <typename F>
bool WithTracking(F fn) {
  for (;;) {
    TimedMutex* m = gTrace.MsgTrackingMutex.get();
    if (!gTrace.TraceRunning || m == nullptr) return false;
    if (m->try_lock_for(kLoopWait)) {
      fn();
      m->unlock();
      return true;
    }
  }
}

// Drops the first `messages` records and the words they point to.
void ShiftTables(std::size_t messages) {
  MessageTables& t = gMsgTables;
  if (messages == 0) return;
  if (messages >= t.recordNext - 1) {
    ClearMessageTables();
    return;
  }
  const std::uint32_t r = static_cast<std::uint32_t>(messages);
  const std::uint32_t last = std::min(t.records[r].stopIndex, t.wordNext - 1);
  std::uint32_t moved = 0;
  for (std::uint32_t i = last + 1; i < t.wordNext; ++i) t.words[++moved] = t.words[i];
  t.wordNext = moved + 1;
  moved = 0;
  for (std::uint32_t i = r + 1; i < t.recordNext; ++i) {
    MessageRecord rec = t.records[i];
    rec.startIndex -= last;
    rec.stopIndex -= last;
    t.records[++moved] = rec;
  }
  t.recordNext = moved + 1;
}

// false when the tick must end.
bool Trim() {
  if (gWholeTrace.Active()) {
    if (PageLines() > kLineLimit) gPageStart = gWholeTrace.LineCount() - kLineLimit / 2;
    return true;
  }
  MainWindowSeam& seam = MainWindow();
  const std::size_t lines = seam.DisplayLineCount();
  if (lines <= kLineLimit) return true;
  const std::size_t r = lines - kLineLimit / 2;
  std::size_t notes = 0;
  while (notes < gNoteLines.size() && gNoteLines[notes] < gFirstLine + r) ++notes;
  const std::size_t messages = r - notes;
  if (!WithTracking([&] { ShiftTables(messages); })) return false;
  seam.DeleteFirstDisplayLines(r);
  gNoteLines.erase(gNoteLines.begin(), gNoteLines.begin() + static_cast<std::ptrdiff_t>(notes));
  gFirstLine += r;
  return true;
}

void CountLines(std::uint32_t n) {
  gDisplayedLines.units += n;
  if (gDisplayedLines.units >= kCounterWrap) {
    gDisplayedLines.units -= kCounterWrap;
    ++gDisplayedLines.thousandsOfMillions;
  }
}

void RetryLostPod() {
  MainWindowSeam& seam = MainWindow();
  for (;;) {
    Reports().Beep();
    if (gRetryCounter > kMaxRetries) {
      AppendDisplayNote("External Pod Not Detected, Trace Terminated.");
      HaltButtonClick();
      seam.WaitMilliseconds(1000);
      gPod.ReleaseInterface();
      return;
    }
    AppendDisplayNote("Pod Communication Lost, Attempting Retry (" + std::to_string(gRetryCounter) + ") of (" +
                      std::to_string(kMaxRetries) + ").");
    ++gRetryCounter;
    seam.TraceStatusRefresh();
    HaltButtonClick();
    seam.WaitMilliseconds(1000);
    if (PodInitialized) {
      seam.StartTraceClickTimer();
      return;
    }
  }
}

}  // namespace

void AppendDisplayNote(std::string_view line) {
  if (gWholeTrace.Active()) {
    gWholeTrace.AppendNote(line);
    MainWindow().WholeTraceGrew();
  } else {
    MainWindow().AppendDisplayLine(line);
  }
  gNoteLines.push_back(gNextLine++);
}

void EmptyDisplay() {
  gWholeTrace.ClearLines();
  gPageStart = 0;
  MainWindow().ClearDisplay();
  gNoteLines.clear();
  gFirstLine = gNextLine = 0;
}

void ResetDisplayLoop() {
  gBatch.Clear();
  gDisplayedLines = {};
}

void DataMemoUpdateTimer() {
  if (!gTrace.TraceRunning) return;
  MainWindowSeam& seam = MainWindow();
  std::uint32_t endCode = kNoEndCode;

  if (!gTraceFiles.logReadName.empty() && PageLines() > kLineLimit) {
    if (CurrentTraceMode() == TraceMode::Resumed) {
      SetTraceMode(TraceMode::Replay);
    } else if (gTraceOptions.LogReadAutoPause) {
      TraceButtonClick();
      return;
    }
  }
  if (!Trim()) return;

  gBatch.Clear();
  TimedMutex* m = gTrace.DisplayQueueMutex.get();
  if (m == nullptr) return;
  if (m->try_lock_for(kLoopWait)) {
    if (gTrace.NewLinesQueued) {
      gBatch.Swap(gTrace.DisplayQueue);
      gTrace.NewLinesQueued = false;
    }
    endCode = gTrace.EndCode;
    m->unlock();
    if (!gBatch.empty()) DisplayQueueTaken();
  }

  if (!gBatch.empty()) {
    if (gWholeTrace.Active()) {
      gWholeTrace.AppendLines(gBatch);
      seam.WholeTraceGrew();
    } else {
      seam.AppendDisplayLines(gBatch);
    }
    std::uint32_t messages = 0;
    for (std::size_t i = 0; i < gBatch.size(); ++i, ++gNextLine) {
      if (gBatch.IsMessage(i)) {
        ++messages;
      } else {
        gNoteLines.push_back(gNextLine);
      }
    }
    CountLines(messages);
    if (DisplayFile::DisplayFileOpen) {
      for (std::size_t i = 0; i < gBatch.size(); ++i) {
        if (gBatch.IsMessage(i) && !DisplayFile::WriteLine(gBatch.Text(i))) {
          AppendDisplayNote("Display File Error, Trace Terminated.");
          Reports().ShowMessage("Cannot Write to File", "Display File Error");
          HaltButtonClick();
          return;
        }
      }
    }
  }

  // A whole trace past its share of memory ends the trace as a full pod
  // memory does; a log being written keeps everything.
  if (gWholeTrace.Active() && gWholeTrace.Bytes() > gWholeTrace.Ceiling()) {
    Reports().Beep();
    AppendDisplayNote("Keep Whole Trace Memory Full, Trace Terminated.");
    HaltButtonClick();
    return;
  }

  switch (endCode) {
    case kEndLogExhausted:
      AppendDisplayNote("Log File Exhausted, Trace Terminated.");
      HaltButtonClick();
      break;
    case kEndPodMemoryFull:
      Reports().Beep();
      AppendDisplayNote("Pod Recording Memory Full Detected, Trace Terminated.");
      HaltButtonClick();
      break;
    case kEndPodLost:
      RetryLostPod();
      break;
    default:
      break;
  }
}

void PauseDisplay() {
  MainWindowSeam& seam = MainWindow();
  SetTraceMode(TraceMode::Paused);
  seam.SetDisplayTimerEnabled(false);
  if (AnyMessageKept()) seam.SetDisplayContextMenu(true);
}

void ResumeDisplay() {
  MainWindowSeam& seam = MainWindow();
  SetTraceMode(TraceMode::Resumed);
  seam.SetDisplayContextMenu(false);
  seam.SetDisplayTimerEnabled(true);
}

void ClearDisplayButtonClick() {
  auto clear = [] {
    EmptyDisplay();
    ClearMessageTables();
  };
  if (!gTrace.TraceRunning) {
    // Between traces the display is emptied anyway: Keep Whole Trace's
    // choice can take effect now.
    gWholeTrace.SetActive(gTraceOptions.KeepWholeTrace);
    clear();
    MainWindow().SetDisplayContextMenu(false);  // no line left to pick
    return;
  }
  for (;;) {
    TimedMutex* m = gTrace.MsgTrackingMutex.get();
    if (m == nullptr || !gTrace.TraceRunning) {
      clear();
      return;
    }
    if (m->try_lock_for(100ms)) {
      clear();
      m->unlock();
      return;
    }
    std::this_thread::sleep_for(kLoopWait);
  }
}

}  // namespace vantrel
