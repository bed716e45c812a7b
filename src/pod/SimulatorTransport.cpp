#include "pod/SimulatorTransport.h"

#include <atomic>

#include "common/Reports.h"
#include "pod/Acquisition.h"
#include "pod/CBWAdapter.h"
#include "pod/PodCommands.h"
#include "pod/PodInterface.h"
#include "pod/SoftwarePod.h"
#include "pod/TraceWordAssembler.h"

namespace vantrel {
namespace {

std::atomic<SoftwarePod*> gPodAttached{nullptr};
std::atomic<bool> gOpen{false};

bool OpenInterface() {
  gOpen = gPodAttached.load() != nullptr;
  return gOpen;
}

void WritePort(std::uint16_t port, std::uint8_t value) {
  SoftwarePod* pod = gPodAttached;
  if (gOpen && pod != nullptr && port <= 2) pod->WritePort(port, value);
}

std::uint8_t ReadPort(std::uint16_t port) {
  SoftwarePod* pod = gPodAttached;
  return gOpen && pod != nullptr && port <= 2 ? pod->ReadPort(port) : 0;
}

void StopTraceThread() {
  acquisition::Stop();
  acquisition::Release();
}

void StartTraceThread() {
  if (!gOpen) return;
  if (!acquisition::Prepare()) return;
  if (!acquisition::Start(&board::AcquisitionLoop)) {
    acquisition::Release();
    Reports().ShowMessage("Trace Thread Creation Failed [StartTraceThread-StopTrace]", "Pod Interface Report");
  }
}

void ReleaseInterface() {
  PodReleaseLines();
  StopTraceThread();
  gOpen = false;
}

}  // namespace

void AttachSimulatedPod(SoftwarePod* pod) { gPodAttached = pod; }
SoftwarePod* SimulatedPod() { return gPodAttached; }

void InstallSimulatorTransport() {
  InstallBoardTransport();
  gPod.ReleaseInterface = &ReleaseInterface;
  gPod.OpenInterface = &OpenInterface;
  gPod.ReadPort = &ReadPort;
  gPod.WritePort = &WritePort;
  gPod.StartTraceThread = &StartTraceThread;
  gPod.StopTraceThread = &StopTraceThread;
}

}  // namespace vantrel
