// Pod configuration files from anywhere, downloaded through both wire
// transports: the board transport (the stand-in board library, linked in
// under the library's own name, its ports wired to a software pod) and the
// USB transport (emulated adapter firmware over a software pod). A download
// never crashes or reports, and each transport answers "configured" exactly
// when the pod is, which is exactly when the digits that transport sends
// begin with a whole, valid image.
#include <array>
#include <vector>

#include "EmulatedUsb.h"
#include "FuzzSupport.h"
#include "pod/BoardLibrary.h"
#include "pod/CBWAdapter.h"
#include "pod/PodCommands.h"
#include "pod/PodInterface.h"
#include "pod/SoftwarePod.h"
#include "pod/USBAdapter.h"
#include "pod/UsbAdapterFirmware.h"
#include "standin/ComediStandIn.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;

constexpr std::string_view kDigits = "0123456789abcdef";
constexpr SoftwarePod::Options kPodOptions{.memoryBytes = 4096, .wallClock = false};

CountingWindow gWindow;

// The pod's own rule, written out again: "VPOD", version 1, the payload
// length (16 bits, big-endian), the payload, then a CRC-16 (CCITT, initial
// 0xFFFF, big-endian) of everything before it. Bytes after the image do not
// matter: the pod has stopped taking them.
bool BeginsWithImage(const std::vector<std::uint8_t>& b) {
  constexpr std::array<std::uint8_t, 5> kHead = {'V', 'P', 'O', 'D', 1};
  if (b.size() < 7 || !std::equal(kHead.begin(), kHead.end(), b.begin())) return false;
  const std::size_t body = 7 + (std::size_t{b[5]} << 8 | b[6]);
  if (b.size() < body + 2) return false;
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < body; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ (b[i] << 8));
    for (int k = 0; k < 8; ++k) crc = static_cast<std::uint16_t>(crc & 0x8000u ? (crc << 1) ^ 0x1021u : crc << 1);
  }
  return crc == (b[body] << 8 | b[body + 1]);
}

bool IsDigit(char c) { return kDigits.find(c) != std::string_view::npos; }
std::uint8_t Pair(char hi, char lo) {
  return static_cast<std::uint8_t>(kDigits.find(hi) << 4 | kDigits.find(lo));
}

// The board sends digit after digit, stopping at the first other character,
// and a closing 0 when the file ran out first; the pod takes them in pairs.
std::vector<std::uint8_t> BoardSends(std::string_view file) {
  std::string nibbles;
  std::size_t n = 0;
  while (n < file.size() && IsDigit(file[n])) ++n;
  nibbles = file.substr(0, n);
  if (n == file.size()) nibbles += '0';
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < nibbles.size(); i += 2) bytes.push_back(Pair(nibbles[i], nibbles[i + 1]));
  return bytes;
}

// The USB adapter gets whole pairs of digits, and never a pair that ends the
// file (files end with a line end).
std::vector<std::uint8_t> UsbSends(std::string_view file) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 2 < file.size() && IsDigit(file[i]) && IsDigit(file[i + 1]); i += 2)
    bytes.push_back(Pair(file[i], file[i + 1]));
  return bytes;
}

void Download(const char* transport, const std::string& path, SoftwarePod& pod, bool expected) {
  gWindow.Clear();
  const bool configured = gPod.InitializePod(path);
  const std::string detail = std::string(transport) + (configured ? ": configured" : ": not configured");
  Require(gWindow.reports == 0, "a download makes no report", detail + "; " + gWindow.lastReport);
  Require(configured == pod.Snapshot().configured, "the transport's answer is the pod's state", detail);
  Require(configured == expected, "the pod is configured exactly when the digits sent hold an image", detail);
  gPod.ReleaseInterface();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool once = [] {
    PodWait = [](int) {};
    return LoadBoardLibrary();
  }();
  Require(once, "the stand-in board library loads");
  gWindow.Attach();
  const std::string_view file = AsText(data, size);
  const std::string path = WriteScratch("Vantrel.pod", file);

  {
    SoftwarePod pod(BusScenario{}, kPodOptions);
    VantrelStandInLines lines{
        [](void* p, std::uint16_t port, std::uint8_t v) { static_cast<SoftwarePod*>(p)->WritePort(port, v); },
        [](void* p, std::uint16_t port) { return static_cast<SoftwarePod*>(p)->ReadPort(port); }, &pod};
    vantrel_standin_attach(0, &lines);
    gPodSelection = {InterfaceKind::Board, 0, path};
    InstallBoardTransport();
    Download("board", path, pod, BeginsWithImage(BoardSends(file)));
    vantrel_standin_attach(0, nullptr);
  }
  {
    SoftwarePod pod(BusScenario{}, kPodOptions);
    UsbAdapterFirmware firmware(pod, {});
    test::EmulatedUsb usb;
    usb.Add(firmware);
    gPodSelection = {InterfaceKind::Usb, 1234, path};
    InstallUsbTransport();
    Download("USB", path, pod, BeginsWithImage(UsbSends(file)));
  }
  InstallDefaultPodInterface();
  return 0;
}
