// The Byte Mode Viewer: the message being decoded, token by token.
#pragma once
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QTimer;

class TRTViewerForm : public QWidget {
  Q_OBJECT

 public:
  explicit TRTViewerForm(QWidget* parent = nullptr);
  void RefreshTimerTimer();

  QLineEdit* LiveText = nullptr;
  QPlainTextEdit* Memo = nullptr;  // takes the display font
  QTimer* RefreshTimer = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
};
