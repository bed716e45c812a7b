// The Revision Report: the program's change history.
#pragma once
#include <QDialog>

class QPlainTextEdit;

class TRevRprtForm : public QDialog {
  Q_OBJECT

 public:
  explicit TRevRprtForm(QWidget* parent = nullptr);
  QPlainTextEdit* Memo = nullptr;
};
