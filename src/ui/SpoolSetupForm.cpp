#include "ui/SpoolSetupForm.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "pipeline/TraceControl.h"

namespace {

QButtonGroup* RadioGroup(QGroupBox* box, std::initializer_list<const char*> items) {
  auto* group = new QButtonGroup(box);
  auto* layout = new QVBoxLayout(box);
  int id = 0;
  for (const char* item : items) {
    auto* b = new QRadioButton(QString::fromLatin1(item), box);
    group->addButton(b, id++);
    layout->addWidget(b);
  }
  return group;
}

void Check(QButtonGroup* group, int id) {
  if (QAbstractButton* b = group->button(id)) b->setChecked(true);
}

}  // namespace

TSpoolSetupForm::TSpoolSetupForm(QWidget* parent) : QDialog(parent) {
  setObjectName("SpoolSetup");
  setWindowTitle("Spool Setup");
  auto* top = new QVBoxLayout(this);
  top->setSizeConstraint(QLayout::SetFixedSize);

  auto* device = new QGroupBox("Spool Device", this);
  SpoolDevice = RadioGroup(device, {"Spool Buffer (RAM)", "Spool File (DISK)"});
  SpoolBufferSizeGroup = new QGroupBox("Spool Buffer Size", this);
  SpoolBufferSize = RadioGroup(SpoolBufferSizeGroup, {"100KB", "250KB", "500KB", "1MB"});
  SpoolFileSizeGroup = new QGroupBox("Spool File Size", this);
  SpoolFileSize = RadioGroup(SpoolFileSizeGroup, {"10MB", "100MB", "500MB", "1GB"});
  // The two size choices share one place, as wide as the wider, so that
  // switching the device moves nothing.
  SizeGroups = new QStackedWidget(this);
  SizeGroups->addWidget(SpoolBufferSizeGroup);
  SizeGroups->addWidget(SpoolFileSizeGroup);
  auto* groups = new QHBoxLayout;
  groups->addWidget(device);
  groups->addWidget(SizeGroups);
  top->addLayout(groups);

  for (const char* text :
       {"The Spool is high-speed FIFO storage for Pod FIFO data. Data read from the Pod is held in the Spool until it "
        "can be processed, filtered, and displayed.",
        "If the Spool becomes FULL, the Pod FIFO will fill and terminate data capture.",
        "A fast bus, a varying speed bus, or a Host Computer running other apps or processes may require a larger "
        "Spool.",
        "Use the Trace Status viewer to see real-time Spool and Pod activity levels."}) {
    auto* label = new QLabel(QString::fromLatin1(text), this);
    label->setWordWrap(true);
    top->addWidget(label);
  }
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  top->addWidget(ok, 0, Qt::AlignHCenter);

  connect(SpoolDevice, &QButtonGroup::idClicked, this, &TSpoolSetupForm::SpoolDeviceClick);
  connect(SpoolBufferSize, &QButtonGroup::idClicked, this, &TSpoolSetupForm::SpoolBufferSizeClick);
  connect(SpoolFileSize, &QButtonGroup::idClicked, this, &TSpoolSetupForm::SpoolFileSizeClick);
  connect(ok, &QPushButton::clicked, this, &TSpoolSetupForm::OKButtonClick);
  ShowChoice();
}

void TSpoolSetupForm::ShowChoice() {
  const vantrel::SpoolChoice& c = vantrel::gSpoolChoice;
  Check(SpoolDevice, c.deviceItem == 1 ? 1 : 0);
  Check(SpoolBufferSize, c.bufferSizeItem);
  Check(SpoolFileSize, c.fileSizeItem);
  SizeGroups->setCurrentWidget(c.deviceItem == 1 ? SpoolFileSizeGroup : SpoolBufferSizeGroup);
}

void TSpoolSetupForm::RestoreDefaults() {
  vantrel::RestoreDefaultSpoolChoice();
  ShowChoice();
  Changed();
}

void TSpoolSetupForm::SpoolDeviceClick(int item) {
  vantrel::gSpoolChoice.deviceItem = item;
  ShowChoice();
  Changed();
}

void TSpoolSetupForm::SpoolBufferSizeClick(int item) {
  vantrel::gSpoolChoice.bufferSizeItem = item;
  Changed();
}

void TSpoolSetupForm::SpoolFileSizeClick(int item) {
  vantrel::gSpoolChoice.fileSizeItem = item;
  Changed();
}

void TSpoolSetupForm::OKButtonClick() { accept(); }

void TSpoolSetupForm::Changed() {
  if (onChoiceChanged) onChoiceChanged(vantrel::gSpoolChoice);
}
