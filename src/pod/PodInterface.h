// The table of pod operations: everything the program does to the pod goes
// through these 18 slots. A transport fills them; until one is installed every
// slot does nothing and returns 0 or false.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

namespace vantrel {

struct PodInterfaceTable {
  void (*ReleaseInterface)();
  bool (*InitializePod)(const std::string& configPath);
  bool (*OpenInterface)();
  bool (*LoopbackTest)();
  bool (*PodDetected)();
  bool (*LoadPodConfiguration)(const std::string& configPath);
  void (*StartPodTrace)(bool bitTiming, bool startOnTriggerIn, std::uint8_t trigCode, std::uint8_t threshold);
  void (*StopPodTrace)();
  void (*LoadTriggerPattern)();
  std::uint8_t (*ReadPodByte)();
  void (*ReadBusLevels)();
  std::uint32_t (*GetTraceWord)();  // 0 = no word available
  std::uint8_t (*ReadPort)(std::uint16_t port);
  std::uint8_t (*ReadStatusPort)();
  void (*ShiftConfigNibble)(std::uint8_t nibble);
  void (*WritePort)(std::uint16_t port, std::uint8_t value);
  void (*StartTraceThread)();
  void (*StopTraceThread)();
};

// Installed transport. Written on the main thread only while no trace runs;
// the parser and acquisition threads call GetTraceWord and ReadPort.
extern PodInterfaceTable gPod;
PodInterfaceTable DefaultPodInterface();
void InstallDefaultPodInterface();

enum class InterfaceKind : std::uint8_t { None = 0, Board = 1, Usb = 2 };

struct PodSelection {
  InterfaceKind InterfaceType = InterfaceKind::None;
  std::int32_t ULBoardNum = 0;  // board number, or the USB adapter's serial number
  std::string configPath;       // pod configuration file last used
};
extern PodSelection gPodSelection;  // main thread

// The pod was configured and the interface not released since. Main thread.
extern std::atomic<bool> PodInitialized;

// Pod options sent at trace start.
struct PodOptions {
  bool ExtTrigger = false;        // start the trace on Trigger In
  std::uint8_t TrigCode = 0;      // trigger-out condition
  std::uint8_t Threshold = 250;   // logic threshold, hundredths of a volt
};
extern PodOptions gPodOptions;  // main thread

}  // namespace vantrel
