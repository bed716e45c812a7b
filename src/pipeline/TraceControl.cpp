#include "pipeline/TraceControl.h"

#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

#include "analysis/AddressStats.h"
#include "common/Reports.h"
#include "decode/ParseAH.h"
#include "pipeline/DisplayFile.h"
#include "pipeline/DisplayLoop.h"
#include "pipeline/LogFile.h"
#include "pipeline/MessageTables.h"
#include "pipeline/MainWindowSeam.h"
#include "pipeline/PcapngFile.h"
#include "pipeline/TraceParserThread.h"
#include "pipeline/TraceState.h"
#include "pipeline/WholeTrace.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"
#include "pod/TraceWordAssembler.h"

namespace vantrel {

TraceFiles gTraceFiles;
SpoolChoice gSpoolChoice;
std::uint32_t gRetryCounter = 1;
TraceOptions gTraceOptions;

namespace {

constexpr std::uint32_t kBufferSizes[] = {100000, 250000, 500000, 1000000};
constexpr std::uint32_t kFileSizes[] = {10000000, 100000000, 500000000, 1000000000};
constexpr std::uint32_t kByteFifoSize = 1000;
constexpr const char* kPodReport = "Pod Interface Report";

const char* const kDisplayDisabledNotes[] = {
    " ",
    "Trace Data Disable can be used to capture trace data that",
    "crossed the I2C Bus faster than the data can be processed",
    "and displayed onscreen.",
    " ",
    "Trace Data Disable should be used with the Log File for Write",
    "option. After logging trace data, Enable Trace Data Display",
    "and open the Log File for Read to process and display the",
    "captured trace data.",
    " ",
    "See Menu|Setup|Enable Trace Display",
    "See Menu|Setup|Open Log File for Write",
    "See Menu|Setup|Open Log File for Read",
};

int Item(int item) { return item >= 0 && item < 4 ? item : 0; }

TraceMode gMode = TraceMode::Idle;

void Halt();

// A start-up failure after the pipeline was set up: halt, then report.
void FailStart(const char* text, const char* title) {
  Halt();
  Reports().ShowMessage(text, title);
}

template <typename T>
bool Make(std::unique_ptr<T>& p) {
  p.reset(new (std::nothrow) T);
  return p != nullptr;
}

void StartTrace() {
  MainWindowSeam& seam = MainWindow();
  const bool replay = !gTraceFiles.logReadName.empty();
  gWholeTrace.SetActive(gTraceOptions.KeepWholeTrace);
  EmptyDisplay();
  if (gPodOptions.ExtTrigger) {
    AppendDisplayNote("Trace Control: (Start Trace on Trigger IN)");
    AppendDisplayNote(" ");
    AppendDisplayNote(" ");
  }
  if (!gTraceOptions.EnableTraceDisplay) {
    AppendDisplayNote("Trace Display Disabled:");
    AppendDisplayNote(" ");
    AppendDisplayNote(gTraceFiles.logWriteName.empty() ? "Log File for Write Disabled" : "Log File for Write Enabled");
    for (const char* note : kDisplayDisabledNotes) AppendDisplayNote(note);
  }
  gSpool = {SpoolDeviceOf(gSpoolChoice), SpoolSizeOf(gSpoolChoice)};

  if (!replay && !PodInitialized) {
    seam.RunInitializePodCommand();
    if (!PodInitialized) return;
  }
  if (replay) {
    // Replacing the log being read would destroy the trace being replayed.
    for (const auto& [output, title] : {std::pair{&gTraceFiles.displayFileName, "Display File Error"},
                                        std::pair{&gTraceFiles.pcapngFileName, "Export Error"}}) {
      std::error_code ec;
      if (!output->empty() && std::filesystem::equivalent(*output, gTraceFiles.logReadName, ec)) {
        Reports().ShowMessage("Cannot Write to the Log File Being Read", title);
        return;
      }
    }
    if (!LogFile::OpenForRead(gTraceFiles.logReadName)) return;
  } else {
    if (!gTraceFiles.logWriteName.empty() && !LogFile::CreateForWrite(gTraceFiles.logWriteName, static_cast<int>(gRetryCounter)))
      return;
    gPod.StartPodTrace(gTraceOptions.EnableBitTiming, gPodOptions.ExtTrigger, gPodOptions.TrigCode, gPodOptions.Threshold);
  }
  if (!gTraceFiles.displayFileName.empty() &&
      !DisplayFile::Create(gTraceFiles.displayFileName, static_cast<int>(gRetryCounter))) {
    Halt();
    return;
  }
  if (!gTraceFiles.pcapngFileName.empty() &&
      !PcapngFile::Create(gTraceFiles.pcapngFileName, static_cast<int>(gRetryCounter))) {
    Halt();
    return;
  }

  SetTraceMode(replay ? TraceMode::Replay : TraceMode::Live);
  seam.SetDisplayContextMenu(false);
  seam.SetBandwidth(0, "0%");

  ResetDecoder();
  ResetStatistics();
  seam.StatisticsStarted();
  seam.TraceStatusStarted();

  ResetDisplayLoop();
  gTrace.DisplayQueue.Clear();
  gTrace.NewLinesQueued = false;
  gTrace.Words.Clear();
  ClearMessageTables();
  gTrace.EndCode = kNoEndCode;
  gTrace.IdleRunCount = 0;
  ClearPodMemoryFull();
  // Fresh pod flags before the parser thread first reads them: the last
  // trace's may still say the pod was lost.
  if (!replay) PollPodStatus();
  gRetryCounter = 1;
  gTrace.EndCodePushed = false;
  ++gTrace.Generation;
  gTrace.TraceRunning = true;

  if (!Make(gTrace.MsgTrackingMutex)) return FailStart("Displayed Msg Tracking Mutex Creation Failed", kPodReport);
  if (!Make(gTrace.DisplayQueueMutex))
    return FailStart("Trace Data Processing Thread Mutex Creation Failed", kPodReport);
  if (!ByteFifo.Create(kByteFifoSize, 1))
    return FailStart("Trace Data Processing Thread Buffer Allocation Failure", kPodReport);
  if (!StartParserThread()) return FailStart("Trace Data Processing Thread Creation Failed", "Trace Report");
  seam.SetDisplayTimerEnabled(true);
}

void Halt() {
  MainWindowSeam& seam = MainWindow();
  seam.SetDisplayTimerEnabled(false);
  seam.StatisticsStopped();
  gTrace.TraceRunning = false;
  const bool ended = WaitParserThreadEnd();
  if (PodInitialized) gPod.StopPodTrace();
  if (ended) {
    ByteFifo.Destroy();
    gTrace.MsgTrackingMutex.reset();
    gTrace.DisplayQueueMutex.reset();
  } else {
    // The thread was let go and may still touch them: they stay alive for the
    // rest of the run rather than be freed under it.
    (void)gTrace.MsgTrackingMutex.release();
    (void)gTrace.DisplayQueueMutex.release();
  }
  seam.TraceStatusFinished();
  LogFile::CloseForWrite();
  seam.SetLogWriteMenuEnabled(true);
  DisplayFile::Close();
  PcapngFile::Close();
  if (!gTraceFiles.logReadName.empty()) {
    LogFile::CloseForRead();
    gTraceFiles.logReadName.clear();
    seam.LogReadSelectionCleared();
  }
  SetTraceMode(TraceMode::Idle);
  if (AnyMessageKept()) seam.SetDisplayContextMenu(true);
  seam.SetBandwidth(0, "0%");
  if (PodInitialized) gPod.ReleaseInterface();
  PodInitialized = gPod.InitializePod(gPodSelection.configPath);
}

}  // namespace

void RestoreDefaultSpoolChoice() { gSpoolChoice = SpoolChoice{}; }

SpoolDevice SpoolDeviceOf(const SpoolChoice& choice) {
  return choice.deviceItem == 1 ? SpoolDevice::Disk : SpoolDevice::Ram;
}

std::uint32_t SpoolSizeOf(const SpoolChoice& choice) {
  return choice.deviceItem == 1 ? kFileSizes[Item(choice.fileSizeItem)] : kBufferSizes[Item(choice.bufferSizeItem)];
}

TraceMode CurrentTraceMode() { return gMode; }

void SetTraceMode(TraceMode mode) {
  gMode = mode;
  MainWindow().ShowTraceMode(mode);
}

void TraceButtonClick() {
  switch (gMode) {
    case TraceMode::Replay:
      PauseDisplay();
      break;
    case TraceMode::Paused:
    case TraceMode::Resumed:
      ResumeDisplay();
      break;
    case TraceMode::Idle:
      StartTrace();
      break;
    case TraceMode::Live:  // the button is disabled while a capture runs
      break;
  }
}

void HaltButtonClick() { Halt(); }

void TraceClickTimerTimer() { TraceButtonClick(); }

void MainWindowClose() {
  Halt();
  if (PodInitialized) gPod.ReleaseInterface();
  ClosePodStatusMutex();
  DisplayLines().Swap(gTrace.DisplayQueue);
}

}  // namespace vantrel
