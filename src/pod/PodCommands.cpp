#include "pod/PodCommands.h"

#include <chrono>
#include <thread>

#include "pod/PodInterface.h"
#include "pod/PodStatus.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kPort0 = 0, kPort1 = 1, kPort2 = 2;

void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void Control(std::uint8_t value) { gPod.WritePort(kPort2, value); }

}  // namespace

void (*PodWait)(int milliseconds) = &Wait;

void PodCommandWrite(std::uint8_t code) {
  gPod.WritePort(kPort0, code);
  for (std::uint8_t c : {std::uint8_t{0x70}, std::uint8_t{0x50}, std::uint8_t{0x70}, std::uint8_t{0xF0}}) Control(c);
}

void PodDataWrite(std::uint8_t value) {
  gPod.WritePort(kPort0, value);
  for (std::uint8_t c : {std::uint8_t{0xF0}, std::uint8_t{0xD0}, std::uint8_t{0xF0}, std::uint8_t{0xF0}}) Control(c);
}

std::uint8_t PodDataRead() {
  Control(0xB0);
  Control(0xB0);
  (void)gPod.ReadPort(kPort1);
  const std::uint8_t value = gPod.ReadPort(kPort1);  // the second read counts
  Control(0xF0);
  Control(0xF0);
  return value;
}

void PodConfigurationReset() {
  Control(0xCF);
  PodWait(100);
  Control(0xDF);
  PodWait(100);
}

void PodReleaseLines() {
  Control(0x00);
  gPod.WritePort(kPort0, 0x00);
  Control(0xFF);
  gPod.WritePort(kPort0, 0xFF);
}

namespace shared {

bool InitializePod(const std::string& configPath) {
  if (!gPod.OpenInterface()) return false;
  PodConfigurationReset();
  return gPod.LoadPodConfiguration(configPath);
}

bool LoopbackTest() {
  if (!gPod.OpenInterface()) return false;
  Control(0x1F);
  PodWait(100);
  const bool high = (gPod.ReadPort(kPort2) & kPodPresent) != 0;
  Control(0x0F);
  PodWait(100);
  const bool low = (gPod.ReadPort(kPort2) & kPodPresent) == 0;
  gPod.ReleaseInterface();
  return high && low;
}

bool PodDetected() { return (gPod.ReadPort(kPort2) & kPodPresent) != 0; }

void LoadTriggerPattern() {
  struct Memory {
    std::uint8_t reset, select, store;
    const std::array<std::uint8_t, 16>& bytes;
  };
  const Memory memories[] = {{0x50, 0x40, 0x60, gTriggerOut.PatternMem},
                             {0x90, 0x80, 0xA0, gTriggerOut.DontCareMem},
                             {0xD0, 0xC0, 0xE0, gTriggerOut.TrigPosMem}};
  for (const Memory& m : memories) {
    PodCommandWrite(m.reset);
    PodCommandWrite(m.select);
    for (std::uint8_t b : m.bytes) {
      PodDataWrite(b);
      PodCommandWrite(m.store);
      PodCommandWrite(m.select);
    }
  }
}

void StartPodTrace(bool bitTiming, bool startOnTriggerIn, std::uint32_t trigCode, std::uint32_t threshold) {
  gPod.LoadTriggerPattern();
  PodCommandWrite(0x02);
  PodDataWrite(TriggerCodeBits(trigCode));
  PodCommandWrite(0x08);
  PodDataWrite(static_cast<std::uint8_t>(threshold));
  PodCommandWrite(0x04);
  PodDataWrite(0x01);
  PodDataWrite(static_cast<std::uint8_t>((bitTiming ? 0x04 : 0x00) | (startOnTriggerIn ? 0x80 : 0x40)));
  PodCommandWrite(0x01);
  gPod.StartTraceThread();
}

void StopPodTrace() {
  gPod.StopTraceThread();
  PodCommandWrite(0x04);
  PodDataWrite(0x08);
  PodCommandWrite(0x02);
  PodDataWrite(0x00);
}

std::uint8_t ReadPodByte() {
  Control(0xB0);
  const std::uint8_t value = gPod.ReadPort(kPort1);
  Control(0xF0);
  return value;
}

void ReadBusLevels() {
  PodCommandWrite(0x02);
  std::int32_t* levels[] = {&gBusLevels.reference, &gBusLevels.bus, &gBusLevels.scl, &gBusLevels.sda};
  const std::uint8_t selects[] = {1, 3, 5, 7};
  for (int i = 0; i < 4; ++i) {
    PodDataWrite(selects[i]);
    *levels[i] = PodDataRead() & 0xFF;
  }
  PodDataWrite(0x06);
}

std::uint8_t ReadStatusPort() { return gPod.ReadPort(kPort2); }

void ShiftConfigNibble(std::uint8_t nibble) {
  for (int bit = 3; bit >= 0; --bit) {
    Control(0xDF);
    gPod.WritePort(kPort0, static_cast<std::uint8_t>((nibble >> bit) & 1u));
    Control(0xFF);
  }
}

}  // namespace shared
}  // namespace vantrel
