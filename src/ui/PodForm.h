// The "Vantrel - Pod Initilization" window: chooses the interface, finds the
// pod configuration file, downloads it and says how it went. Its steps are
// plain code (pod/PodInitialization.h).
#pragma once
#include <QDialog>
#include <functional>

#include "pod/PodInitialization.h"

class QPlainTextEdit;
class QPushButton;

class TPodForm : public QDialog {
  Q_OBJECT

 public:
  // selectInterface shows the Select Pod Interface window; halt runs the main
  // window's Halt command.
  TPodForm(QWidget* parent, std::function<void()> selectInterface, std::function<void()> halt);
  void FormActivate();  // called before the window is shown
  void ContinueBtnClick();
  void RetryBtnClick() { ContinueBtnClick(); }
  void PodFormOkBtnClick();
  void CancelBtnClick();

  QPlainTextEdit* PodFormMemo = nullptr;
  QPushButton* ContinueBtn = nullptr;
  QPushButton* PodFormOkBtn = nullptr;
  QPushButton* RetryBtn = nullptr;
  QPushButton* CancelBtn = nullptr;

 private:
  void Show(const vantrel::PodInitState& st);
  vantrel::PodInitUi Ui();
  std::function<void()> selectInterface_, halt_;
};
