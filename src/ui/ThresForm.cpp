#include "ui/ThresForm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

TThresForm::TThresForm(QWidget* parent) : QDialog(parent) {
  setObjectName("Thres");
  setWindowTitle("Set Logic Level Threshold");
  auto* top = new QVBoxLayout(this);
  RadioButton5V = new QRadioButton("TTL (Std. 5V Logic)", this);
  RadioButton5V->setObjectName("RadioButton5V");
  RadioButton33V = new QRadioButton("3.3V Logic", this);
  RadioButton33V->setObjectName("RadioButton33V");
  RadioButtonCustom = new QRadioButton("Custom", this);
  RadioButtonCustom->setObjectName("RadioButtonCustom");
  for (QRadioButton* b : {RadioButton5V, RadioButton33V, RadioButtonCustom}) top->addWidget(b);

  auto* value = new QHBoxLayout;
  ThresEdit = new QLineEdit(this);
  ThresEdit->setObjectName("ThresEdit");
  ThresEdit->setReadOnly(true);
  ThresEdit->setAlignment(Qt::AlignRight);
  ThresEdit->setFixedWidth(ThresEdit->fontMetrics().horizontalAdvance("0.000") + 16);
  SpinButton1 = new QWidget(this);
  SpinButton1->setObjectName("SpinButton1");
  auto* spin = new QVBoxLayout(SpinButton1);
  spin->setContentsMargins(0, 0, 0, 0);
  spin->setSpacing(0);
  SpinUp = new QToolButton(SpinButton1);
  SpinUp->setArrowType(Qt::UpArrow);
  SpinDown = new QToolButton(SpinButton1);
  SpinDown->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {SpinUp, SpinDown}) {
    b->setAutoRepeat(true);
    b->setFixedSize(18, 11);
    spin->addWidget(b);
  }
  SpinButton1->hide();
  SpinButton1->setEnabled(false);
  value->addWidget(ThresEdit);
  value->addWidget(SpinButton1);
  value->addWidget(new QLabel("Volts", this));
  value->addWidget(new QLabel("(0.50...2.50)", this));
  value->addStretch();
  top->addLayout(value);

  auto* buttons = new QHBoxLayout;
  OKButton = new QPushButton("OK", this);
  OKButton->setObjectName("OKButton");
  OKButton->setDefault(true);
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  top->addLayout(buttons);

  connect(RadioButton5V, &QRadioButton::clicked, this, &TThresForm::RadioButton5VClick);
  connect(RadioButton33V, &QRadioButton::clicked, this, &TThresForm::RadioButton33VClick);
  connect(RadioButtonCustom, &QRadioButton::clicked, this, &TThresForm::RadioButtonCustomClick);
  connect(SpinUp, &QToolButton::clicked, this, &TThresForm::SpinButton1UpClick);
  connect(SpinDown, &QToolButton::clicked, this, &TThresForm::SpinButton1DownClick);
  connect(OKButton, &QPushButton::clicked, this, &TThresForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TThresForm::Show() {
  using Choice = vantrel::ThresholdWindow::Choice;
  RadioButton5V->setChecked(window_.choice == Choice::Ttl5V);
  RadioButton33V->setChecked(window_.choice == Choice::Logic33V);
  RadioButtonCustom->setChecked(window_.choice == Choice::Custom);
  ThresEdit->setText(QString::fromStdString(window_.text));
  SpinButton1->setVisible(window_.spinVisible);
  SpinButton1->setEnabled(window_.spinVisible);
}

void TThresForm::FormShow() {
  window_ = vantrel::ThresholdShow();
  Show();
}

void TThresForm::RadioButton5VClick() {
  vantrel::ThresholdChoose(window_, vantrel::ThresholdWindow::Choice::Ttl5V);
  Show();
}

void TThresForm::RadioButton33VClick() {
  vantrel::ThresholdChoose(window_, vantrel::ThresholdWindow::Choice::Logic33V);
  Show();
}

void TThresForm::RadioButtonCustomClick() {
  vantrel::ThresholdChoose(window_, vantrel::ThresholdWindow::Choice::Custom);
  Show();
}

void TThresForm::SpinButton1UpClick() {
  vantrel::ThresholdSpin(window_, true);
  Show();
}

void TThresForm::SpinButton1DownClick() {
  vantrel::ThresholdSpin(window_, false);
  Show();
}

void TThresForm::OKButtonClick() {
  vantrel::ThresholdOk(window_);
  accept();
}
