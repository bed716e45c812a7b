#include "ui/MsgFilterSelectForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "filters/AliasTable.h"
#include "ui/AddrMapForm.h"
#include "ui/FilterFileDialog.h"

namespace ui = vantrel::ui;
using vantrel::ui::Button;
using vantrel::AccessBox;

namespace {


void Paint(QPushButton* bar, bool on, const QColor& colour) {
  const QColor c = on ? colour : QColor(Qt::white);
  bar->setStyleSheet(QString("background-color: %1; border: 1px solid gray;").arg(c.name()));
}

}  // namespace

TMsgFilterSelectForm::TMsgFilterSelectForm(QWidget* parent) : QDialog(parent) {
  setObjectName("MsgFilterSelectForm");
  setWindowTitle("Slave Address Filter");
  setModal(true);
  auto* top = new QVBoxLayout(this);
  AddressLabel = new QLabel("Address [Alias]:", this);
  AddressLabel->setObjectName("AddressLabel");
  top->addWidget(AddressLabel);

  auto* grid = new QGridLayout;
  struct Row {
    QCheckBox** box;
    QPushButton** bar;
    const char* name;
    const char* caption;
    AccessBox which;
  };
  const Row rows[] = {
      {&ReadBox, &ReadBar, "Read", "Read Access (R)", AccessBox::Read},
      {&WriteBox, &WriteBar, "Write", "Write Access (W)", AccessBox::Write},
      {&AckBox, &AckBar, "Ack", "Acknowledgement (A)", AccessBox::Ack},
      {&NackBox, &NackBar, "Nack", "Negative Acknowledgement (N)", AccessBox::Nack},
  };
  int r = 0;
  for (const Row& row : rows) {
    QCheckBox* box = new QCheckBox(QString::fromLatin1(row.caption), this);
    box->setObjectName(QString::fromLatin1(row.name) + "Box");
    QPushButton* bar = new QPushButton(this);
    bar->setObjectName(QString::fromLatin1(row.name) + "Bar");
    bar->setFixedSize(12, 24);
    bar->setFlat(true);
    bar->setAutoDefault(false);
    *row.box = box;
    *row.bar = bar;
    grid->addWidget(bar, 0, r);
    grid->addWidget(box, 1 + r, 5);
    const AccessBox which = row.which;
    connect(box, &QCheckBox::toggled, this, [this, which] { BoxChanged(which); });
    connect(bar, &QPushButton::clicked, box, &QCheckBox::toggle);
    ++r;
  }
  top->addLayout(grid);

  auto* buttons = new QHBoxLayout;
  AllButton = Button(this, "AllButton", "All", "Display ALL");
  NoneButton = Button(this, "NoneButton", "None", "Display NONE");
  OKButton = Button(this, "OKButton", "OK", "accept any changes and exit");
  CancelButton = Button(this, "CancelButton", "Cancel", "ignore any changes and exit");
  for (QPushButton* b : {AllButton, NoneButton, OKButton, CancelButton}) buttons->addWidget(b);
  top->addLayout(buttons);
  connect(AllButton, &QPushButton::clicked, this, &TMsgFilterSelectForm::AllButtonClick);
  connect(NoneButton, &QPushButton::clicked, this, &TMsgFilterSelectForm::NoneButtonClick);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  Prepare(0, 0x1111);
}

void TMsgFilterSelectForm::Prepare(std::uint8_t addressByte, std::uint16_t mask) {
  SelectedAddress = addressByte;
  AccessMask = mask;
  AddressLabel->setText(ui::AddressAliasText(addressByte));
  ShowBoxes(vantrel::AccessBoxesOfMask(mask));
  Rebuild();
  AccessMask = mask;  // a mask outside the table is kept until a box changes
}

vantrel::AccessBoxes TMsgFilterSelectForm::Boxes() const {
  return {ReadBox->isChecked(), WriteBox->isChecked(), AckBox->isChecked(), NackBox->isChecked()};
}

void TMsgFilterSelectForm::ShowBoxes(const vantrel::AccessBoxes& b) {
  suspended_ = true;
  ReadBox->setChecked(b.read);
  WriteBox->setChecked(b.write);
  AckBox->setChecked(b.ack);
  NackBox->setChecked(b.nack);
  suspended_ = false;
}

void TMsgFilterSelectForm::BoxChanged(AccessBox which) {
  if (!suspended_) ShowBoxes(vantrel::ApplyAccessRules(Boxes(), which));
  Rebuild();
}

void TMsgFilterSelectForm::Rebuild() {
  const vantrel::AccessBoxes b = Boxes();
  AccessMask = vantrel::MaskOfAccessBoxes(b);
  Paint(ReadBar, b.read, ui::kReadColour);
  Paint(WriteBar, b.write, ui::kWriteColour);
  Paint(AckBar, b.ack, ui::kAckColour);
  Paint(NackBar, b.nack, ui::kNackColour);
}

void TMsgFilterSelectForm::AllButtonClick() {
  ShowBoxes({true, true, true, true});
  Rebuild();
}

void TMsgFilterSelectForm::NoneButtonClick() {
  ShowBoxes({});
  Rebuild();
}
