#include "pod/PodInterface.h"

namespace vantrel {

PodInterfaceTable gPod = DefaultPodInterface();
PodSelection gPodSelection;
std::atomic<bool> PodInitialized{false};
PodOptions gPodOptions;
TriggerOutMemories gTriggerOut;
BusLevels gBusLevels;

PodInterfaceTable DefaultPodInterface() {
  return PodInterfaceTable{
      .ReleaseInterface = [] {},
      .InitializePod = [](const std::string&) { return false; },
      .OpenInterface = [] { return false; },
      .LoopbackTest = [] { return false; },
      .PodDetected = [] { return false; },
      .LoadPodConfiguration = [](const std::string&) { return false; },
      .StartPodTrace = [](bool, bool, std::uint32_t, std::uint32_t) {},
      .StopPodTrace = [] {},
      .LoadTriggerPattern = [] {},
      .ReadPodByte = []() -> std::uint8_t { return 0; },
      .ReadBusLevels = [] {},
      .GetTraceWord = []() -> std::uint32_t { return 0; },
      .ReadPort = [](std::uint16_t) -> std::uint8_t { return 0; },
      .ReadStatusPort = []() -> std::uint8_t { return 0; },
      .ShiftConfigNibble = [](std::uint8_t) {},
      .WritePort = [](std::uint16_t, std::uint8_t) {},
      .StartTraceThread = [] {},
      .StopTraceThread = [] {},
  };
}

void InstallDefaultPodInterface() { gPod = DefaultPodInterface(); }

}  // namespace vantrel
