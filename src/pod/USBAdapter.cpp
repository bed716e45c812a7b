#include "pod/USBAdapter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string_view>

#include "common/Reports.h"
#include "pod/Acquisition.h"
#include "pod/CBWAdapter.h"
#include "pod/PodCommands.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"
#include "pod/UsbPlatform.h"

namespace vantrel {
namespace {

constexpr const char* kDriverTitle = "WinUSB Driver Error";
constexpr const char* kPodTitle = "Pod Interface Report";
constexpr std::uint32_t kTimeoutMs = 1000;
constexpr std::size_t kMaxAdapters = 256;
constexpr std::size_t kMaxBlock = 63;

enum Message : std::uint8_t { kWritePort = 0, kReadPort = 1, kConfigBlock = 2, kStart = 3, kStop = 4,
                              kConfigDone = 5, kIdentify = 6 };

// The open adapter. Each handle is null when not held. The acquisition
// thread reads the trace pipe while the main thread sends messages; the
// platform's transfers may come from both.
struct Open {
  UsbDeviceList* list = nullptr;
  UsbDeviceFile* file = nullptr;
  UsbInterface* usb = nullptr;
  std::array<std::uint8_t, 3> pipes{};  // command, trace data, reply
};
Open gOpen;
std::vector<UsbAdapterEntry> gTable;
int gSelected = -1;
std::string gStep;
int gLastError = 0;  // of the last failed transfer

const UsbPlatform& P() { return UsbServices(); }

void CloseAll() {
  const UsbPlatform& p = P();
  if (gOpen.list != nullptr) p.FreeList(gOpen.list);
  if (gOpen.usb != nullptr) p.Free(gOpen.usb);
  if (gOpen.file != nullptr) p.CloseAdapter(gOpen.file);
  gOpen = Open{};
}

bool IsOpen() { return gOpen.usb != nullptr; }

bool WriteMessage(const std::uint8_t* bytes, std::uint32_t length) {
  if (!IsOpen() || bytes == nullptr || length < 1) return false;
  std::uint32_t written = 0;
  const int e = P().WritePipe(gOpen.usb, gOpen.pipes[0], bytes, length, &written);
  if (e != 0 || written != length) {
    gLastError = e != 0 ? e : kUsbUnknown;
    CloseAll();
    return false;
  }
  return true;
}

bool ReadReply(std::uint8_t* buffer, std::uint32_t length) {
  if (!IsOpen() || buffer == nullptr || length < 1) return false;
  std::uint32_t read = 0;
  const int e = P().ReadPipe(gOpen.usb, gOpen.pipes[2], buffer, length, &read);
  if (e != 0 || read != length) {
    gLastError = e != 0 ? e : kUsbUnknown;
    CloseAll();
    return false;
  }
  return true;
}

// The bytes a transfer brought count even when it then failed (a timeout
// after part of its packets): the pod has let them go, and dropping them
// would cut a trace word apart.
std::uint32_t ReadTrace(std::uint8_t* buffer, std::uint32_t length) {
  if (!IsOpen()) return 0;
  std::uint32_t read = 0;
  (void)P().ReadPipe(gOpen.usb, gOpen.pipes[1], buffer, length, &read);
  return std::min(read, length);
}

void Report(const std::string& step, const char* name) { Reports().ShowMessage(step + " Failed " + name, kDriverTitle); }

// A serial text as a decimal number, as the selection compares it; throws
// for one that is not a number.
std::int32_t SerialNumber(const std::string& text) {
  std::int32_t n = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  const auto [end, ec] = std::from_chars(first, last, n);
  if (ec != std::errc{} || end != last) throw std::invalid_argument("serial");
  return n;
}

}  // namespace

int UsbDiscovery(std::int32_t serial) {
  const UsbPlatform& p = P();
  CloseAll();
  gTable.clear();
  gSelected = -1;
  if (p.ListAdapters(&gOpen.list) != 0) return 0;
  for (int i = 0;; ++i) {
    gStep = "SetupDiEnumDeviceInterfaces()";
    const int enumerated = gOpen.list == nullptr ? kUsbInvalidHandle : p.EnumAdapter(gOpen.list, i);
    if (enumerated != 0) {
      if (enumerated == kUsbNoMoreItems) {
        p.FreeList(gOpen.list);
        gOpen.list = nullptr;
        return static_cast<int>(gTable.size());
      }
      Report(gStep, UsbErrorName(kUsbUnknown));
      CloseAll();
      return 0;
    }
    gStep = "CreateFile()";
    if (p.OpenAdapter(gOpen.list, i, &gOpen.file) != 0) {
      gOpen.file = nullptr;
      continue;  // not ours to open: no report
    }
    int error = 0;
    bool reported = false;
    try {
      gStep = "WinUsb_Initialize()";
      error = p.Initialize(gOpen.file, &gOpen.usb);
      if (error != 0) gOpen.usb = nullptr;
      for (int pipe = 0; pipe < 3 && error == 0; ++pipe) {
        gStep = "WinUsb_QueryPipe." + std::to_string(pipe + 1) + "()";
        error = p.QueryPipe(gOpen.usb, pipe, &gOpen.pipes[static_cast<std::size_t>(pipe)]);
      }
      for (int pipe = 0; pipe < 3 && error == 0; ++pipe) {
        gStep = "WinUsb_SetPipePolicy." + std::to_string(pipe + 1) + "()";
        error = p.SetPipeTimeout(gOpen.usb, gOpen.pipes[static_cast<std::size_t>(pipe)], kTimeoutMs);
      }
      std::uint8_t version[2] = {}, speed = 0, text[8] = {};
      struct Ask {
        std::uint8_t what;
        std::uint8_t* reply;
        std::uint32_t length;
      };
      const Ask asks[] = {{0, version, 2}, {1, &speed, 1}, {2, text, 8}};
      for (int k = 0; k < 3 && error == 0; ++k) {
        const std::uint8_t message[2] = {kIdentify, asks[k].what};
        gStep = "WinUsb_WritePipe." + std::to_string(k + 1) + "()";
        if (!WriteMessage(message, 2)) {
          error = gLastError;
          break;
        }
        gStep = "WinUsb_ReadPipe." + std::to_string(k + 1) + "()";
        if (!ReadReply(asks[k].reply, asks[k].length)) error = gLastError;
      }
      if (error == 0 && gTable.size() < kMaxAdapters) {
        gTable.push_back({std::string(reinterpret_cast<const char*>(text), 8), speed});
        if (serial != 0 && SerialNumber(gTable.back().serial) == serial) {
          gSelected = static_cast<int>(gTable.size()) - 1;
          return static_cast<int>(gTable.size());
        }
      }
    } catch (const std::exception&) {
      Report(gStep, "[EXCEPTION_DEVICE_PIPE]");
      reported = true;
      error = 0;
    }
    if (gOpen.usb != nullptr) p.Free(gOpen.usb);
    gOpen.usb = nullptr;
    if (error != 0 && !reported) Report(gStep, UsbErrorName(error));
    if (gOpen.file != nullptr) p.CloseAdapter(gOpen.file);
    gOpen.file = nullptr;
  }
}

const std::vector<UsbAdapterEntry>& UsbDeviceTable() { return gTable; }

std::string UsbSerialOf(int index) {
  return index >= 0 && static_cast<std::size_t>(index) < gTable.size() ? gTable[static_cast<std::size_t>(index)].serial
                                                                          : "INVALID";
}

const std::string& UsbStep() { return gStep; }

bool UsbAdapterPresent(std::int32_t serial) {
  UsbDiscovery(0);
  bool found = false;
  for (const UsbAdapterEntry& e : gTable) {
    try {
      found = found || SerialNumber(e.serial) == serial;
    } catch (const std::exception&) {
    }
  }
  return found;
}

std::vector<std::string> UsbEntries() {
  std::vector<std::string> entries;
  UsbDiscovery(0);
  for (const UsbAdapterEntry& e : gTable) entries.push_back(kUsbPrefix + e.serial);
  return entries;
}

bool ListUsbAdapters(std::vector<std::string>& lines) {
  const std::string library = P().LibraryName();
  const std::string driver = "USB Pod Interface Driver (" + (library.empty() ? std::string("libusb-1.0") : library) + ")";
  if (library.empty()) {
    lines.push_back(driver + " Not Found.");
    return false;
  }
  lines.push_back(driver + " Found.");
  UsbDiscovery(0);
  for (const UsbAdapterEntry& e : gTable) lines.push_back("USB Adapter SN #" + e.serial);
  return !gTable.empty();
}

namespace {

bool OpenInterface() { return UsbDiscovery(gPodSelection.ULBoardNum) >= 1; }

void WritePort(std::uint16_t port, std::uint8_t value) {
  if (!IsOpen()) return;
  const std::uint8_t message[3] = {kWritePort, static_cast<std::uint8_t>(port), value};
  if (!WriteMessage(message, 3)) Reports().ShowMessage("Pod Interface Communication Lost [WritePort-WritePipe]", kPodTitle);
}

std::uint8_t ReadPort(std::uint16_t port) {
  if (!IsOpen()) return 0;
  const std::uint8_t message[2] = {kReadPort, static_cast<std::uint8_t>(port)};
  if (!WriteMessage(message, 2)) {
    Reports().ShowMessage("Pod Interface Communication Lost [ReadPort-WritePipe]", kPodTitle);
    return 0;
  }
  std::uint8_t value = 0;
  if (IsOpen() && !ReadReply(&value, 1)) {
    Reports().ShowMessage("Pod Interface Communication Lost [ReadPort-ReadPipe]", kPodTitle);
    return 0;
  }
  return value;
}

std::uint32_t TransferSize() {
  return gSelected >= 0 && gTable[static_cast<std::size_t>(gSelected)].speedCode == 1 ? 512 : 64;
}

void AcquisitionLoop() {
  const std::uint32_t size = TransferSize();
  SpoolRecord record{};
  while (!acquisition::StopRequested()) {
    PollPodStatus();
    if (ReadPodAlive() && !ReadPodFifoEmpty()) {
      const std::uint32_t n = ReadTrace(record.Payload(), size);
      if (n >= 1) {
        record.SetLength(n);
        if (!acquisition::Store(record)) break;
        continue;
      }
    }
    acquisition::Pause();
  }
}

void StopTraceThread() {
  acquisition::Stop();
  if (IsOpen()) {
    const std::uint8_t stop = kStop;
    if (!WriteMessage(&stop, 1)) Reports().ShowMessage("Pod Communication Lost [StopTraceThread-WritePipe]", kPodTitle);
  }
  acquisition::Release();
}

void StartTraceThread() {
  if (!IsOpen()) {
    SetPodAlive();
    return;
  }
  if (!acquisition::Prepare()) return;
  const std::uint8_t start = kStart;
  if (!WriteMessage(&start, 1)) {
    acquisition::Release();
    Reports().ShowMessage("Pod Communication Failed [StartTraceThread-StartTrace-WritePipe]", kPodTitle);
    return;
  }
  if (!acquisition::Start(&AcquisitionLoop)) {
    const std::uint8_t stop = kStop;
    if (!WriteMessage(&stop, 1))
      Reports().ShowMessage("Pod Communication Failed [StartTraceThread-StopTrace-WritePipe]", kPodTitle);
    acquisition::Release();
    Reports().ShowMessage("Trace Thread Creation Failed [StartTraceThread-StopTrace]", kPodTitle);
  }
}

void ReleaseInterface() {
  StopTraceThread();
  PodReleaseLines();
  StopTraceThread();
  CloseAll();
}

bool LoadPodConfiguration(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  constexpr std::string_view kDigits = "0123456789abcdef";
  std::uint8_t block[1 + kMaxBlock] = {kConfigBlock};
  std::uint32_t used = 0;
  // Read as it is sent, so that a file of any size never sits in memory. A
  // pair whose second digit is the file's last byte is not sent: files end
  // with a line end.
  const auto digit = [&]() -> std::size_t {
    const int c = file.get();
    if (c == std::char_traits<char>::eof() || file.peek() == std::char_traits<char>::eof()) return std::string_view::npos;
    return kDigits.find(static_cast<char>(c));
  };
  while (true) {
    const std::size_t hi = digit();
    if (hi == std::string_view::npos) break;
    const std::size_t lo = digit();
    if (lo == std::string_view::npos) break;
    block[1 + used++] = static_cast<std::uint8_t>(hi << 4 | lo);
    if (used == kMaxBlock) {
      std::uint8_t accepted = 0;
      const bool sent = WriteMessage(block, 1 + used) && ReadReply(&accepted, 1);
      used = 0;
      if (!sent || accepted == 0) break;
    }
  }
  if (file.bad()) return false;
  if (used > 0) {
    std::uint8_t accepted = 0;
    if (WriteMessage(block, 1 + used)) (void)ReadReply(&accepted, 1);
  }
  const std::uint8_t done = kConfigDone;
  (void)WriteMessage(&done, 1);
  return (gPod.ReadPort(2) & kPodPresent) != 0;
}

}  // namespace

void InstallUsbTransport() {
  InstallBoardTransport();
  gPod.ReleaseInterface = &ReleaseInterface;
  gPod.OpenInterface = &OpenInterface;
  gPod.LoadPodConfiguration = &LoadPodConfiguration;
  gPod.ReadPort = &ReadPort;
  gPod.WritePort = &WritePort;
  gPod.StartTraceThread = &StartTraceThread;
  gPod.StopTraceThread = &StopTraceThread;
}

}  // namespace vantrel
