#include "ui/AliasForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/Hex.h"
#include "filters/AliasFile.h"
#include "filters/AliasTable.h"
#include "ui/FilterFileDialog.h"

namespace ui = vantrel::ui;
using vantrel::ui::Button;

namespace {

constexpr const char* kCaption = "Address Alias Table";
const ui::FilterFileKind kAliasFile{"Save Alias File", "Load Alias File", "Vantrel.als", "als", "Alias Files (*.als)"};

TAliasForm* gAliasForm = nullptr;

// The file format treats any line holding ';' as a comment, so an alias
// containing one would shift every later alias on reading: refuse it here.
class AliasDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
      edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[^;]*"), edit));
    return w;
  }
};


}  // namespace

TAliasForm::TAliasForm(QWidget* parent) : QDialog(parent) {
  setObjectName("AliasForm");
  setWindowTitle(kCaption);
  auto* top = new QHBoxLayout(this);

  AliasGrid = new QTableWidget(128, 2, this);
  AliasGrid->setObjectName("AliasGrid");
  AliasGrid->setHorizontalHeaderLabels({" Address", " Alias Name"});
  AliasGrid->verticalHeader()->hide();
  AliasGrid->verticalHeader()->setDefaultSectionSize(16);
  AliasGrid->setItemDelegateForColumn(1, new AliasDelegate(AliasGrid));
  AliasGrid->setToolTip(
      "Click to select a cell.\r\nThen enter Slave Address Alias name.\r\nClick Accept to accept any changes.\r\n"
      "Click Undo to restore any changes.");
  const QFontMetrics fm(AliasGrid->font());
  AliasGrid->setColumnWidth(0, fm.horizontalAdvance(" Address") + 20);
  AliasGrid->setColumnWidth(1, fm.horizontalAdvance(" Alias Name    ") + 60);
  AliasGrid->setFixedWidth(AliasGrid->columnWidth(0) + AliasGrid->columnWidth(1) + 20);
  AliasGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  for (int a = 0; a < 128; ++a) {
    const int b = a * 2;
    auto* item = new QTableWidgetItem(QString("     ") + vantrel::kHexDigits[b >> 4] + vantrel::kHexDigits[b & 15]);
    item->setFlags(Qt::ItemIsEnabled);
    AliasGrid->setItem(a, 0, item);
    AliasGrid->setItem(a, 1, new QTableWidgetItem);
  }
  AliasGrid->installEventFilter(this);
  connect(AliasGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem*) { Modified(); });
  top->addWidget(AliasGrid);

  auto* buttons = new QVBoxLayout;
  DefaultButton = Button(this, "DefaultButton", "Default", "set all to default value.");
  AcceptButton = Button(this, "AcceptButton", "Accept", "accept changes");
  UndoButton = Button(this, "UndoButton", "Undo", "undo changes");
  OKButton = Button(this, "OKButton", "OK", "accept any changes and exit");
  CancelButton = Button(this, "CancelButton", "Cancel", "ignore any changes and exit");
  SaveAsButton = Button(this, "SaveAsButton", "Save As", "save aliasing file");
  LoadFileButton = Button(this, "LoadFileButton", "Load File", "load aliasing file");
  for (QPushButton* b : {DefaultButton, AcceptButton, UndoButton, OKButton, CancelButton, SaveAsButton, LoadFileButton})
    buttons->addWidget(b);
  buttons->addStretch();
  top->addLayout(buttons);
  connect(DefaultButton, &QPushButton::clicked, this, &TAliasForm::DefaultButtonClick);
  connect(AcceptButton, &QPushButton::clicked, this, &TAliasForm::AcceptButtonClick);
  connect(UndoButton, &QPushButton::clicked, this, &TAliasForm::UndoButtonClick);
  connect(OKButton, &QPushButton::clicked, this, &TAliasForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TAliasForm::CancelButtonClick);
  connect(SaveAsButton, &QPushButton::clicked, this, &TAliasForm::SaveAsButtonClick);
  connect(LoadFileButton, &QPushButton::clicked, this, &TAliasForm::LoadFileButtonClick);
  AcceptButton->setEnabled(false);
  UndoButton->setEnabled(false);
  OKButton->setEnabled(false);
  resize(sizeHint().width(), 480);

  gAliasForm = this;
  vantrel::AliasTableChanged = [] {
    if (gAliasForm != nullptr && gAliasForm->isVisible()) gAliasForm->UndoButtonClick();
  };
  ShowTable();
}

