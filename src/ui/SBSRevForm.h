// The "SBS Revision" window: which revision of the SMBus and Smart Battery
// standards each kind of device follows.
#pragma once
#include <QDialog>

class QComboBox;

class TSBSRevForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSBSRevForm(QWidget* parent = nullptr);
  // Selects each list's item from the current revision values.
  void ShowRevisions();
  void OKButtonClick();  // stores the selections, closes
  void CancelButtonClick();
  QComboBox* List(int row) const { return lists_[row]; }

 private:
  QComboBox* lists_[4] = {};
};
