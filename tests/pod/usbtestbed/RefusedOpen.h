// A refused open of a USB device node: the kernel's answer when the node's
// permissions keep the user out, which root (as tests run) never meets.
#pragma once

namespace vantrel::test {

// The next open() of a path under /dev/bus/usb/ fails with EACCES (or, with
// false, no longer does).
void RefuseNextUsbNodeOpen(bool refuse = true);

}  // namespace vantrel::test
