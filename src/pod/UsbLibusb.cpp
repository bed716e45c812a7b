// The USB services on Linux: libusb-1.0.
#include <libusb.h>

#include <mutex>
#include <vector>

#include "pod/UsbPlatform.h"

namespace vantrel {

struct UsbDeviceList {
  std::vector<libusb_device*> devices;
};
struct UsbDeviceFile {
  libusb_device_handle* handle = nullptr;
};
struct UsbInterface {
  libusb_device_handle* handle = nullptr;
  std::uint8_t endpoints[3] = {};
  int endpointCount = 0;
  unsigned timeout[256] = {};  // per pipe, milliseconds
};

namespace {

libusb_context* Context() {
  static libusb_context* context = [] {
    libusb_context* c = nullptr;
    return libusb_init(&c) == 0 ? c : nullptr;
  }();
  return context;
}

// libusb's errors as the Windows codes the reports name.
int Code(int error) {
  switch (error) {
    case LIBUSB_SUCCESS: return 0;
    case LIBUSB_ERROR_TIMEOUT: return kUsbSemTimeout;
    case LIBUSB_ERROR_INVALID_PARAM: return kUsbInvalidParameter;
    case LIBUSB_ERROR_NO_DEVICE: return kUsbBadDevice;
    case LIBUSB_ERROR_NO_MEM: return kUsbNotEnoughMemory;
    default: return kUsbUnknown;
  }
}

int ListAdapters(UsbDeviceList** list) {
  libusb_context* c = Context();
  if (c == nullptr) return kUsbUnknown;
  libusb_device** all = nullptr;
  const ssize_t n = libusb_get_device_list(c, &all);
  if (n < 0) return Code(static_cast<int>(n));
  auto* l = new UsbDeviceList;
  for (ssize_t i = 0; i < n; ++i) {
    libusb_device_descriptor d{};
    if (libusb_get_device_descriptor(all[i], &d) == 0 && d.idVendor == kAdapterVendorId &&
        d.idProduct == kAdapterProductId) {
      l->devices.push_back(libusb_ref_device(all[i]));
    }
  }
  libusb_free_device_list(all, 1);
  *list = l;
  return 0;
}

int EnumAdapter(UsbDeviceList* list, int index) {
  if (list == nullptr) return kUsbInvalidHandle;
  return index >= 0 && static_cast<std::size_t>(index) < list->devices.size() ? 0 : kUsbNoMoreItems;
}

int OpenAdapter(UsbDeviceList* list, int index, UsbDeviceFile** file) {
  if (EnumAdapter(list, index) != 0) return kUsbInvalidParameter;
  libusb_device_handle* h = nullptr;
  const int r = libusb_open(list->devices[static_cast<std::size_t>(index)], &h);
  if (r != 0) return Code(r);
  *file = new UsbDeviceFile{h};
  return 0;
}

int Initialize(UsbDeviceFile* file, UsbInterface** usb) {
  if (file == nullptr) return kUsbInvalidHandle;
  (void)libusb_set_auto_detach_kernel_driver(file->handle, 1);
  int r = libusb_claim_interface(file->handle, 0);
  if (r != 0) return Code(r);
  auto* u = new UsbInterface;
  u->handle = file->handle;
  libusb_config_descriptor* config = nullptr;
  r = libusb_get_active_config_descriptor(libusb_get_device(file->handle), &config);
  if (r == 0) {
    if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
      const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
      for (int i = 0; i < alt.bNumEndpoints && i < 3; ++i) u->endpoints[u->endpointCount++] = alt.endpoint[i].bEndpointAddress;
    }
    libusb_free_config_descriptor(config);
  }
  *usb = u;
  return 0;
}

int QueryPipe(UsbInterface* usb, int index, std::uint8_t* pipe) {
  if (usb == nullptr) return kUsbInvalidHandle;
  if (index < 0 || index >= usb->endpointCount) return kUsbNoMoreItems;
  *pipe = usb->endpoints[index];
  return 0;
}

int SetPipeTimeout(UsbInterface* usb, std::uint8_t pipe, std::uint32_t milliseconds) {
  if (usb == nullptr) return kUsbInvalidHandle;
  usb->timeout[pipe] = milliseconds;
  return 0;
}

int Transfer(UsbInterface* usb, std::uint8_t pipe, std::uint8_t* data, std::uint32_t length, std::uint32_t* done) {
  if (usb == nullptr) return kUsbInvalidHandle;
  int transferred = 0;
  const int r = libusb_bulk_transfer(usb->handle, pipe, data, static_cast<int>(length), &transferred, usb->timeout[pipe]);
  *done = static_cast<std::uint32_t>(transferred);
  return Code(r);
}

int WritePipe(UsbInterface* usb, std::uint8_t pipe, const std::uint8_t* data, std::uint32_t length,
              std::uint32_t* written) {
  return Transfer(usb, pipe, const_cast<std::uint8_t*>(data), length, written);
}

int ReadPipe(UsbInterface* usb, std::uint8_t pipe, std::uint8_t* data, std::uint32_t length, std::uint32_t* read) {
  return Transfer(usb, pipe, data, length, read);
}

void Free(UsbInterface* usb) {
  if (usb == nullptr) return;
  (void)libusb_release_interface(usb->handle, 0);
  delete usb;
}

void CloseAdapter(UsbDeviceFile* file) {
  if (file == nullptr) return;
  libusb_close(file->handle);
  delete file;
}

void FreeList(UsbDeviceList* list) {
  if (list == nullptr) return;
  for (libusb_device* d : list->devices) libusb_unref_device(d);
  delete list;
}

std::string LibraryName() {
  if (Context() == nullptr) return {};
  const libusb_version* v = libusb_get_version();
  return "libusb-" + std::to_string(v->major) + "." + std::to_string(v->minor);
}

}  // namespace

const UsbPlatform& PlatformUsbServices() {
  static const UsbPlatform services{&ListAdapters, &EnumAdapter,  &OpenAdapter, &Initialize, &QueryPipe,
                                    &SetPipeTimeout, &WritePipe,  &ReadPipe,    &Free,       &CloseAdapter,
                                    &FreeList,       &UsbErrorName, &LibraryName};
  return services;
}

}  // namespace vantrel
