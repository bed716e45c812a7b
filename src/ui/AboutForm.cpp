#include "ui/AboutForm.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/UiDialogs.h"
#include "ui/WebPages.h"

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setObjectName("About");
  setWindowTitle("About");
  auto* layout = new QVBoxLayout(this);
  auto* product = new QLabel("Vantrel", this);
  QFont big = product->font();
  big.setPointSize(big.pointSize() * 2);
  big.setBold(true);
  product->setFont(big);
  layout->addWidget(product, 0, Qt::AlignHCenter);
  layout->addWidget(new QLabel("Release 3.1 SP1", this), 0, Qt::AlignHCenter);
  layout->addWidget(new QLabel("Analyzer Software", this), 0, Qt::AlignHCenter);
  layout->addSpacing(8);
  layout->addWidget(new QLabel("Specification References:", this));
  for (const char* line : {"Smart Battery System ", "System Management Bus Rev. 1.0, 1.1",
                           "Smart Battery Data Rev. 1.0, 1.1", "Smart Battery Charger Rev. 1.0, 1.1",
                           "Smart Battery Selector Rev. 1.0, 1.1"}) {
    layout->addWidget(new QLabel(QString::fromLatin1(line), this));
  }
  auto* buttons = new QHBoxLayout;
  auto* update = new QPushButton("Check for Updates", this);
  update->setToolTip("Click to Check for Updates");
  auto* home = new QPushButton("Orbisan Home Page", this);
  home->setToolTip(vantrel::ui::kHomePage);
  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  buttons->addWidget(update);
  buttons->addWidget(home);
  buttons->addWidget(ok);
  layout->addLayout(buttons);
  connect(update, &QPushButton::clicked, this, &TAboutForm::UpdateButtonClick);
  connect(home, &QPushButton::clicked, this, &TAboutForm::HomeButtonClick);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::UpdateButtonClick() { vantrel::ui::OpenOrReport(this, QUrl(vantrel::ui::kUpdatePage)); }
void TAboutForm::HomeButtonClick() { vantrel::ui::OpenOrReport(this, QUrl(vantrel::ui::kHomePage)); }