TAliasForm::~TAliasForm() {
  if (gAliasForm == this) {
    gAliasForm = nullptr;
    vantrel::AliasTableChanged = nullptr;
  }
}

void TAliasForm::showEvent(QShowEvent* event) {
  ShowTable();
  QDialog::showEvent(event);
}

bool TAliasForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == AliasGrid && event->type() == QEvent::KeyPress) Modified();
  return QDialog::eventFilter(watched, event);
}

void TAliasForm::SetTexts(const vantrel::AliasGrid& texts) {
  const QSignalBlocker block(AliasGrid);
  for (int a = 0; a < 128; ++a) AliasGrid->item(a, 1)->setText(ui::Latin1(texts[static_cast<std::size_t>(a)]));
}

vantrel::AliasGrid TAliasForm::Texts() const {
  vantrel::AliasGrid g;
  for (int a = 0; a < 128; ++a) g[static_cast<std::size_t>(a)] = ui::Latin1(AliasGrid->item(a, 1)->text());
  return g;
}

void TAliasForm::ShowTable() { SetTexts(vantrel::AliasTableCopy()); }

void TAliasForm::ResetCaption() { setWindowTitle(kCaption); }

void TAliasForm::Modified() {
  ResetCaption();
  AcceptButton->setEnabled(true);
  UndoButton->setEnabled(true);
  OKButton->setEnabled(true);
}

void TAliasForm::DefaultButtonClick() {
  vantrel::AliasGrid g;
  for (int a = 0; a < 128; ++a) g[static_cast<std::size_t>(a)] = vantrel::DefaultAliasText(a);
  SetTexts(g);
  Modified();
  pendingName.clear();
}

void TAliasForm::AcceptButtonClick() {
  vantrel::AcceptAliasGrid(Texts(), pendingName);
  AcceptButton->setEnabled(false);
  UndoButton->setEnabled(false);
}

void TAliasForm::OKButtonClick() {
  AcceptButtonClick();
  OKButton->setEnabled(false);
  accept();
}

void TAliasForm::UndoButtonClick() {
  ShowTable();
  ResetCaption();
  AcceptButton->setEnabled(false);
  UndoButton->setEnabled(false);
  pendingName.clear();
}

void TAliasForm::CancelButtonClick() {
  AcceptButton->setEnabled(false);
  UndoButton->setEnabled(false);
  OKButton->setEnabled(false);
  pendingName.clear();
  reject();
}

void TAliasForm::SaveAsButtonClick() {
  const std::string name = ui::ChooseSaveFile(this, kAliasFile);
  if (name.empty()) return;
  // A partly written file is not remembered: Accept would record it as the
  // alias file that the next settings load applies.
  if (vantrel::WriteAliasFile(name, Texts()) != vantrel::FileResult::Done) return;
  setWindowTitle(ui::FileCaption(name, kCaption));
  pendingName = name;
}

void TAliasForm::LoadFileButtonClick() {
  const std::string name = ui::ChooseLoadFile(this, kAliasFile);
  if (name.empty()) return;
  vantrel::AliasGrid g = Texts();
  const vantrel::FileResult r = vantrel::ReadAliasFile(name, g);
  if (r != vantrel::FileResult::Done && r != vantrel::FileResult::ReadFailed) return;
  SetTexts(g);  // after a read failure the rows read so far keep their text
  if (r != vantrel::FileResult::Done) return;
  setWindowTitle(ui::FileCaption(name, kCaption));
  AcceptButton->setEnabled(true);
  UndoButton->setEnabled(true);
  OKButton->setEnabled(true);
  pendingName = name;
}
