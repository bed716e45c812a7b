// Trace start and halt, and the Trace button's action. Main thread only.
#pragma once
#include <cstdint>
#include <string>

#include "common/SpoolFile.h"
#include "pipeline/MainWindowSeam.h"

namespace vantrel {

// File selections made in the Setup menu; empty when none.
struct TraceFiles {
  std::string logWriteName;
  std::string logReadName;
  std::string displayFileName;
  std::string pcapngFileName;  // the export file (PcapngFile.h)
};
extern TraceFiles gTraceFiles;

// The Spool Setup window's choice, read at trace start.
struct SpoolChoice {
  int deviceItem = 0;      // 0 "Spool Buffer (RAM)", 1 "Spool File (DISK)"
  int bufferSizeItem = 0;  // "100KB", "250KB", "500KB", "1MB"
  int fileSizeItem = 0;    // "10MB", "100MB", "500MB", "1GB"
};
extern SpoolChoice gSpoolChoice;
void RestoreDefaultSpoolChoice();
// The device and the size in bytes of the chosen item.
SpoolDevice SpoolDeviceOf(const SpoolChoice& choice);
std::uint32_t SpoolSizeOf(const SpoolChoice& choice);

// 1 for a trace started normally; raised by the lost-pod retry.
extern std::uint32_t gRetryCounter;

// The menu options the trace reads: "Enable Trace Display" (checked at
// start), "Log File Read Auto-Pause" and "Enable Bit Timing". The main
// window's check marks show them.
struct TraceOptions {
  bool EnableTraceDisplay = true;
  bool LogReadAutoPause = false;
  bool EnableBitTiming = false;
  // Options | Keep Whole Trace: no line limit; taken up when a trace starts
  // or the display is cleared between traces.
  bool KeepWholeTrace = false;
};
extern TraceOptions gTraceOptions;

// Idle, a live capture, or a replay that is showing, paused or resumed.
TraceMode CurrentTraceMode();
// Holds the mode and has the main window show it.
void SetTraceMode(TraceMode mode);

// Pauses a replay that is showing, resumes a paused one, or starts a trace.
void TraceButtonClick();
void HaltButtonClick();
// The 100 ms one-shot restart after a lost pod.
void TraceClickTimerTimer();
// The main window closes: halt and let the pod go.
void MainWindowClose();

}  // namespace vantrel
