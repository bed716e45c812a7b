// The "Select Pod Interface" window: the interfaces found, OK, Cancel and the
// loopback Test. Its rules are plain code (pod/InterfaceSelection.h).
#pragma once
#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

class TPortselForm : public QDialog {
  Q_OBJECT

 public:
  explicit TPortselForm(QWidget* parent = nullptr);
  void FormShow();  // lists the interfaces; called before the window is shown
  void OKButtonClick();
  void CancelButtonClick();
  void TestButtonClick();

  QListWidget* BoardNumListBox = nullptr;
  QLabel* NotFoundLabel = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* TestButton = nullptr;

 private:
  std::string SelectedEntry() const;
};
