// No USB services on this build: every listing is empty.
#include "pod/UsbPlatform.h"

namespace vantrel {

const UsbPlatform& PlatformUsbServices() {
  static const UsbPlatform services{
      .ListAdapters = [](UsbDeviceList**) { return kUsbUnknown; },
      .EnumAdapter = [](UsbDeviceList*, int) { return kUsbNoMoreItems; },
      .OpenAdapter = [](UsbDeviceList*, int, UsbDeviceFile**) { return kUsbUnknown; },
      .Initialize = [](UsbDeviceFile*, UsbInterface**) { return kUsbUnknown; },
      .QueryPipe = [](UsbInterface*, int, std::uint8_t*) { return kUsbUnknown; },
      .SetPipeTimeout = [](UsbInterface*, std::uint8_t, std::uint32_t) { return kUsbUnknown; },
      .WritePipe = [](UsbInterface*, std::uint8_t, const std::uint8_t*, std::uint32_t, std::uint32_t*) {
        return kUsbUnknown;
      },
      .ReadPipe = [](UsbInterface*, std::uint8_t, std::uint8_t*, std::uint32_t, std::uint32_t*) { return kUsbUnknown; },
      .Free = [](UsbInterface*) {},
      .CloseAdapter = [](UsbDeviceFile*) {},
      .FreeList = [](UsbDeviceList*) {},
      .ErrorName = &UsbErrorName,
      .LibraryName = [] { return std::string(); },
  };
  return services;
}

}  // namespace vantrel
