// The "Trace Control" window: whether a trace starts at the first START on
// the bus or waits for the pod's Trigger In line.
#pragma once
#include <QDialog>

class QCheckBox;
class QPushButton;
class QRadioButton;

class TTraceControlForm : public QDialog {
  Q_OBJECT

 public:
  explicit TTraceControlForm(QWidget* parent = nullptr);
  void ShowValue();  // ExtTrigger as the option holds it

  QRadioButton* AutoStart = nullptr;
  QRadioButton* ExtTrigger = nullptr;
  QCheckBox* NewLineBox = nullptr;  // hidden
  QPushButton* CloseButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
};
