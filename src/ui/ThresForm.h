// The "Set Logic Level Threshold" window: the level at which the pod reads
// the bus lines, a preset or a custom value stepped by the spin button. Its
// rules are plain code (pod/Threshold.h).
#pragma once
#include <QDialog>

#include "pod/Threshold.h"

class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QWidget;

class TThresForm : public QDialog {
  Q_OBJECT

 public:
  explicit TThresForm(QWidget* parent = nullptr);
  void FormShow();  // called before the window is shown
  void RadioButton5VClick();
  void RadioButton33VClick();
  void RadioButtonCustomClick();
  void SpinButton1UpClick();
  void SpinButton1DownClick();
  void OKButtonClick();

  QRadioButton* RadioButton5V = nullptr;
  QRadioButton* RadioButton33V = nullptr;
  QRadioButton* RadioButtonCustom = nullptr;
  QLineEdit* ThresEdit = nullptr;
  QWidget* SpinButton1 = nullptr;
  QToolButton* SpinUp = nullptr;
  QToolButton* SpinDown = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void Show();
  vantrel::ThresholdWindow window_;
};
