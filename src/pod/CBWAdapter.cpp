#include "pod/CBWAdapter.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <string_view>

#include "common/Reports.h"
#include "pod/Acquisition.h"
#include "pod/BoardLibrary.h"
#include "pod/PodCommands.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"
#include "pod/TraceWordAssembler.h"

namespace vantrel {
namespace {

constexpr const char* kConfigureTitle = "Interface Board Configuration";
constexpr const char* kAccessTitle = "Interface Board Access";
constexpr auto kFlushAfter = std::chrono::milliseconds(50);

int Board() { return gPodSelection.ULBoardNum; }

// A failed library call: its text from the library, in a report. The
// acquisition thread reports the first failure of a trace only, so that a
// board gone mid-trace does not bury the user in message boxes.
std::atomic<bool> gReportedInTrace{false};

void ReportError(int code, const char* title, bool fromAcquisition = false) {
  if (fromAcquisition && gReportedInTrace.exchange(true)) return;
  char message[kBoardMessageSize] = {};
  if (const BoardLibrary* lib = BoardLib()) lib->cbGetErrMsg(code, message);
  Reports().ShowMessage(message, title);
}

bool OnAcquisitionThread();

bool OpenInterface() {
  const BoardLibrary* lib = BoardLib();
  if (lib == nullptr) return false;
  float revision = 5.03f;
  int code = lib->cbDeclareRevision(&revision);
  if (code == 0) code = lib->cbErrHandling(0, 0);
  const int ports[][2] = {{kBoardPortA, kDigitalOut},
                          {kBoardPortB, kDigitalIn},
                          {kBoardPortCLow, kDigitalIn},
                          {kBoardPortCHigh, kDigitalOut}};
  for (const auto& [port, direction] : ports) {
    if (code != 0) break;
    code = lib->cbDConfigPort(Board(), port, direction);
  }
  if (code != 0) {
    ReportError(code, kConfigureTitle);
    return false;
  }
  return true;
}

void WritePort(std::uint16_t port, std::uint8_t value) {
  const BoardLibrary* lib = BoardLib();
  if (lib == nullptr) return;
  int code = 0;
  switch (port) {
    case 0: code = lib->cbDOut(Board(), kBoardPortA, value); break;
    case 1: code = lib->cbDOut(Board(), kBoardPortB, value); break;
    case 2: code = lib->cbDOut(Board(), kBoardPortCHigh, static_cast<std::uint16_t>(value >> 4)); break;
    default: return;
  }
  if (code != 0) ReportError(code, kAccessTitle, OnAcquisitionThread());
}

std::uint8_t ReadPort(std::uint16_t port) {
  const BoardLibrary* lib = BoardLib();
  if (lib == nullptr) return 0;
  int boardPort = 0;
  switch (port) {
    case 0: boardPort = kBoardPortA; break;
    case 1: boardPort = kBoardPortB; break;
    case 2: boardPort = kBoardPortCLow; break;
    default: return 0;
  }
  std::uint16_t value = 0;
  const int code = lib->cbDIn(Board(), boardPort, &value);
  if (code != 0) {
    ReportError(code, kAccessTitle, OnAcquisitionThread());
    return 0;
  }
  return static_cast<std::uint8_t>(value);
}

void StopTraceThread() {
  acquisition::Stop();
  acquisition::Release();
}

void ReleaseInterface() {
  PodReleaseLines();
  StopTraceThread();
  const BoardLibrary* lib = BoardLib();
  if (lib == nullptr) return;
  for (int port : {kBoardPortA, kBoardPortB, kBoardPortCLow, kBoardPortCHigh}) {
    const int code = lib->cbDConfigPort(Board(), port, kDigitalIn);
    if (code != 0) {
      ReportError(code, kConfigureTitle);
      return;
    }
  }
}

}  // namespace

bool board::LoadPodConfiguration(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  constexpr std::string_view kDigits = "0123456789abcdef";
  char c = 0;
  while (file.get(c)) {
    const std::size_t nibble = kDigits.find(c);
    // Not a configuration digit while the pod still takes bits: a damaged file.
    if (nibble == std::string_view::npos) return false;
    gPod.ShiftConfigNibble(static_cast<std::uint8_t>(nibble));
    if ((gPod.ReadPort(2) & kPodConfiguring) == 0) break;
  }
  if (file.bad()) return false;
  gPod.ShiftConfigNibble(0);
  return (gPod.ReadPort(2) & (kPodPresent | kPodMemoryFull | kPodConfiguring)) == kPodPresent;
}

namespace {

// The acquisition thread's own, to tell its reports from the main thread's.
thread_local bool tAcquisition = false;
bool OnAcquisitionThread() { return tAcquisition; }

}  // namespace

void board::AcquisitionLoop() {
  tAcquisition = true;
  SpoolRecord record{};
  std::uint32_t count = 0;
  auto deadline = std::chrono::steady_clock::now() + kFlushAfter;
  while (!acquisition::StopRequested()) {
    PollPodStatus();
    if (ReadPodAlive() && !ReadPodFifoEmpty()) {
      // The record may wait for its deadline after the pod is gone or read
      // out; until it is spooled the trace must not end.
      if (count == 0) acquisition::HoldBytes();
      do {
        record.Payload()[count++] = gPod.ReadPodByte();
        if (count == kSpoolPayload) break;
        PollPodStatus();
      } while (!ReadPodFifoEmpty());
    }
    const auto now = std::chrono::steady_clock::now();
    if (count == kSpoolPayload || (count >= 1 && now > deadline)) {
      record.SetLength(count);
      if (!acquisition::Store(record)) break;
      count = 0;
      deadline = std::chrono::steady_clock::now() + kFlushAfter;
    }
    if (ReadPodFifoEmpty() || ReadPodMemoryFull()) acquisition::Pause();
  }
}

namespace {

void StartTraceThread() {
  gReportedInTrace = false;
  if (BoardLib() == nullptr) return;
  if (!acquisition::Prepare()) return;
  if (!acquisition::Start(&board::AcquisitionLoop)) {
    acquisition::Release();
    Reports().ShowMessage("Trace Thread Creation Failed [StartTraceThread-StopTrace]", "Pod Interface Report");
  }
}

}  // namespace

void InstallBoardTransport() {
  gPod = PodInterfaceTable{
      .ReleaseInterface = &ReleaseInterface,
      .InitializePod = &shared::InitializePod,
      .OpenInterface = &OpenInterface,
      .LoopbackTest = &shared::LoopbackTest,
      .PodDetected = &shared::PodDetected,
      .LoadPodConfiguration = &board::LoadPodConfiguration,
      .StartPodTrace = &shared::StartPodTrace,
      .StopPodTrace = &shared::StopPodTrace,
      .LoadTriggerPattern = &shared::LoadTriggerPattern,
      .ReadPodByte = &shared::ReadPodByte,
      .ReadBusLevels = &shared::ReadBusLevels,
      .GetTraceWord = &AssembleTraceWord,
      .ReadPort = &ReadPort,
      .ReadStatusPort = &shared::ReadStatusPort,
      .ShiftConfigNibble = &shared::ShiftConfigNibble,
      .WritePort = &WritePort,
      .StartTraceThread = &StartTraceThread,
      .StopTraceThread = &StopTraceThread,
  };
}

bool BoardPresent(int n) {
  const BoardLibrary* lib = BoardLib();
  char name[kBoardMessageSize] = {};
  return lib != nullptr && lib->cbGetBoardName(n, name) == 0;
}

std::vector<std::string> BoardEntries() {
  std::vector<std::string> entries;
  if (BoardLib() == nullptr) return entries;
  for (int n = 0; n < kMaxBoards; ++n) {
    if (BoardPresent(n)) entries.push_back(kBoardPrefix + std::to_string(n));
  }
  return entries;
}

bool ListBoards(std::vector<std::string>& lines) {
  const std::string driver = std::string("ISA/PCI/PCMCIA/PCIe Pod Interface Driver (") + BoardLibraryFile() + ")";
  const BoardLibrary* lib = BoardLib();
  if (lib == nullptr) {
    lines.push_back(driver + " Not Found.");
    return false;
  }
  lines.push_back(driver + " Found.");
  bool any = false;
  for (int n = 0; n < kMaxBoards; ++n) {
    char name[kBoardMessageSize] = {};
    if (lib->cbGetBoardName(n, name) != 0) continue;
    lines.push_back(kBoardPrefix + std::to_string(n) + ", " + name);
    any = true;
  }
  return any;
}

}  // namespace vantrel
