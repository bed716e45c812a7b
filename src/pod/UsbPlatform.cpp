#include "pod/UsbPlatform.h"

#include <atomic>

namespace vantrel {
namespace {

std::atomic<const UsbPlatform*> gServices{nullptr};

}  // namespace

const char* UsbErrorName(int code) {
  switch (code) {
    case kUsbIoPending: return "[ERROR_IO_PENDING]";
    case kUsbSemTimeout: return "[ERROR_SEM_TIMEOUT]";
    case kUsbInvalidParameter: return "[ERROR_INVALID_PARAMETER]";
    case kUsbNoMoreItems: return "[ERROR_NO_MORE_ITEMS]";
    case kUsbInvalidHandle: return "[ERROR_INVALID_HANDLE]";
    case kUsbNotEnoughMemory: return "[ERROR_NOT_ENOUGH_MEMORY]";
    case kUsbBadDevice: return "[ERROR_BAD_DEVICE]";
    default: return "[ERROR_UNKNOWN]";
  }
}

const UsbPlatform& UsbServices() {
  const UsbPlatform* s = gServices;
  return s != nullptr ? *s : PlatformUsbServices();
}

void SetUsbServices(const UsbPlatform* services) { gServices = services; }

}  // namespace vantrel
