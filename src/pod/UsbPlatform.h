// The platform's USB services as the USB adapter transport uses them: list
// the adapters present, open one, take its interface, find its three pipes,
// set their transfer timeout, write and read them, and let everything go.
// Shaped after the two services the adapter was made for (device
// enumeration and the generic USB driver), so that the transport's steps are
// theirs; on Linux the services are libusb-1.0's. A table of operations, so
// that tests and the Windows services can stand in.
// Every operation returns 0 on success or an error code for ErrorName.
#pragma once
#include <cstdint>
#include <string>

namespace vantrel {

// The adapter's USB identity: the vendor id is the community-run open one,
// the product id ours.
inline constexpr std::uint16_t kAdapterVendorId = 0x1209;
inline constexpr std::uint16_t kAdapterProductId = 0x4E56;

struct UsbDeviceList;   // the adapters present when listed
struct UsbDeviceFile;   // one adapter opened
struct UsbInterface;    // its interface, taken

struct UsbPlatform {
  // The adapters present (of our identity).
  int (*ListAdapters)(UsbDeviceList** list);
  // The index-th adapter of the list; kNoMoreItems past the last.
  int (*EnumAdapter)(UsbDeviceList* list, int index);
  // Opens it for reading and writing.
  int (*OpenAdapter)(UsbDeviceList* list, int index, UsbDeviceFile** file);
  // Takes the adapter's interface.
  int (*Initialize)(UsbDeviceFile* file, UsbInterface** usb);
  // The identifier of the pipe at `index` (0, 1, 2) of alternate setting 0.
  int (*QueryPipe)(UsbInterface* usb, int index, std::uint8_t* pipe);
  // Transfers on the pipe give up after `milliseconds`.
  int (*SetPipeTimeout)(UsbInterface* usb, std::uint8_t pipe, std::uint32_t milliseconds);
  // `written` and `read` count the bytes moved, also when the transfer
  // failed part way (a timeout after some of its packets).
  int (*WritePipe)(UsbInterface* usb, std::uint8_t pipe, const std::uint8_t* data, std::uint32_t length,
                   std::uint32_t* written);
  int (*ReadPipe)(UsbInterface* usb, std::uint8_t pipe, std::uint8_t* data, std::uint32_t length,
                  std::uint32_t* read);
  void (*Free)(UsbInterface* usb);
  void (*CloseAdapter)(UsbDeviceFile* file);
  void (*FreeList)(UsbDeviceList* list);
  // The report text of an error: "[ERROR_SEM_TIMEOUT]", ..., "[ERROR_UNKNOWN]".
  const char* (*ErrorName)(int code);
  // The services' library, as System Diagnostics names it; empty when the
  // services are not there.
  std::string (*LibraryName)();
};

// Error codes the transport tells apart (the Windows codes).
inline constexpr int kUsbIoPending = 997, kUsbSemTimeout = 121, kUsbInvalidParameter = 87,
                     kUsbNoMoreItems = 259, kUsbInvalidHandle = 6, kUsbNotEnoughMemory = 8, kUsbBadDevice = 1200,
                     kUsbUnknown = -1;
// The names the reports use for them.
const char* UsbErrorName(int code);

// The platform's own services (libusb-1.0 on Linux).
const UsbPlatform& PlatformUsbServices();
// The services the USB transport uses; the platform's by default.
const UsbPlatform& UsbServices();
void SetUsbServices(const UsbPlatform* services);  // null: the platform's

}  // namespace vantrel
