// Shared by the pod tests: a software pod wired to the board transport
// (through the stand-in data acquisition library), to the simulator
// transport or to the USB transport (through in-process USB services, or in
// the USB test bed's binary through libusb-1.0 and the bed), the pod-side
// port sequences of the command set, and scratch files.
#pragma once
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pod/BoardLibrary.h"
#include "pod/CBWAdapter.h"
#include "pod/PodCommands.h"
#include "pod/PodInterface.h"
#include "pod/SimulatorTransport.h"
#include "pod/SoftwarePod.h"
#include "pod/USBAdapter.h"
#include "pod/UsbAdapterFirmware.h"
#include "EmulatedUsb.h"
#include "standin/ComediStandIn.h"
#include "tracegen/Scenarios.h"
#ifdef VANTREL_USB_TESTBED
#include "UsbTestBed.h"
#endif

namespace vantrel::test {

using Seq = std::vector<SoftwarePod::Access>;

// As the pod receives them: a command write, a data write, a data read.
inline void C(Seq& s, std::uint8_t code) {
  s.push_back({true, 0, code});
  for (int c : {0x70, 0x50, 0x70, 0xF0}) s.push_back({true, 2, static_cast<std::uint8_t>(c)});
}
inline void D(Seq& s, std::uint8_t value) {
  s.push_back({true, 0, value});
  for (int c : {0xF0, 0xD0, 0xF0, 0xF0}) s.push_back({true, 2, static_cast<std::uint8_t>(c)});
}
inline Seq TriggerPatternLoad(const TriggerOutMemories& m) {
  Seq s;
  struct Memory {
    std::uint8_t reset, select, store;
    const std::array<std::uint8_t, 16>& bytes;
  };
  for (const Memory& mem : {Memory{0x50, 0x40, 0x60, m.PatternMem}, Memory{0x90, 0x80, 0xA0, m.DontCareMem},
                            Memory{0xD0, 0xC0, 0xE0, m.TrigPosMem}}) {
    C(s, mem.reset);
    C(s, mem.select);
    for (std::uint8_t b : mem.bytes) {
      D(s, b);
      C(s, mem.store);
      C(s, mem.select);
    }
  }
  return s;
}
// Control writes keep only the bits that reach the pod; read values are not
// compared (what the pod answered is the pod's business).
inline Seq WritesAndReads(Seq s) {
  for (auto& a : s) {
    if (a.write && a.port == 2) a.value &= 0xF0;
    if (!a.write) a.value = 0;
  }
  return s;
}
inline std::size_t CountWrites(const Seq& s, std::uint16_t port) {
  std::size_t n = 0;
  for (const auto& a : s) n += a.write && a.port == port ? 1 : 0;
  return n;
}

inline std::string ShippedImage() { return VANTREL_POD_IMAGE; }
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Usb: the USB transport over EmulatedUsb; UsbLibusb: over the platform's
// services (libusb-1.0) and an adapter on the USB test bed.
enum class Transport { Board, Simulator, Usb, UsbLibusb };

class PodTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PodWait = [](int) {};
    dir_ = std::filesystem::temp_directory_path() /
           ("vantrel-pod-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    gTriggerOut = {};
    gPodOptions = {};
    pod_ = std::make_unique<SoftwarePod>(SmartBatteryScenario(),
                                         SoftwarePod::Options{.memoryBytes = 64u << 10, .wallClock = false});
  }
  void TearDown() override {
    gPod.ReleaseInterface();
    InstallDefaultPodInterface();
    AttachSimulatedPod(nullptr);
    if (attach_ != nullptr) attach_(0, nullptr);
    usb_.reset();
#ifdef VANTREL_USB_TESTBED
    bed_.reset();
#endif
    PodInitialized = false;
    std::filesystem::remove_all(dir_);
  }

  // Wires the pod to a transport and installs it. UsbLibusb skips the test
  // outside umockdev's preload library.
  void Connect(Transport t) {
    if (t == Transport::Usb || t == Transport::UsbLibusb) {
      firmware_ = std::make_unique<UsbAdapterFirmware>(*pod_, UsbAdapterFirmware::Options{});
      if (t == Transport::Usb) {
        usb_ = std::make_unique<EmulatedUsb>();
        usbId_ = usb_->Add(*firmware_);
      } else {
#ifdef VANTREL_USB_TESTBED
        if (!UsbTestBed::Available()) GTEST_SKIP() << "needs umockdev's preload library (umockdev-wrapper)";
        bed_ = std::make_unique<UsbTestBed>();
        SetUsbServices(nullptr);
        usbId_ = bed_->AddAdapter(*firmware_);
#else
        FAIL() << "the USB test bed is not in this test program";
#endif
      }
      gPodSelection = {InterfaceKind::Usb, 1234, ""};
      InstallUsbTransport();
      return;
    }
    if (t == Transport::Simulator) {
      AttachSimulatedPod(pod_.get());
      InstallSimulatorTransport();
      gPodSelection = {InterfaceKind::None, 0, ""};
      return;
    }
    ASSERT_TRUE(LoadBoardLibrary()) << "the stand-in library is not on the library path";
    void* lib = ::dlopen(BoardLibraryFile(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    attach_ = reinterpret_cast<decltype(attach_)>(::dlsym(lib, "vantrel_standin_attach"));
    fail_ = reinterpret_cast<decltype(fail_)>(::dlsym(lib, "vantrel_standin_fail"));
    ASSERT_NE(attach_, nullptr) << "not the stand-in library";
    static const VantrelStandInLines lines{
        [](void* p, std::uint16_t port, std::uint8_t v) { static_cast<SoftwarePod*>(p)->WritePort(port, v); },
        [](void* p, std::uint16_t port) { return static_cast<SoftwarePod*>(p)->ReadPort(port); }, nullptr};
    VantrelStandInLines mine = lines;
    mine.context = pod_.get();
    attach_(0, &mine);
    gPodSelection = {InterfaceKind::Board, 0, ""};
    InstallBoardTransport();
  }

  std::string WriteScratch(const std::string& name, const std::string& text) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  std::filesystem::path dir_;
  std::unique_ptr<SoftwarePod> pod_;
  std::unique_ptr<EmulatedUsb> usb_;
  std::unique_ptr<UsbAdapterFirmware> firmware_;
#ifdef VANTREL_USB_TESTBED
  std::unique_ptr<UsbTestBed> bed_;  // goes before the firmware
#endif
  int usbId_ = -1;
  void (*attach_)(int, const VantrelStandInLines*) = nullptr;
  void (*fail_)(int, int) = nullptr;
};

}  // namespace vantrel::test
