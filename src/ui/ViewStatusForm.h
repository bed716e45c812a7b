// The "Bus Status Viewer": the bus supply, SCL and SDA voltages the pod
// measures, four times a second while the window is shown.
#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;
class QTimer;

class TViewStatusForm : public QDialog {
  Q_OBJECT

 public:
  explicit TViewStatusForm(QWidget* parent = nullptr);
  void Timer1Timer();

  QLineEdit* SCLEdit = nullptr;
  QLineEdit* SDAEdit = nullptr;
  QLineEdit* BUSEdit = nullptr;
  QPushButton* CloseButton = nullptr;
  QTimer* Timer1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
};
