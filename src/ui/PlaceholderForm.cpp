#include "ui/PlaceholderForm.h"

#include <QPushButton>
#include <QVBoxLayout>

TPlaceholderForm::TPlaceholderForm(const QString& name, const QString& caption, QWidget* parent) : QDialog(parent) {
  setObjectName(name);
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  layout->addStretch();
  auto* ok = new QPushButton("OK", this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  resize(360, 200);
}
