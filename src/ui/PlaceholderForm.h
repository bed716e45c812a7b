// A window whose features arrive later: it exists, has its caption, and can
// be opened from its menu item, so the menu tree is complete.
#pragma once
#include <QDialog>

class TPlaceholderForm : public QDialog {
  Q_OBJECT

 public:
  TPlaceholderForm(const QString& name, const QString& caption, QWidget* parent = nullptr);
};
