#include "EmulatedUsb.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <utility>

namespace vantrel::test {
namespace {

// The platform's handles are its own types; these stand behind the same
// pointers here.
struct List {
  std::vector<int> ids;
};
struct Handle {
  int id;
};
List* Of(UsbDeviceList* l) { return reinterpret_cast<List*>(l); }
Handle* Of(UsbDeviceFile* f) { return reinterpret_cast<Handle*>(f); }
Handle* Of(UsbInterface* u) { return reinterpret_cast<Handle*>(u); }

struct Adapter {
  UsbAdapterFirmware* firmware = nullptr;
  bool present = false;
};

std::mutex gMutex;  // guards the adapters and the failure flags
std::vector<Adapter> gAdapters;
bool gFailOpen = false, gFailList = false;
int gFailInitialize = 0;
std::optional<std::uint32_t> gTraceReadCut;
std::vector<std::vector<std::uint8_t>> gMessages;

UsbAdapterFirmware* Firmware(int id) {
  std::lock_guard lock(gMutex);
  if (id < 0 || static_cast<std::size_t>(id) >= gAdapters.size() || !gAdapters[static_cast<std::size_t>(id)].present)
    return nullptr;
  return gAdapters[static_cast<std::size_t>(id)].firmware;
}

int ListAdapters(UsbDeviceList** list) {
  std::lock_guard lock(gMutex);
  if (gFailList) {
    gFailList = false;
    return kUsbUnknown;
  }
  auto* l = new List;
  for (std::size_t i = 0; i < gAdapters.size(); ++i) {
    if (gAdapters[i].present) l->ids.push_back(static_cast<int>(i));
  }
  *list = reinterpret_cast<UsbDeviceList*>(l);
  return 0;
}

int EnumAdapter(UsbDeviceList* list, int index) {
  if (list == nullptr) return kUsbInvalidHandle;
  return index >= 0 && static_cast<std::size_t>(index) < Of(list)->ids.size() ? 0 : kUsbNoMoreItems;
}

int OpenAdapter(UsbDeviceList* list, int index, UsbDeviceFile** file) {
  {
    std::lock_guard lock(gMutex);
    if (gFailOpen) {
      gFailOpen = false;
      return kUsbUnknown;
    }
  }
  if (EnumAdapter(list, index) != 0) return kUsbInvalidParameter;
  *file = reinterpret_cast<UsbDeviceFile*>(new Handle{Of(list)->ids[static_cast<std::size_t>(index)]});
  return 0;
}

int Initialize(UsbDeviceFile* file, UsbInterface** usb) {
  {
    std::lock_guard lock(gMutex);
    if (gFailInitialize != 0) {
      const int e = gFailInitialize;
      gFailInitialize = 0;
      return e;
    }
  }
  if (file == nullptr || Firmware(Of(file)->id) == nullptr) return kUsbBadDevice;
  *usb = reinterpret_cast<UsbInterface*>(new Handle{Of(file)->id});
  return 0;
}

int QueryPipe(UsbInterface* usb, int index, std::uint8_t* pipe) {
  static constexpr std::uint8_t kPipes[] = {UsbAdapterFirmware::kCommandPipe, UsbAdapterFirmware::kTraceDataPipe,
                                            UsbAdapterFirmware::kReplyPipe};
  if (usb == nullptr) return kUsbInvalidHandle;
  if (index < 0 || index > 2) return kUsbNoMoreItems;
  *pipe = kPipes[index];
  return 0;
}

int SetPipeTimeout(UsbInterface* usb, std::uint8_t, std::uint32_t) { return usb == nullptr ? kUsbInvalidHandle : 0; }

int Code(UsbAdapterFirmware::Result r) {
  switch (r) {
    case UsbAdapterFirmware::Result::Done: return 0;
    case UsbAdapterFirmware::Result::NoReply: return kUsbSemTimeout;
    case UsbAdapterFirmware::Result::Stall: return kUsbUnknown;
  }
  return kUsbUnknown;
}

int WritePipe(UsbInterface* usb, std::uint8_t pipe, const std::uint8_t* data, std::uint32_t length,
              std::uint32_t* written) {
  UsbAdapterFirmware* fw = usb != nullptr ? Firmware(Of(usb)->id) : nullptr;
  if (fw == nullptr) return kUsbBadDevice;
  {
    std::lock_guard lock(gMutex);
    gMessages.emplace_back(data, data + length);
  }
  const int e = Code(fw->Out(pipe, data, length));
  *written = e == 0 ? length : 0;
  return e;
}

int ReadPipe(UsbInterface* usb, std::uint8_t pipe, std::uint8_t* data, std::uint32_t length, std::uint32_t* read) {
  UsbAdapterFirmware* fw = usb != nullptr ? Firmware(Of(usb)->id) : nullptr;
  if (fw == nullptr) return kUsbBadDevice;
  std::optional<std::uint32_t> cut;
  if (pipe == UsbAdapterFirmware::kTraceDataPipe) {
    std::lock_guard lock(gMutex);
    cut = std::exchange(gTraceReadCut, std::nullopt);
  }
  std::size_t got = 0;
  const int e = Code(fw->In(pipe, data, cut ? std::min(length, *cut) : length, got));
  *read = static_cast<std::uint32_t>(got);
  return cut ? kUsbSemTimeout : e;
}

const UsbPlatform kServices{
    &ListAdapters, &EnumAdapter, &OpenAdapter, &Initialize, &QueryPipe, &SetPipeTimeout, &WritePipe, &ReadPipe,
    [](UsbInterface* u) { delete Of(u); }, [](UsbDeviceFile* f) { delete Of(f); }, [](UsbDeviceList* l) { delete Of(l); },
    &UsbErrorName, [] { return std::string("emulated USB"); }};

}  // namespace

EmulatedUsb::EmulatedUsb() {
  {
    std::lock_guard lock(gMutex);
    gAdapters.clear();
    gFailOpen = gFailList = false;
    gFailInitialize = 0;
    gTraceReadCut.reset();
    gMessages.clear();
  }
  SetUsbServices(&kServices);
}

EmulatedUsb::~EmulatedUsb() {
  SetUsbServices(nullptr);
  std::lock_guard lock(gMutex);
  gAdapters.clear();
}

int EmulatedUsb::Add(UsbAdapterFirmware& firmware) {
  std::lock_guard lock(gMutex);
  gAdapters.push_back({&firmware, true});
  return static_cast<int>(gAdapters.size()) - 1;
}

void EmulatedUsb::Remove(int id) {
  std::lock_guard lock(gMutex);
  gAdapters[static_cast<std::size_t>(id)].present = false;
}

void EmulatedUsb::FailNextOpen() {
  std::lock_guard lock(gMutex);
  gFailOpen = true;
}

void EmulatedUsb::FailNextInitialize(int error) {
  std::lock_guard lock(gMutex);
  gFailInitialize = error;
}

void EmulatedUsb::FailNextList() {
  std::lock_guard lock(gMutex);
  gFailList = true;
}

void EmulatedUsb::TimeOutNextTraceRead(std::uint32_t bytes) {
  std::lock_guard lock(gMutex);
  gTraceReadCut = bytes;
}

const UsbPlatform& EmulatedUsb::Services() const { return kServices; }

std::vector<std::vector<std::uint8_t>> EmulatedUsb::TakeMessages() {
  std::lock_guard lock(gMutex);
  std::vector<std::vector<std::uint8_t>> m;
  m.swap(gMessages);
  return m;
}

}  // namespace vantrel::test
