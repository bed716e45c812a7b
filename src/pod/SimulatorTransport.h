// The pod simulator's transport: a software pod inside the program, reached
// through ports that behave as a digital I/O board's, so that every live path
// runs without hardware. Main thread, as the other transports.
#pragma once

namespace vantrel {

class SoftwarePod;

// The simulated pod the transport drives (not owned); null: none attached,
// and the interface cannot be opened.
void AttachSimulatedPod(SoftwarePod* pod);
SoftwarePod* SimulatedPod();

// Fills all 18 slots of the pod table.
void InstallSimulatorTransport();

}  // namespace vantrel
