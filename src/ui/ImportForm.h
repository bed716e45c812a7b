// The "Import Logic Capture" window: which channels of a logic analyser
// capture are SCL and SDA, its sample rate, bit timing and the glitch filter.
#pragma once
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "pod/LogicCapture.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TImportForm : public QDialog {
  Q_OBJECT

 public:
  explicit TImportForm(QWidget* parent = nullptr);
  // Before the window is shown: the capture's channels (SCL and SDA chosen
  // by name where they have those names) and its own sample rate.
  void FormShow(const QString& capture, const std::vector<std::string>& channels, std::uint64_t sampleRateHz);
  // The choices, valid after OK.
  vantrel::LogicImportOptions Options() const;
  void OKButtonClick();

  QLabel* CaptureLabel = nullptr;
  QComboBox* SclBox = nullptr;
  QComboBox* SdaBox = nullptr;
  QLineEdit* RateEdit = nullptr;
  QCheckBox* BitTimingBox = nullptr;
  QDoubleSpinBox* GlitchBox = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
};
