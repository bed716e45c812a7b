// A live trace through a transport as fast as the software pod can be read:
// the pod records a scenario as fast as it is read, the acquisition thread
// spools it, the parser thread and the decoder keep up as they can, the
// display loop shows every line. Prints bytes/s, words/s and lines/s, the
// rate at which the scenario's bus makes words, whether the pod's memory
// ever filled, and the CPU time used.
//
// Usage: live_trace_bench [--board|--simulator|--usb|--usb-libusb]
//          [--bit-timing] [--paced] [SECONDS] [SCENARIO]
// --board needs the stand-in data acquisition library on the library path;
// --usb goes through in-process USB services, --usb-libusb through libusb-1.0
// and the USB test bed (run it under umockdev-wrapper). --bit-timing has the
// pod send its bit records too; --paced records on the wall clock, so that a
// host slower than the bus fills the pod's memory.
#include <dlfcn.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/HeadlessMainWindow.h"
#include "pipeline/DisplayLoop.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pod/BoardLibrary.h"
#include "pod/CBWAdapter.h"
#include "pod/PodCommands.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"
#include "pod/SimulatorTransport.h"
#include "pod/SoftwarePod.h"
#include "pod/USBAdapter.h"
#include "pod/UsbAdapterFirmware.h"
#include "pod/UsbPlatform.h"
#include "settings/Settings.h"
#include "standin/ComediStandIn.h"
#include "tracegen/Scenarios.h"
#include "EmulatedUsb.h"
#ifdef VANTREL_USB_TESTBED
#include "UsbTestBed.h"
#endif

using namespace vantrel;

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

BusScenario Scenario(const std::string& name) {
  if (name == "eeprom") return EepromScenario();
  if (name == "400k") return LoadedBus400kScenario();
  if (name == "1mhz") return Stress1MHzScenario();
  return SmartBatteryScenario();
}

}  // namespace

enum class Path { Board, Simulator, Usb, UsbLibusb };

const char* PathName(Path path) {
  switch (path) {
    case Path::Board: return "board through the stand-in library";
    case Path::Simulator: return "simulator";
    case Path::Usb: return "USB through in-process services";
    case Path::UsbLibusb: return "USB through libusb and the test bed";
  }
  return "";
}

int main(int argc, char** argv) {
  Path path = Path::Board;
  bool bitTiming = false, paced = false;
  double seconds = 5;
  std::string scenario = "1mhz";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--board") == 0) {
      path = Path::Board;
    } else if (std::strcmp(argv[i], "--simulator") == 0) {
      path = Path::Simulator;
    } else if (std::strcmp(argv[i], "--usb") == 0) {
      path = Path::Usb;
    } else if (std::strcmp(argv[i], "--usb-libusb") == 0) {
      path = Path::UsbLibusb;
    } else if (std::strcmp(argv[i], "--bit-timing") == 0) {
      bitTiming = true;
    } else if (std::strcmp(argv[i], "--paced") == 0) {
      paced = true;
    } else if (std::strcmp(argv[i], "sbs") == 0 || std::strcmp(argv[i], "eeprom") == 0 ||
               std::strcmp(argv[i], "400k") == 0 || std::strcmp(argv[i], "1mhz") == 0) {
      scenario = argv[i];
    } else {
      seconds = std::atof(argv[i]);
    }
  }

  HeadlessMainWindow window;
  window.keepDisplay = false;
  window.realWaits = false;
  CreatePodStatusMutex();
  ConnectDecoder();
  RestoreDefaultSettings();
  PodWait = [](int) {};
  gSpool = {SpoolDevice::Ram, 1000000};
  gSpoolChoice.deviceItem = 0;
  gSpoolChoice.bufferSizeItem = 3;  // 1 MB
  gTraceOptions.EnableTraceDisplay = true;
  gTraceOptions.EnableBitTiming = bitTiming;

  SoftwarePod pod(Scenario(scenario), {.memoryBytes = 8u << 20, .wallClock = paced});
  std::unique_ptr<UsbAdapterFirmware> firmware;
  std::unique_ptr<test::EmulatedUsb> emulated;
#ifdef VANTREL_USB_TESTBED
  std::unique_ptr<test::UsbTestBed> bed;  // goes before the firmware
