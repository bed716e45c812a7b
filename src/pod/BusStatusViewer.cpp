#include "pod/BusStatusViewer.h"

#include <cstdint>

#include "pod/PodInterface.h"

namespace vantrel {

std::string BusVolts(int raw, int reference) {
  if (reference <= 0) return "--.--";
  if (raw < 0) raw = 0;
  // raw x 2.5 / reference = 5 raw / (2 reference), kept exact.
  const std::uint64_t num = 5u * static_cast<std::uint64_t>(raw);
  const std::uint64_t den = 2u * static_cast<std::uint64_t>(reference);
  // Hundredths of the value, rounded at 10^p hundredths: p = 0 rounds at the
  // hundredths, p > 0 keeps two significant digits of a larger value.
  int lead = -2;  // decimal exponent of the leading digit, at least the hundredths'
  std::uint64_t scaledDen = den;  // den x 10^lead, for lead >= 0
  if (num >= den) {
    lead = 0;
    while (num >= scaledDen * 10) {
      scaledDen *= 10;
      ++lead;
    }
  } else if (num * 10 >= den) {
    lead = -1;
  }
  const int p = lead - 1 + 2 > 0 ? lead - 1 + 2 : 0;
  std::uint64_t unit = 1;
  for (int i = 0; i < p; ++i) unit *= 10;
  // hundredths = round(100 num / den / unit) x unit
  const std::uint64_t hundredths = (2 * 100 * num + den * unit) / (2 * den * unit) * unit;
  std::string s = std::to_string(hundredths / 100) + ".";
  const std::uint64_t frac = hundredths % 100;
  s += static_cast<char>('0' + frac / 10);
  s += static_cast<char>('0' + frac % 10);
  return s;
}

std::optional<BusVoltsText> ReadBusVolts() {
  if (!PodInitialized) return std::nullopt;
  gPod.ReadBusLevels();
  const BusLevels& l = gBusLevels;
  return BusVoltsText{BusVolts(l.scl, l.reference), BusVolts(l.sda, l.reference), BusVolts(l.bus, l.reference)};
}

}  // namespace vantrel
