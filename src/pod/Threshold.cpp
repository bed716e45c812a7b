#include "pod/Threshold.h"

#include <algorithm>
#include <cmath>
#include <charconv>

#include "pod/PodInterface.h"

namespace vantrel {

// Locale-free both ways: a window's text must read back as it was written.
std::string ThresholdText(double volts) {
  char digits[32];
  auto r = std::to_chars(digits, digits + sizeof digits, volts, std::chars_format::scientific, 1);
  double rounded = 0;
  std::from_chars(digits, r.ptr, rounded);
  char out[32];
  r = std::to_chars(out, out + sizeof out, rounded, std::chars_format::fixed, 2);
  return std::string(out, r.ptr);
}

ThresholdWindow ThresholdShow() {
  ThresholdWindow w;
  const std::uint32_t t = gPodOptions.Threshold;
  ThresholdChoose(w, t == 250   ? ThresholdWindow::Choice::Ttl5V
                     : t == 150 ? ThresholdWindow::Choice::Logic33V
                                : ThresholdWindow::Choice::Custom);
  w.working = t * 0.01;
  w.text = ThresholdText(w.working);
  return w;
}

void ThresholdChoose(ThresholdWindow& w, ThresholdWindow::Choice choice) {
  w.choice = choice;
  w.spinVisible = choice == ThresholdWindow::Choice::Custom;
  if (choice == ThresholdWindow::Choice::Ttl5V) w.text = "2.50";
  if (choice == ThresholdWindow::Choice::Logic33V) w.text = "1.50";
}

void ThresholdSpin(ThresholdWindow& w, bool up) {
  w.working = up ? std::min(w.working + 0.1, 2.5) : std::max(w.working - 0.1, 0.5);
  w.text = ThresholdText(w.working);
}

void ThresholdOk(const ThresholdWindow& w) {
  double volts = 0;
  std::from_chars(w.text.data(), w.text.data() + w.text.size(), volts);
  gPodOptions.Threshold = static_cast<std::uint32_t>(std::lround(volts * 100));
}

}  // namespace vantrel
