// The table of pod operations: everything the program does to the pod goes
// through these 18 slots. A transport fills them (the board transport all of
// them; the USB transport replaces the seven that touch the wire); until one
// is installed every slot does nothing and returns 0 or false. The shared
// slots reach the wire only through ReleaseInterface, OpenInterface,
// LoadPodConfiguration, ReadPort, WritePort, StartTraceThread and
// StopTraceThread.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace vantrel {

struct PodInterfaceTable {
  // Stops acquisition, releases the pod's lines and closes the interface.
  void (*ReleaseInterface)();
  // Opens the interface, resets the pod's configuration and downloads the
  // configuration file; true when the pod reports itself configured.
  bool (*InitializePod)(const std::string& configPath);
  // Opens the interface selected by InterfaceType and ULBoardNum; false when it cannot.
  bool (*OpenInterface)();
  // With the cable jumpered: control bit 4 comes back as status bit 0.
  bool (*LoopbackTest)();
  // Status bit 0: the pod is there and configured.
  bool (*PodDetected)();
  // Sends the configuration file to the pod; true when it took it.
  bool (*LoadPodConfiguration)(const std::string& configPath);
  // Programs the trigger pattern, trigger code, threshold and start flags,
  // starts the pod's recording, then the acquisition thread.
  void (*StartPodTrace)(bool bitTiming, bool startOnTriggerIn, std::uint32_t trigCode, std::uint32_t threshold);
  // Stops the acquisition thread, then the pod's recording.
  void (*StopPodTrace)();
  // Sends the pattern, don't-care and position memories (gTriggerOut).
  void (*LoadTriggerPattern)();
  // One trace byte from the pod's recording memory.
  std::uint8_t (*ReadPodByte)();
  // Reads the reference, bus supply, SCL and SDA levels into gBusLevels.
  void (*ReadBusLevels)();
  // The next trace word assembled from the spooled bytes, 0 when none yet.
  std::uint32_t (*GetTraceWord)();
  // Pod port 0..2 as the pod drives it; 0 for any other port or when closed.
  std::uint8_t (*ReadPort)(std::uint16_t port);
  // ReadPort(2).
  std::uint8_t (*ReadStatusPort)();
  // Four configuration bits, most significant first.
  void (*ShiftConfigNibble)(std::uint8_t nibble);
  // Drives pod port 0..2; any other port is ignored.
  void (*WritePort)(std::uint16_t port, std::uint8_t value);
  // Opens the spool and starts the acquisition thread.
  void (*StartTraceThread)();
  // Stops the acquisition thread and releases the spool.
  void (*StopTraceThread)();
};

// Installed transport. Written on the main thread only while no trace runs;
// the parser and acquisition threads call GetTraceWord and ReadPort.
extern PodInterfaceTable gPod;
PodInterfaceTable DefaultPodInterface();
void InstallDefaultPodInterface();

// InterfaceType: settings texts "InterfaceType=iNone", "=iCBW", "=iVNTUA",
// "=iSIM" (the pod simulator), "=iLA" (a logic analyser); readers that
// predate the last two ignore their lines.
enum class InterfaceKind : std::uint8_t { None = 0, Board = 1, Usb = 2, Simulator = 3, LogicAnalyser = 4 };

struct PodSelection {
  InterfaceKind InterfaceType = InterfaceKind::None;
  std::int32_t ULBoardNum = 0;  // board number 0..9, the USB adapter's serial number, 0 for the simulator
  std::string configPath;       // pod configuration file last used
};
extern PodSelection gPodSelection;  // main thread

// The pod was configured and the interface not released since. Main thread.
extern std::atomic<bool> PodInitialized;

// Pod options sent at trace start.
struct PodOptions {
  bool ExtTrigger = false;         // start the trace on Trigger In
  std::uint32_t TrigCode = 0;      // trigger-out condition: 0 none, 1 starts, 2 stops, 3 nacks, 4 acks, 5 bit pattern
  std::uint32_t Threshold = 250;   // logic threshold, hundredths of a volt (sent as one byte)
};
extern PodOptions gPodOptions;  // main thread

// The trigger-out memories LoadTriggerPattern sends: per pattern byte (the
// address byte, then data bytes 1..15) the bits that must be 1, the
// don't-care bits, and after which byte's acknowledgement Trigger Out occurs.
struct TriggerOutMemories {
  std::array<std::uint8_t, 16> PatternMem{};
  std::array<std::uint8_t, 16> DontCareMem{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  std::array<std::uint8_t, 16> TrigPosMem{1};
};
extern TriggerOutMemories gTriggerOut;  // main thread

// What ReadBusLevels left: raw 8-bit readings.
struct BusLevels {
  std::int32_t reference = 0, bus = 0, scl = 0, sda = 0;
};
extern BusLevels gBusLevels;  // main thread

}  // namespace vantrel
