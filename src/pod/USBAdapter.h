// The USB adapter transport: the pod behind a USB adapter with a command, a
// trace data and a reply pipe, reached through the platform's USB services
// (UsbPlatform.h). It replaces the seven wire slots of the board transport;
// its acquisition thread reads the trace data pipe in 512- or 64-byte
// transfers. Main thread unless said otherwise.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

inline constexpr const char* kUsbPrefix = "USB SN #";

struct UsbAdapterEntry {
  std::string serial;       // the eight characters the adapter reports
  std::uint32_t speedCode;  // 1: 512-byte transfers
};

// Lists the adapters present; with a serial (0 = none) leaves the one whose
// serial reads as that number open and selected. The number listed.
int UsbDiscovery(std::int32_t serial);
// What the last discovery found, in order.
const std::vector<UsbAdapterEntry>& UsbDeviceTable();
// The serial of entry `index`, or "INVALID".
std::string UsbSerialOf(int index);
// UsbStep: the step in progress, as reports name it.
const std::string& UsbStep();
// An adapter with this serial number is attached.
bool UsbAdapterPresent(std::int32_t serial);
// "USB SN #" and each adapter's serial text.
std::vector<std::string> UsbEntries();
// System Diagnostics: the driver line and a line per adapter; true when one was listed.
bool ListUsbAdapters(std::vector<std::string>& lines);

// Installs the board transport, then the USB transport's seven slots.
void InstallUsbTransport();

}  // namespace vantrel
