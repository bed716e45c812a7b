// The pod's command set and the table's shared slots, built only from the
// table's WritePort and ReadPort, so that every transport reuses them.
// Main thread, except ReadPodByte (the board's acquisition thread).
#pragma once
#include <cstdint>
#include <string>

namespace vantrel {

// Port sequences.
void PodCommandWrite(std::uint8_t code);
void PodDataWrite(std::uint8_t value);
std::uint8_t PodDataRead();
void PodConfigurationReset();  // with its two 100 ms waits
void PodReleaseLines();

// The 100 ms waits of the configuration reset and the loopback test; tests
// may shorten them.
extern void (*PodWait)(int milliseconds);

namespace shared {

bool InitializePod(const std::string& configPath);
bool LoopbackTest();
bool PodDetected();
void StartPodTrace(bool bitTiming, bool startOnTriggerIn, std::uint32_t trigCode, std::uint32_t threshold);
void StopPodTrace();
void LoadTriggerPattern();
std::uint8_t ReadPodByte();
void ReadBusLevels();
std::uint8_t ReadStatusPort();
void ShiftConfigNibble(std::uint8_t nibble);

}  // namespace shared

// The trigger code as the pod's register takes it: 0 none, 1 starts (0x08),
// 2 stops (0x10), 3 nacks (0x20), 4 acks (0x40), 5 or more a bit pattern (0x80).
constexpr std::uint8_t TriggerCodeBits(std::uint32_t code) {
  return code == 0 ? std::uint8_t{0x00} : code >= 5 ? std::uint8_t{0x80} : static_cast<std::uint8_t>(0x04u << code);
}

}  // namespace vantrel
