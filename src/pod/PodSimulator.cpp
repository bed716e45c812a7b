#include "pod/PodSimulator.h"

#include <memory>

#include "pod/PodInterface.h"
#include "pod/SimulatorTransport.h"
#include "pod/SoftwarePod.h"
#include "tracegen/Scenarios.h"

namespace vantrel {
namespace {

SimScenario gScenario = SimScenario::SmartBattery;

}  // namespace

const std::vector<SimScenarioInfo>& SimScenarios() {
  static const std::vector<SimScenarioInfo> scenarios = {
      {SimScenario::SmartBattery, "Smart Battery System (100 kHz)", [] { return SmartBatteryScenario(); }},
      {SimScenario::Eeprom, "EEPROM (400 kHz)", [] { return EepromScenario(); }},
      {SimScenario::LoadedBus400k, "Fully Loaded Bus (400 kHz)", [] { return LoadedBus400kScenario(); }},
      {SimScenario::Stress1MHz, "Stress Bus (1 MHz)", [] { return Stress1MHzScenario(); }},
  };
  return scenarios;
}

SoftwarePod& SimulatorPod() {
  static const std::unique_ptr<SoftwarePod> pod = std::make_unique<SoftwarePod>(SmartBatteryScenario());
  return *pod;
}

SimScenario SimulatorScenario() { return gScenario; }

void SetSimulatorScenario(SimScenario scenario) {
  for (const SimScenarioInfo& s : SimScenarios()) {
    if (s.id != scenario) continue;
    gScenario = scenario;
    SimulatorPod().SetScenario(s.make());
  }
}

std::vector<std::string> SimulatorEntries() { return {kSimulatorEntry}; }

bool SimulatorPresent(std::int32_t number) { return number == 0; }

void InstallPodSimulator() {
  AttachSimulatedPod(&SimulatorPod());
  InstallSimulatorTransport();
}

bool ListSimulator(std::vector<std::string>& lines) {
  lines.push_back(std::string(kSimulatorEntry) + " Available.");
  return gPodSelection.InterfaceType == InterfaceKind::Simulator;
}

}  // namespace vantrel
