// The "Message Diagnostics" window: the picked message's record and its raw trace words.
#pragma once
#include <QDialog>

#include "analysis/MessageViews.h"

class QListWidget;

class TRawDataForm : public QDialog {
  Q_OBJECT

 public:
  explicit TRawDataForm(QWidget* parent = nullptr);
  // Builds the text of this message; the window shows it next.
  // The message as `tables` hold it.
  void Select(const vantrel::MessageNumber& number, const vantrel::MessageTablesView& tables);

  QListWidget* Lines = nullptr;
};
