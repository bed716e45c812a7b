#include "ui/ImportForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/UiDialogs.h"

TImportForm::TImportForm(QWidget* parent) : QDialog(parent) {
  setObjectName("ImportForm");
  setWindowTitle("Import Logic Capture");
  auto* top = new QVBoxLayout(this);
  top->setSizeConstraint(QLayout::SetFixedSize);
  CaptureLabel = new QLabel(this);
  top->addWidget(CaptureLabel);
  auto* form = new QFormLayout;
  SclBox = new QComboBox(this);
  SclBox->setObjectName("SclBox");
  SdaBox = new QComboBox(this);
  SdaBox->setObjectName("SdaBox");
  RateEdit = new QLineEdit(this);
  RateEdit->setObjectName("RateEdit");
  RateEdit->setToolTip("samples per second, for captures that give none or a wrong one");
  BitTimingBox = new QCheckBox("Record every bit (Enable Bit Timing)", this);
  BitTimingBox->setObjectName("BitTimingBox");
  GlitchBox = new QDoubleSpinBox(this);
  GlitchBox->setObjectName("GlitchBox");
  GlitchBox->setRange(0.0, 0.9);
  GlitchBox->setSingleStep(0.05);
  GlitchBox->setDecimals(2);
  GlitchBox->setSpecialValueText("Off");
  GlitchBox->setToolTip("ignore pulses shorter than this fraction of the bus's clock period");
  form->addRow("SCL channel:", SclBox);
  form->addRow("SDA channel:", SdaBox);
  form->addRow("Sample rate (Hz):", RateEdit);
  form->addRow("Glitch filter:", GlitchBox);
  form->addRow(BitTimingBox);
  top->addLayout(form);
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
  connect(OKButton, &QPushButton::clicked, this, &TImportForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TImportForm::FormShow(const QString& capture, const std::vector<std::string>& channels,
                           std::uint64_t sampleRateHz) {
  CaptureLabel->setText(QFileInfo(capture).fileName());
  for (QComboBox* box : {SclBox, SdaBox}) {
    box->clear();
    for (std::size_t i = 0; i < channels.size(); ++i) {
      const QString name = QString::fromStdString(channels[i]);
      box->addItem(QString("%1: %2").arg(i).arg(name.isEmpty() ? "-" : name));
    }
  }
  const int scl = vantrel::FindChannel(channels, "SCL"), sda = vantrel::FindChannel(channels, "SDA");
  SclBox->setCurrentIndex(scl >= 0 ? scl : 0);
  SdaBox->setCurrentIndex(sda >= 0 ? sda : (channels.size() > 1 ? 1 : 0));
  RateEdit->setText(sampleRateHz > 0 ? QString::number(sampleRateHz) : QString());
}

vantrel::LogicImportOptions TImportForm::Options() const {
  vantrel::LogicImportOptions o;
  o.scl = std::to_string(SclBox->currentIndex());
  o.sda = std::to_string(SdaBox->currentIndex());
  o.sampleRateHz = RateEdit->text().trimmed().toULongLong();
  o.bitTiming = BitTimingBox->isChecked();
  o.glitchFraction = GlitchBox->value();
  return o;
}

void TImportForm::OKButtonClick() {
  bool ok = false;
  const qulonglong rate = RateEdit->text().trimmed().toULongLong(&ok);
  if (!ok || rate == 0) {
    vantrel::ui::MessageInPlace(this, "Enter the capture's sample rate in Hz", "Import Logic Capture");
    RateEdit->setFocus();
    return;
  }
  if (SclBox->currentIndex() == SdaBox->currentIndex()) {
    vantrel::ui::MessageInPlace(this, "SCL and SDA must be different channels", "Import Logic Capture");
    SdaBox->setFocus();
    return;
  }
  accept();
}
