// The pod's status flags as the acquisition thread last read them, guarded by
// the pod status mutex, which lives from program start to the main window's
// close. Every wait for it is at most 100 ms.
#pragma once
#include <cstdint>

namespace vantrel {

// Status port (port 2) bits.
inline constexpr std::uint8_t kPodPresent = 0x01;
inline constexpr std::uint8_t kPodNoData = 0x02;       // nothing to read now
inline constexpr std::uint8_t kPodMemoryFull = 0x04;   // recording memory full
inline constexpr std::uint8_t kPodConfiguring = 0x08;  // takes configuration bits

void CreatePodStatusMutex();
void ClosePodStatusMutex();
// Acquisition threads, every pass: reads the status port through the pod
// table. Does nothing when the mutex cannot be had.
void PollPodStatus();
// Each reads false when it cannot have the mutex.
bool ReadPodAlive();
bool ReadPodFifoEmpty();
bool ReadPodMemoryFull();
// The last poll found the pod gone. A busy mutex reads false here too, so
// that a slow poll is never taken for a lost pod.
bool ReadPodLost();
void ClearPodMemoryFull();  // trace start
void SetPodAlive();         // an acquisition thread starts

}  // namespace vantrel
