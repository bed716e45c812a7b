#include "ui/TraceControlForm.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "pod/PodInterface.h"

TTraceControlForm::TTraceControlForm(QWidget* parent) : QDialog(parent) {
  setObjectName("TraceControl");
  setWindowTitle("Trace Control");
  auto* group = new QGroupBox("Start Trace On", this);
  auto* radios = new QVBoxLayout(group);
  AutoStart = new QRadioButton("Auto Start", group);
  AutoStart->setObjectName("AutoStart");
  AutoStart->setToolTip("start Trace on first I2C Bus Start");
  ExtTrigger = new QRadioButton("Trigger In", group);
  ExtTrigger->setObjectName("ExtTrigger");
  ExtTrigger->setToolTip("start Trace on first I2C Bus Start after Trigger In Low");
  radios->addWidget(AutoStart);
  radios->addWidget(ExtTrigger);
  NewLineBox = new QCheckBox("New Line on Repeated Start", this);
  NewLineBox->hide();
  CloseButton = new QPushButton("Close", this);
  CloseButton->setObjectName("CloseButton");
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CloseButton);
  auto* top = new QVBoxLayout(this);
  top->addWidget(group);
  top->addWidget(NewLineBox);
  top->addLayout(buttons);
}

void TTraceControlForm::ShowValue() {
  ExtTrigger->setChecked(vantrel::gPodOptions.ExtTrigger);
  AutoStart->setChecked(!vantrel::gPodOptions.ExtTrigger);
}

void TTraceControlForm::showEvent(QShowEvent* event) {
  ShowValue();
  QDialog::showEvent(event);
}

void TTraceControlForm::hideEvent(QHideEvent* event) {
  vantrel::gPodOptions.ExtTrigger = ExtTrigger->isChecked();
  QDialog::hideEvent(event);
}
