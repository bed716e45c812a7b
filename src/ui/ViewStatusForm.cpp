#include "ui/ViewStatusForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "pod/BusStatusViewer.h"

TViewStatusForm::TViewStatusForm(QWidget* parent) : QDialog(parent) {
  setObjectName("ViewStatus");
  setWindowTitle("Bus Status Viewer");
  auto* group = new QGroupBox("Measured Bus Values", this);
  auto* grid = new QGridLayout(group);
  int row = 0;
  auto field = [&](const char* name, const char* caption) {
    auto* edit = new QLineEdit(group);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance("000.00") + 16);
    grid->addWidget(new QLabel(caption, group), row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel("volts", group), row, 2);
    ++row;
    return edit;
  };
  SCLEdit = field("SCLEdit", "SCL");
  SDAEdit = field("SDAEdit", "SDA");
  BUSEdit = field("BUSEdit", "A.bV");
  CloseButton = new QPushButton("Close", this);
  CloseButton->setObjectName("CloseButton");
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(buttons);
  Timer1 = new QTimer(this);
  Timer1->setInterval(250);
  connect(Timer1, &QTimer::timeout, this, &TViewStatusForm::Timer1Timer);
}

void TViewStatusForm::Timer1Timer() {
  const std::optional<vantrel::BusVoltsText> v = vantrel::ReadBusVolts();
  if (!v) return;
  SCLEdit->setText(QString::fromStdString(v->scl));
  SDAEdit->setText(QString::fromStdString(v->sda));
  BUSEdit->setText(QString::fromStdString(v->bus));
}

void TViewStatusForm::showEvent(QShowEvent* event) {
  Timer1->start();
  QDialog::showEvent(event);
}

void TViewStatusForm::hideEvent(QHideEvent* event) {
  Timer1->stop();
  QDialog::hideEvent(event);
}
