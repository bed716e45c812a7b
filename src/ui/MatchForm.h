// The "Trigger Out Setup" window: the trigger out condition, the bit pattern
// grid with its don't-care bits, the trigger position, and the trigger out
// files. Its rules are plain code (pod/TriggerOut.h).
#pragma once
#include <QDialog>
#include <QPixmap>

#include "pod/TriggerOut.h"

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

class TMatchForm : public QDialog {
  Q_OBJECT

 public:
  explicit TMatchForm(QWidget* parent = nullptr);

  void RadioClick(int code);
  void StringGridMatchMouseDown(int row, int column);
  void StringGridTrigMouseDown(int row);
  void AllButtonClick(char cell);
  void OKButtonClick();
  void CancelButtonClick();
  void UndoButtonClick();
  void AcceptButtonClick();
  void SaveAsButtonClick();
  void LoadFileButtonClick();
  // The values changed behind the window's back (settings load, defaults).
  void ValuesChanged();

  QTableWidget* StringGridMatch = nullptr;  // 9 x 17: headers, then bit cells
  QTableWidget* StringGridTrig = nullptr;   // 1 x 16: position cells
  QButtonGroup* TrigButtons = nullptr;      // ids 0..5: None .. Bit Pattern
  QRadioButton* BitMatchButton = nullptr;
  QPushButton* AllXButton = nullptr;
  QPushButton* AllOneButton = nullptr;
  QPushButton* AllZeroButton = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* UndoButton = nullptr;
  QPushButton* AcceptButton = nullptr;
  QPushButton* SaveAsButton = nullptr;
  QPushButton* LoadFileButton = nullptr;

 private:
  vantrel::TriggerOutGrid Grid() const;
  void ShowGrid(const vantrel::TriggerOutGrid& grid);
  void ShowValues();
  void SetPosition(int row);
  void Modified();  // caption reset; Accept, Undo and OK on
  void Settled();   // Accept, Undo and OK off
  void EnablePattern(bool on);

  QPixmap on_, off_;  // "CON", "Coff"
  QList<QLabel*> patternLabels_;
};
