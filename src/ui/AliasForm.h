// The Address Alias Table window: an edit copy of the 128 aliases that takes
// effect on Accept or OK, and the alias files.
#pragma once
#include <QDialog>
#include <array>
#include <string>

class QPushButton;
class QTableWidget;

class TAliasForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAliasForm(QWidget* parent = nullptr);
  ~TAliasForm() override;

  void DefaultButtonClick();
  void AcceptButtonClick();
  void OKButtonClick();
  void UndoButtonClick();
  void CancelButtonClick();
  void SaveAsButtonClick();
  void LoadFileButtonClick();

  QTableWidget* AliasGrid = nullptr;  // row r: address r; column 1 editable
  QPushButton* DefaultButton = nullptr;
  QPushButton* AcceptButton = nullptr;
  QPushButton* UndoButton = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* SaveAsButton = nullptr;
  QPushButton* LoadFileButton = nullptr;
  std::string pendingName;  // loaded or saved, not yet accepted

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowTable();
  void SetTexts(const std::array<std::string, 128>& texts);
  std::array<std::string, 128> Texts() const;
  void Modified();
  void ResetCaption();
};
