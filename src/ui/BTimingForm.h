// The "Message Timing" window: every START, repeated START, bit, byte and STOP of the picked message with its time.
#pragma once
#include <QDialog>

#include "analysis/MessageViews.h"

class QListWidget;

class TBTimingForm : public QDialog {
  Q_OBJECT

 public:
  explicit TBTimingForm(QWidget* parent = nullptr);
  // Builds the text of this message; the window shows it next.
  // The message as `tables` hold it.
  void Select(const vantrel::MessageNumber& number, const vantrel::MessageTablesView& tables);

  QListWidget* Lines = nullptr;
};
