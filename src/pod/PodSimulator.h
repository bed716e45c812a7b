// The pod simulator as an interface a user can choose ("Pod Simulator" in
// Select Pod Interface): the program's own software pod, playing a bus
// scenario in real time behind the simulator transport, so that every live
// path can be tried without hardware. Main thread, except where noted.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tracegen/TraceGen.h"

namespace vantrel {

class SoftwarePod;

enum class SimScenario : std::uint8_t { SmartBattery, Eeprom, LoadedBus400k, Stress1MHz };
struct SimScenarioInfo {
  SimScenario id;
  const char* name;  // as the Pod Simulator window lists it
  BusScenario (*make)();
};
const std::vector<SimScenarioInfo>& SimScenarios();

// The simulator's pod, made at first use with the Smart Battery scenario.
// Its own members are safe from any thread.
SoftwarePod& SimulatorPod();
// The scenario the pod plays from the next trace start on.
SimScenario SimulatorScenario();
void SetSimulatorScenario(SimScenario scenario);

// The interface kind's operations (InterfaceSelection's table).
inline constexpr const char* kSimulatorEntry = "Pod Simulator";
std::vector<std::string> SimulatorEntries();
bool SimulatorPresent(std::int32_t number);
void InstallPodSimulator();
// Listed always; counts as an interface found only while it is the one
// selected, so that System Diagnostics still reports missing hardware.
bool ListSimulator(std::vector<std::string>& lines);

}  // namespace vantrel
