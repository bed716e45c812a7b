// Adapters on an emulated USB bus that the real libusb-1.0 drives down to the
// kernel's interface: the process runs under umockdev's preload library, which
// gives libusb a sysfs, device nodes and hotplug events of our making, and
// hands every usbfs ioctl on an adapter's node to this bed. The bed answers
// them as the kernel would: URBs on the bulk pipes go to the adapter's
// firmware, an IN URB the firmware has nothing for stays pending (and is
// asked again at each reap) until libusb's own timeout discards it.
//
// One umockdev testbed serves the whole process, so that a libusb context
// that outlives a bed (the transport keeps one for good) still hears the
// next bed's adapters arrive. Only one bed at a time; its adapters vanish
// with it.
#pragma once
#include <memory>

#include "pod/UsbAdapterFirmware.h"

namespace vantrel::test {

class UsbTestBed {
 public:
  UsbTestBed();
  ~UsbTestBed();
  UsbTestBed(const UsbTestBed&) = delete;
  UsbTestBed& operator=(const UsbTestBed&) = delete;

  // Under umockdev's preload library (umockdev-wrapper); tests skip otherwise.
  static bool Available();

  // A high-speed adapter on bus 1 at the next free address, interface 0 with
  // the command, trace data and reply pipes, answered by `firmware` (which
  // must outlive the adapter). Returns its id, the device address.
  int AddAdapter(UsbAdapterFirmware& firmware);
  // Unplugged: pending and later transfers fail as the kernel fails them for
  // a vanished device, and libusb lists it no more.
  void RemoveAdapter(int id);

  // The next open of an adapter's device node is refused (EACCES).
  void FailNextOpen();
  // The next claim of an interface finds it busy (EBUSY).
  void FailNextClaim();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::test
