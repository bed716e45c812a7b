// USB services that stand in for the platform's, in the test's own process:
// adapters are emulated firmware over software pods. Discovery, transfers,
// a vanishing adapter and failing steps behave as the platform reports them;
// timeouts come at once.
#pragma once
#include <vector>

#include "pod/UsbAdapterFirmware.h"
#include "pod/UsbPlatform.h"

namespace vantrel::test {

class EmulatedUsb {
 public:
  EmulatedUsb();   // becomes the USB transport's services
  ~EmulatedUsb();  // gives the platform's back
  int Add(UsbAdapterFirmware& firmware);
  void Remove(int id);  // the adapter vanishes
  void FailNextOpen();
  void FailNextInitialize(int error);
  void FailNextList();
  // The next trace data read stops after `bytes` bytes without ending its
  // transfer: the host's read times out holding them.
  void TimeOutNextTraceRead(std::uint32_t bytes);
  const UsbPlatform& Services() const;
  // Every message written to a command pipe, in order.
  std::vector<std::vector<std::uint8_t>> TakeMessages();
};

}  // namespace vantrel::test
