// The Message Data Filter window: an edit copy of the data filter in two
// grids and a check box, applied by Accept or OK, and the data match files.
#pragma once
#include <QDialog>

#include "filters/DataFilter.h"
#include "filters/MatchFile.h"

class QCheckBox;
class QPushButton;
class QTableWidget;

class TPatternForm : public QDialog {
  Q_OBJECT

 public:
  explicit TPatternForm(QWidget* parent = nullptr);
  ~TPatternForm() override;

  void ClearAllButtonClick();
  void AcceptButtonClick();
  void UndoButtonClick();
  void OKButtonClick();
  void CancelButtonClick();
  void SaveAsButtonClick();
  void LoadFileButtonClick();
  void ConditionGridMouseDown(int row);
  // The applied filter changed behind the window's back (settings, reset).
  void FilterChanged(vantrel::DataFilterPart part);

  // Validation as Accept runs it: on failure the bad cell is selected and
  // "Invalid Match Data" reported.
  bool ValidateGrid(vantrel::MatchGrid& grid);

  QTableWidget* DataGrid = nullptr;       // 9 x 8: byte number, 8 alternatives
  QTableWidget* ConditionGrid = nullptr;  // 1 x 8: "Y" / "N"
  QCheckBox* ProtocolErrorBox = nullptr;
  QPushButton* ClearAllButton = nullptr;
  QPushButton* AcceptButton = nullptr;
  QPushButton* UndoButton = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* SaveAsButton = nullptr;
  QPushButton* LoadFileButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  vantrel::MatchGrid Grid() const;
  void ShowGrid(const vantrel::MatchGrid& grid);
  void ShowApplied();
  void Modified();
  void Settled();  // nothing pending: Accept and Undo off, Save As on
};