#endif
  if (path == Path::Usb || path == Path::UsbLibusb) {
    firmware = std::make_unique<UsbAdapterFirmware>(pod, UsbAdapterFirmware::Options{});
    if (path == Path::Usb) {
      emulated = std::make_unique<test::EmulatedUsb>();
      emulated->Add(*firmware);
    } else {
#ifdef VANTREL_USB_TESTBED
      if (!test::UsbTestBed::Available()) {
        std::fprintf(stderr, "live_trace_bench: --usb-libusb runs under umockdev-wrapper\n");
        return 2;
      }
      bed = std::make_unique<test::UsbTestBed>();
      bed->AddAdapter(*firmware);
      SetUsbServices(nullptr);
#else
      std::fprintf(stderr, "live_trace_bench: built without the USB test bed (umockdev)\n");
      return 2;
#endif
    }
    gPodSelection = {InterfaceKind::Usb, 1234, ""};
    InstallUsbTransport();
  } else if (path == Path::Board) {
    if (!LoadBoardLibrary()) {
      std::fprintf(stderr, "live_trace_bench: %s not found (put the stand-in on LD_LIBRARY_PATH)\n",
                   BoardLibraryFile());
      return 2;
    }
    auto* attach = reinterpret_cast<void (*)(int, const VantrelStandInLines*)>(
        ::dlsym(::dlopen(BoardLibraryFile(), RTLD_NOW | RTLD_NOLOAD), "vantrel_standin_attach"));
    if (attach == nullptr) {
      std::fprintf(stderr, "live_trace_bench: not the stand-in library\n");
      return 2;
    }
    const VantrelStandInLines lines{
        [](void* p, std::uint16_t port, std::uint8_t v) { static_cast<SoftwarePod*>(p)->WritePort(port, v); },
        [](void* p, std::uint16_t port) { return static_cast<SoftwarePod*>(p)->ReadPort(port); }, &pod};
    attach(0, &lines);
    gPodSelection = {InterfaceKind::Board, 0, ""};
    InstallBoardTransport();
  } else {
    AttachSimulatedPod(&pod);
    InstallSimulatorTransport();
  }
  PodInitialized = gPod.InitializePod(VANTREL_POD_IMAGE);
  if (!PodInitialized) {
    std::fprintf(stderr, "live_trace_bench: the pod did not take its configuration\n");
    return 1;
  }

  std::uint64_t lines = 0, bytesRead = 0;
  bool filled = false;
  const auto start = std::chrono::steady_clock::now();
  const double cpu0 = CpuSeconds();
  std::uint64_t lastBytesRead = 0;  // for a trace that a full memory ended
  window.onDisplayLine = [&](std::string_view, bool message) {
    lines += message ? 1 : 0;
    const SoftwarePod::State state = pod.Snapshot();
    filled = filled || state.memoryFull;
    lastBytesRead = std::max(lastBytesRead, state.bytesRead);
    if (std::chrono::steady_clock::now() - start > std::chrono::duration<double>(seconds)) {
      window.PostToMainThread([&] {
        if (!gTrace.TraceRunning) return;
        bytesRead = pod.Snapshot().bytesRead;  // the halt's reconfiguration clears the pod
        HaltButtonClick();
      });
    }
  };
  TraceButtonClick();
  window.Run();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpu0;
  gPod.ReleaseInterface();
  if (bytesRead == 0) bytesRead = lastBytesRead;
  // The pod sent the scenario's words in order: count those its bytes held,
  // and the bus time they took.
  std::uint64_t words = 0, bytes = 0, busUs = 0;
  TraceBuilder bus(BusTiming{.bitTiming = bitTiming}, [&](TraceWord w, std::uint64_t timeUs) {
    if (bytes >= bytesRead) return;
    bytes += PodWordBytes(static_cast<std::uint8_t>(w >> 24));
    ++words;
    busUs = timeUs;
  });
  BusScenario replay = Scenario(scenario);
  while (bytes < bytesRead) replay(bus);
  std::printf("%s, %s%s%s: %.2f s, %.2f MB/s, %.2f M words/s, %.0f lines/s (the bus makes %.3g M words/s), "
              "memory %s, CPU %.2f s\n",
              PathName(path), scenario.c_str(), bitTiming ? ", bit timing" : "", paced ? ", paced" : "", wall,
              static_cast<double>(bytesRead) / wall / 1e6, static_cast<double>(words) / wall / 1e6,
              static_cast<double>(lines) / wall,
              busUs > 0 ? static_cast<double>(words) / static_cast<double>(busUs) : 0.0,
              filled ? "filled" : "never filled", cpu);
  return 0;
}
