// The Bus Status Viewer's readings: the pod's raw SCL, SDA and bus supply
// levels scaled by its 2.5 V reference. Main thread.
#pragma once
#include <optional>
#include <string>

namespace vantrel {

// raw x 2.5 / reference volts, rounded once, half away from zero, at the
// second significant digit or the hundredths, whichever keeps fewer digits,
// and written with two decimals ("2.50", "3.30", "0.10"). A reference of 0
// cannot scale anything: "--.--".
std::string BusVolts(int raw, int reference);

struct BusVoltsText {
  std::string scl, sda, bus;
};
// One tick of the viewer: nothing while the pod is not initialized;
// otherwise reads the levels through the pod table and scales them.
std::optional<BusVoltsText> ReadBusVolts();

}  // namespace vantrel
