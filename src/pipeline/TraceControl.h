// Trace start and halt, and the Trace button's action. Main thread only.
#pragma once
#include <cstdint>
#include <string>

namespace vantrel {

// File selections made in the Setup menu; empty when none.
struct TraceFiles {
  std::string logWriteName;
  std::string logReadName;
  std::string displayFileName;
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
// Device 2 (RAM) or 1 (disk), and the size in bytes of the chosen item.
int SpoolDeviceOf(const SpoolChoice& choice);
std::uint32_t SpoolSizeOf(const SpoolChoice& choice);
extern std::uint32_t gSpoolSizeBytes;  // taken at trace start

// 1 for a trace started normally; raised by the lost-pod retry.
extern std::uint32_t gRetryCounter;

// "Pause!" pauses, "More!" resumes, anything else starts a trace.
void TraceButtonClick();
void HaltButtonClick();
// The 100 ms one-shot restart after a lost pod.
void TraceClickTimerTimer();
// The main window closes: halt and let the pod go.
void MainWindowClose();

}  // namespace vantrel
