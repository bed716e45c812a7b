// The About window.
#pragma once
#include <QDialog>

class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* parent = nullptr);
  void UpdateButtonClick();
  void HomeButtonClick();
};
