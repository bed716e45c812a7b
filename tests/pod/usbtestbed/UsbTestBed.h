// Adapters on an emulated USB bus that the real libusb-1.0 drives down to the
// kernel's interface: the process runs under umockdev's preload library, which
// gives libusb a sysfs, device nodes and hotplug events of our making, and
// hands every usbfs ioctl on an adapter's node to this bed. The bed answers
// them as the kernel would: URBs on the bulk pipes go to the adapter's
// firmware, an IN URB the firmware has nothing for stays pending until the
// firmware answers it or libusb's own timeout discards it. The firmware is
// asked again after every message the bed hands it and, while a trace data
// read waits, every 2 ms on the bed's ioctl thread (the pod's data appears
// as it records).
//
// The device node is a FIFO that polls writable exactly while a completed
// URB waits to be reaped, as usbfs signals it, so that libusb sleeps in
// poll() between completions instead of reaping in a loop. The signal is the
// node's, not each open file's: while one open file has a URB to reap,
// another file of the same adapter wakes for nothing until it is reaped.
//
// One umockdev testbed serves the whole process, so that a libusb context
// that outlives a bed (the transport keeps one for good) still hears the
// next bed's adapters arrive. Only one bed at a time; its adapters vanish
// with it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

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
  // The next claim of an interface finds it busy (EBUSY), as every claim
  // does while another open file holds the interface.
  void FailNextClaim();

  // Every message written to a command pipe since the last call, in order,
  // as the firmware received it.
  std::vector<std::vector<std::uint8_t>> TakeMessages();
  // The reaps libusb asked for so far, answered or not: it reaps in a loop
  // when the node wakes it for nothing.
  std::size_t Reaps() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::test
