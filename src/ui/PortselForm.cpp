#include "ui/PortselForm.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "pod/InterfaceSelection.h"
#include "ui/UiDialogs.h"

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TPortselForm::TPortselForm(QWidget* parent) : QDialog(parent) {
  setObjectName("Portsel");
  setWindowTitle("Select Pod Interface");
  auto* layout = new QVBoxLayout(this);
  BoardNumListBox = new QListWidget(this);
  BoardNumListBox->setObjectName("BoardNumListBox");
  BoardNumListBox->setToolTip("Select Vantrel Interface");
  layout->addWidget(BoardNumListBox);
  NotFoundLabel = new QLabel(this);
  NotFoundLabel->setObjectName("NotFoundLabel");
  NotFoundLabel->hide();
  layout->addWidget(NotFoundLabel);
  auto* buttons = new QHBoxLayout;
  OKButton = new QPushButton("OK", this);
  OKButton->setObjectName("OKButton");
  OKButton->setDefault(true);
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");
  TestButton = new QPushButton("Test", this);
  TestButton->setObjectName("TestButton");
  TestButton->setToolTip("pod interface loopback test");
  buttons->addStretch();
  for (QPushButton* b : {OKButton, CancelButton, TestButton}) buttons->addWidget(b);
  layout->addLayout(buttons);
  connect(OKButton, &QPushButton::clicked, this, &TPortselForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TPortselForm::CancelButtonClick);
  connect(TestButton, &QPushButton::clicked, this, &TPortselForm::TestButtonClick);
  connect(BoardNumListBox, &QListWidget::itemDoubleClicked, this, &TPortselForm::OKButtonClick);
}

void TPortselForm::FormShow() {
  const vantrel::PortselState st = vantrel::PortselShow([] { QApplication::beep(); });
  BoardNumListBox->clear();
  for (const std::string& e : st.entries) BoardNumListBox->addItem(Text(e));
  if (!st.entries.empty()) BoardNumListBox->setCurrentRow(st.selected);
  OKButton->setVisible(st.okVisible);
  TestButton->setVisible(st.testVisible);
  BoardNumListBox->setVisible(!st.entries.empty());
  NotFoundLabel->setVisible(!st.notFound.empty());
  QStringList lines;
  for (const std::string& l : st.notFound) lines << Text(l);
  NotFoundLabel->setText(lines.join('\n'));
}

std::string TPortselForm::SelectedEntry() const {
  const QListWidgetItem* item = BoardNumListBox->currentItem();
  return item != nullptr ? item->text().toStdString() : std::string();
}

void TPortselForm::OKButtonClick() {
  if (vantrel::PortselOk(SelectedEntry(), [] { QApplication::beep(); })) accept();
}

void TPortselForm::CancelButtonClick() { reject(); }

void TPortselForm::TestButtonClick() {
  vantrel::PortselTest(SelectedEntry(), {
      .beep = [] { QApplication::beep(); },
      .askOkCancel = [this](const std::string& text, const std::string& title) {
        return vantrel::ui::Dialogs().OkCancel(this, Text(text), Text(title));
      },
      .show = [this](const std::string& text, const std::string& title) {
        vantrel::ui::Dialogs().Message(this, Text(text), Text(title));
      },
  });
}
