#include "ui/SBSRevForm.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "analysis/Revisions.h"

namespace {

struct Row {
  const char* name;
  const char* caption;
  std::uint32_t vantrel::Revisions::*value;
};

constexpr Row kRows[] = {
    {"SMBusRevList", "System Management Bus Rev.", &vantrel::Revisions::SMBusRev},
    {"SBDataRevList", "Smart Battery Data Rev.", &vantrel::Revisions::SBDataRev},
    {"SBChargerRevList", "Smart Battery Charger Rev.", &vantrel::Revisions::SBChargerRev},
    {"SBSelectorRevList", "Smart Battery Selector Rev.", &vantrel::Revisions::SBSelectorRev},
};

}  // namespace

TSBSRevForm::TSBSRevForm(QWidget* parent) : QDialog(parent) {
  setObjectName("SBSRev");
  setWindowTitle("SBS Revision");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Smart Battery System ", this));
  layout->addWidget(new QLabel("Specification References:", this));
  auto* grid = new QGridLayout;
  for (int r = 0; r < 4; ++r) {
    grid->addWidget(new QLabel(kRows[r].caption, this), r, 0);
    lists_[r] = new QComboBox(this);
    lists_[r]->setObjectName(kRows[r].name);
    lists_[r]->addItems({"1.0", "1.1"});
    lists_[r]->setCurrentIndex(0);
    grid->addWidget(lists_[r], r, 1);
  }
  layout->addLayout(grid);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setToolTip("accept any changes and exit");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("CancelButton");
  cancel->setToolTip("ignore any changes and exit");
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &TSBSRevForm::OKButtonClick);
  connect(cancel, &QPushButton::clicked, this, &TSBSRevForm::CancelButtonClick);
}

void TSBSRevForm::ShowRevisions() {
  for (int r = 0; r < 4; ++r) lists_[r]->setCurrentIndex(vantrel::gRevisions.*(kRows[r].value) >= 1 ? 1 : 0);
}

void TSBSRevForm::OKButtonClick() {
  for (int r = 0; r < 4; ++r) vantrel::gRevisions.*(kRows[r].value) = static_cast<std::uint32_t>(lists_[r]->currentIndex());
  accept();
}

void TSBSRevForm::CancelButtonClick() { reject(); }
