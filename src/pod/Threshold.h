// The Set Logic Level Threshold window's rules as plain code: the presets,
// the custom value stepped by the spin button, and OK. Main thread.
#pragma once
#include <cstdint>
#include <string>

namespace vantrel {

struct ThresholdWindow {
  enum class Choice { Ttl5V, Logic33V, Custom } choice = Choice::Ttl5V;
  double working = 2.5;  // volts, stepped by the spin button
  std::string text;      // ThresEdit
  bool spinVisible = false;
};

// On show: the preset of Threshold (250, 150) or Custom, then the working
// value and the text from Threshold.
ThresholdWindow ThresholdShow();
// A radio button click. The presets show their text and hide the spin
// button; Custom shows it. Neither changes the working value.
void ThresholdChoose(ThresholdWindow& w, ThresholdWindow::Choice choice);
// Spin up to at most 2.5 V, down to at least 0.5 V, in 0.1 V steps.
void ThresholdSpin(ThresholdWindow& w, bool up);
// OK: Threshold := the text's volts x 100, rounded.
void ThresholdOk(const ThresholdWindow& w);

// Volts in fixed notation with two decimals after rounding to two
// significant digits: 2.2 gives "2.20".
std::string ThresholdText(double volts);

}  // namespace vantrel
